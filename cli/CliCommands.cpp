// list and extract over the platform's documents: names planned by the extraction engine,
// pictures written on several threads at once.
#include <algorithm>
#include <cwctype>
#include <mutex>
#include <set>
#include <thread>

#include "cli/CliRun.h"
#include "cli/Console.h"
#include "contracts/PixelModel.h"
#include "contracts/StoredFormat.h"

namespace pictrove::cli {

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

const wchar_t* PixelTypeName(int type) {
    switch (type) {
        case kPixelBgra32:
            return L"bgra32";
        case kPixelBgr24:
            return L"bgr24";
        case kPixelGray8:
            return L"gray8";
        case kPixelGrayPlusOne8:
            return L"gray8+1";
        default:
            return L"unknown";
    }
}

std::wstring JsonString(std::wstring_view text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        switch (c) {
            case L'"':
                out += L"\\\"";
                break;
            case L'\\':
                out += L"\\\\";
                break;
            case L'\n':
                out += L"\\n";
                break;
            case L'\r':
                out += L"\\r";
                break;
            case L'\t':
                out += L"\\t";
                break;
            default:
                if (c < 0x20) {
                    wchar_t escape[8];
                    std::swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(c));
                    out += escape;
                } else {
                    out += c;
                }
        }
    }
    return out + L"\"";
}

// What the user is told when a document does not open; empty when it opened.
std::wstring OpenFailureText(CliPlatform& platform,
                             const std::wstring& path,
                             const OpenedDocument& opened,
                             bool passwordGiven) {
    switch (opened.status) {
        case OpenStatus::kOpened:
            return {};
        case OpenStatus::kNoReader:
            return path + L": no reader for this kind of file";
        case OpenStatus::kNeedsPassword:
            return path + L": the document is protected; give its password with --password";
        case OpenStatus::kWrongPassword:
            return path + (passwordGiven ? L": the password does not open the document" : L": wrong password");
        case OpenStatus::kProtected:
            return path + L": the archive is protected and cannot be read";
        case OpenStatus::kUnreadable:
            return path + L": cannot be read: " + platform.ReasonText(opened.systemError);
        case OpenStatus::kDamaged:
            return path + L": damaged, or a kind of document that is not supported";
        case OpenStatus::kNoImages:
            return path + L": no images in the document";
    }
    return path + L": cannot be opened";
}

OpenedDocument Open(CliPlatform& platform, const std::wstring& path, const CliOptions& options) {
    OpenedDocument opened = platform.Open(path, options.password);
    if (opened.damaged) WriteErr(path + L": the document is damaged; the list may be incomplete\n");
    return opened;
}

// The selected 0-based indices; images past the end are reported as failures.
std::vector<int> Selection(const CliOptions& options, int count, const std::wstring& path, int& failures) {
    if (options.images.empty()) {
        std::vector<int> all(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) all[static_cast<size_t>(i)] = i;
        return all;
    }
    std::vector<ImageRange> ranges;
    std::wstring error;
    ParseImageRanges(options.images, ranges, error);
    std::vector<ImageRange> beyondEnd;
    std::vector<int> picked = SelectImages(ranges, count, beyondEnd);
    for (const ImageRange& range : beyondEnd) {
        WriteErr(path + L": no image " + RangeText(range) + L" (the document has " + std::to_wstring(count) +
                 L" images)\n");
        ++failures;
    }
    return picked;
}

// Documents of the run in the order typed, wildcards expanded; a name that matches nothing is
// reported and counted as not opened.
std::vector<std::wstring> Documents(CliPlatform& platform, const CliOptions& options, bool& someNotFound) {
    std::vector<std::wstring> documents;
    for (const std::wstring& typed : options.documents) {
        const std::vector<std::wstring> found = platform.ExpandDocumentName(typed);
        if (found.empty()) {
            WriteErr(typed + L": no file matches\n");
            someNotFound = true;
        }
        documents.insert(documents.end(), found.begin(), found.end());
    }
    return documents;
}

int WorkerCount(const CliOptions& options) {
    if (options.jobs > 0) return options.jobs;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 16u));
}

// Paths written during this run, compared as the Windows file system does, so a run names its
// files alike on every platform.
class RunPaths {
  public:
    bool Taken(const std::wstring& path) const { return taken_.count(Lower(path)) != 0; }
    void Take(const std::wstring& path) { taken_.insert(Lower(path)); }

  private:
    std::set<std::wstring> taken_;
};

struct JobFailure {
    std::wstring path;
    std::uint32_t reason = 0;
};

// The plan's view of an opened document.
class DocumentPlanSource : public PlanSource {
  public:
    DocumentPlanSource(CliDocument& document, CliPlatform& platform) : document_(document), platform_(platform) {}
    int ImageCount() override { return document_.ImageCount(); }
    std::wstring ImageName(int index) override {
        std::wstring name = document_.ImageName(index);
        return name.empty() ? platform_.DefaultImageName(index) : name;
    }
    int StoredFormat(int index) override { return document_.StoredFormat(index); }

  private:
    CliDocument& document_;
    CliPlatform& platform_;
};

// One worker of a document's run: the platform's hold on its thread and a reader of its own
// when it could open one (readers need not be reentrant, so one reader decodes one picture at
// a time; the document's file is mapped, so another reader on it costs little memory), else
// the run's shared reader, one picture at a time among the workers that share it.
class CliPictureWorker : public PictureWorker {
  public:
    CliPictureWorker(std::shared_ptr<void> thread, CliDocument& shared, std::mutex& sharedLock, int typeIndex)
        : thread_(std::move(thread)), shared_(shared), sharedLock_(sharedLock), typeIndex_(typeIndex) {}

    void OpenOwn(CliPlatform& platform, const std::wstring& path, const CliOptions& options, int imageCount) {
        OpenedDocument opened = platform.Open(path, options.password);
        if (opened.status == OpenStatus::kOpened && opened.document->ImageCount() == imageCount) {
            own_ = std::move(opened.document);
        }
    }

    PictureResult Write(const PlannedPicture& picture) override {
        if (own_) return own_->Write(picture, typeIndex_);
        std::lock_guard<std::mutex> lock(sharedLock_);
        return shared_.Write(picture, typeIndex_);
    }

  private:
    std::shared_ptr<void> thread_;
    CliDocument& shared_;
    std::mutex& sharedLock_;
    int typeIndex_;
    std::unique_ptr<CliDocument> own_;  // destroyed before the thread's hold
};

// Writes one document's planned pictures on several threads, each decoding, converting and
// encoding its pictures, so one picture's decoding overlaps another's encoding. Failures are
// gathered for the report after the run; progress goes to the console as pictures finish.
class CliExtraction : public ExtractCallbacks {
  public:
    CliExtraction(CliPlatform& platform,
                  const std::wstring& path,
                  const CliOptions& options,
                  CliDocument& document,
                  const std::vector<PlannedPicture>& pictures,
                  const std::wstring& progressName)
        : platform_(platform),
          path_(path),
          options_(options),
          document_(document),
          pictures_(pictures),
          progressName_(progressName) {}

    std::unique_ptr<PictureWorker> NewWorker(int worker) override {
        auto writer =
            std::make_unique<CliPictureWorker>(platform_.EnterThread(), document_, readerLock_, options_.typeIndex);
        // The run's own thread keeps the shared reader; the others open one each.
        if (worker != 0) writer->OpenOwn(platform_, path_, options_, document_.ImageCount());
        return writer;
    }
    void PictureFailed(size_t position, std::uint32_t reason) override {
        failures_.push_back({pictures_[position].path, reason});
    }
    void PictureFinished(size_t, size_t finished) override {
        if (progressName_.empty()) return;
        WriteErr(L"\r" + progressName_ + L": " + std::to_wstring(finished) + L"/" + std::to_wstring(pictures_.size()));
    }

    std::vector<JobFailure> Run(int threads) {
        summary_ = RunExtraction(pictures_, *this, {threads, {}, nullptr});
        if (!progressName_.empty()) WriteErr(L"\n");
        std::sort(failures_.begin(), failures_.end(),
                  [](const JobFailure& a, const JobFailure& b) { return a.path < b.path; });
        return failures_;
    }
    // The run's tally; after a failure that stopped it, fewer pictures than planned were processed.
    const RunSummary& Summary() const { return summary_; }

  private:
    CliPlatform& platform_;
    const std::wstring& path_;
    const CliOptions& options_;
    CliDocument& document_;
    const std::vector<PlannedPicture>& pictures_;
    std::wstring progressName_;
    std::mutex readerLock_;
    std::vector<JobFailure> failures_;
    RunSummary summary_;
};

// This run's files: a later picture never takes the name of one written earlier, and no
// question is asked.
class RunFiles : public ExistingFiles {
  public:
    explicit RunFiles(const RunPaths& paths) : paths_(paths) {}
    bool Exists(const std::wstring& path) override { return paths_.Taken(path); }
    ExistingChoice Ask(int, const std::wstring&) override { return ExistingChoice::kKeepBoth; }

  private:
    const RunPaths& paths_;
};

}  // namespace

int RunList(const CliOptions& options, CliPlatform& platform) {
    const std::shared_ptr<void> thread = platform.EnterThread();
    bool notOpened = false;
    int failures = 0;
    const std::vector<std::wstring> documents = Documents(platform, options, notOpened);
    std::wstring json = L"[";
    bool firstDocument = true;
    for (const std::wstring& path : documents) {
        OpenedDocument opened = Open(platform, path, options);
        if (opened.status != OpenStatus::kOpened && opened.status != OpenStatus::kNoImages) {
            WriteErr(OpenFailureText(platform, path, opened, options.password.has_value()) + L"\n");
            notOpened = true;
            continue;
        }
        CliDocument* document = opened.document.get();
        const int count = document ? document->ImageCount() : 0;
        const std::vector<int> selected = Selection(options, count, path, failures);
        std::wstring text;
        if (options.json) {
            json += std::wstring(firstDocument ? L"" : L",") + L"\n  {\"document\": " + JsonString(path) +
                    L", \"imageCount\": " + std::to_wstring(count) + L", \"images\": [";
        } else {
            text = path + L": " + std::to_wstring(count) + L" images\n";
        }
        firstDocument = false;
        bool firstImage = true;
        for (int index : selected) {
            const int width = document->ImageWidth(index);
            const int height = document->ImageHeight(index);
            const std::wstring name = document->ImageName(index);
            const std::wstring stored = StoredFormatName(document->StoredFormat(index));
            const int type = document->PixelType(index);
            if (options.json) {
                json += std::wstring(firstImage ? L"" : L",") + L"\n    {\"index\": " + std::to_wstring(index + 1) +
                        L", \"name\": " + JsonString(name) + L", \"width\": " + std::to_wstring(width) +
                        L", \"height\": " + std::to_wstring(height) + L", \"pixelType\": " +
                        JsonString(PixelTypeName(type)) + L", \"storedFormat\": " + JsonString(stored) + L"}";
            } else {
                text += L"  " + std::to_wstring(index + 1) + L"\t" + name + L"\t" + std::to_wstring(width) + L"\t" +
                        std::to_wstring(height) + L"\t" + PixelTypeName(type) + L"\t" + stored + L"\n";
            }
            firstImage = false;
        }
        if (options.json)
            json += L"]}";
        else
            WriteOut(text);
    }
    if (options.json) WriteOut(json + L"\n]\n");
    if (notOpened) return kExitNotOpened;
    return failures > 0 ? kExitSomeFailed : kExitAllWritten;
}

int RunExtract(const CliOptions& options, CliPlatform& platform) {
    const std::shared_ptr<void> thread = platform.EnterThread();
    const std::wstring folder = platform.FolderPath(options.outputFolder);

    bool notOpened = false;
    int failures = 0;
    int written = 0;
    RunPaths runPaths;
    bool folderMade = false;
    const int threads = WorkerCount(options);
    for (const std::wstring& path : Documents(platform, options, notOpened)) {
        OpenedDocument opened = Open(platform, path, options);
        if (opened.status != OpenStatus::kOpened) {
            WriteErr(OpenFailureText(platform, path, opened, options.password.has_value()) + L"\n");
            if (opened.status != OpenStatus::kNoImages) notOpened = true;
            continue;
        }
        CliDocument& document = *opened.document;
        const std::vector<int> selected = Selection(options, document.ImageCount(), path, failures);
        if (selected.empty()) continue;
        DocumentPlanSource source(document, platform);
        RunFiles runFiles(runPaths);
        const ExtractPlan plan =
            PlanExtraction({selected, options.typeIndex, options.fileTemplate, folder, threads}, source, runFiles);
        if (plan.status == PlanStatus::kForbiddenFolder || plan.status == PlanStatus::kForbiddenTemplate) {
            WriteErr(std::wstring(plan.status == PlanStatus::kForbiddenFolder ? L"Folder" : L"File") +
                     L" names cannot hold these characters: " + plan.refused + L"\n");
            return kExitBadArguments;
        }
        if (!folderMade && !(folderMade = platform.MakeFolder(folder))) {
            WriteErr(L"The folder " + folder + L" cannot be created.\n");
            return kExitSomeFailed;
        }
        for (const PlannedPicture& picture : plan.outside) {
            WriteErr(picture.path + L": the template leads outside " + folder + L"; not written\n");
            ++failures;
        }
        for (const PlannedPicture& picture : plan.pictures) runPaths.Take(picture.path);
        const bool progress = !options.quiet && ErrIsConsole();
        CliExtraction extraction(platform, path, options, document, plan.pictures, progress ? path : std::wstring());
        const std::vector<JobFailure> failed = extraction.Run(threads);
        for (const JobFailure& failure : failed)
            WriteErr(failure.path + L": " + platform.ReasonText(failure.reason) + L"\n");
        failures += static_cast<int>(failed.size());
        written += static_cast<int>(extraction.Summary().processed - failed.size());
        // A full disk fails every later picture too: the run ends here, saying why.
        if (extraction.Summary().stoppedByFailure) {
            WriteErr(L"Stopped: " + platform.ReasonText(extraction.Summary().stopReason) + L"\n");
            break;
        }
    }
    if (!options.quiet) WriteErr(std::to_wstring(written) + L" written, " + std::to_wstring(failures) + L" failed.\n");
    if (notOpened) return kExitNotOpened;
    return failures > 0 ? kExitSomeFailed : kExitAllWritten;
}

}  // namespace pictrove::cli

namespace pictrove::cli {

int RunCommandLine(const std::vector<std::wstring>& args, const std::wstring& programName, CliPlatform& platform) {
    const CliParseResult parsed = ParseCliArguments(args);
    if (!parsed.ok) {
        WriteErr(programName + L": " + parsed.error + L"\n\n" + UsageText(programName));
        return kExitBadArguments;
    }
    try {
        switch (parsed.options.command) {
            case CliCommand::kHelp:
                WriteOut(UsageText(programName));
                return kExitAllWritten;
            case CliCommand::kList:
                return RunList(parsed.options, platform);
            case CliCommand::kExtract:
                return RunExtract(parsed.options, platform);
        }
    } catch (const std::bad_alloc&) {
        WriteErr(programName + L": out of memory\n");
    }
    return kExitSomeFailed;
}

}  // namespace pictrove::cli
