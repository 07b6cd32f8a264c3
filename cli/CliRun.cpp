// list and extract: documents opened through the readers, pictures planned and written by the
// extraction engine with the window's writer, on several threads at once.
#include "cli/CliRun.h"

#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cwctype>
#include <mutex>
#include <set>
#include <thread>

#include "cli/Console.h"
#include "common/GdiplusHolders.h"
#include "common/Handles.h"
#include "contracts/ReaderImageFields.h"
#include "engine/ExtractRunner.h"
#include "extract/ImageFileWriter.h"
#include "extract/OutputNaming.h"
#include "extract/StoredPictureFile.h"
#include "reader/DocumentSession.h"
#include "resources/UiStrings.h"

namespace pictrove::cli {

using Microsoft::WRL::ComPtr;

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    full.resize(length);
    return full;
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
                    swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(c));
                    out += escape;
                } else {
                    out += c;
                }
        }
    }
    return out + L"\"";
}

std::wstring ImageName(ImageCollection& collection, int index) {
    ScopedBstr name;
    if (FAILED(collection.GetImageName(index, name.Out())) || !name.Get()) return {};
    return std::wstring(name.Get(), name.Length());
}

// What the user is told when a document does not open; empty when it opened.
std::wstring OpenFailureText(const std::wstring& path, const DocumentOpenResult& opened, bool passwordGiven) {
    switch (opened.status) {
        case DocumentOpenStatus::kOpened:
            return {};
        case DocumentOpenStatus::kNoReader:
            return path + L": no reader for this kind of file";
        case DocumentOpenStatus::kNeedsPassword:
            return path + L": the document is protected; give its password with --password";
        case DocumentOpenStatus::kWrongPassword:
            return path + (passwordGiven ? L": the password does not open the document" : L": wrong password");
        case DocumentOpenStatus::kProtected:
            return path + L": the archive is protected and cannot be read";
        case DocumentOpenStatus::kUnreadable:
            return path + L": cannot be read: " + SystemErrorText(opened.systemError);
        case DocumentOpenStatus::kDamaged:
        case DocumentOpenStatus::kNoCollection:
            return path + L": damaged, or a kind of document that is not supported";
        case DocumentOpenStatus::kNoImages:
            return path + L": no images in the document";
    }
    return path + L": cannot be opened";
}

DocumentOpenResult Open(const std::wstring& path, const CliOptions& options) {
    DocumentOpenResult opened = OpenDocumentFile(path, [&options]() { return options.password; });
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
std::vector<std::wstring> Documents(const CliOptions& options, bool& someNotFound) {
    std::vector<std::wstring> documents;
    for (const std::wstring& typed : options.documents) {
        const std::vector<std::wstring> found = ExpandDocumentName(typed);
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

// Paths written during this run, compared as the file system does.
class RunPaths {
  public:
    bool Taken(const std::wstring& path) const { return taken_.count(Lower(path)) != 0; }
    void Take(const std::wstring& path) { taken_.insert(Lower(path)); }

  private:
    std::set<std::wstring> taken_;
};

struct JobFailure {
    std::wstring path;
    DWORD error = 0;
};

// The document as one worker reads it: a reader of its own when it could open one (readers need
// not be reentrant, so one reader decodes one picture at a time; the document's file is mapped,
// so another reader on it costs little memory), else the run's shared reader, one picture at a
// time among the workers that share it.
class WorkerDocument {
  public:
    WorkerDocument(ImageCollection& shared, std::mutex& sharedLock) : shared_(shared), sharedLock_(sharedLock) {}

    // Opens the worker's own reader; keeps the shared one when that fails or lists otherwise.
    void OpenOwn(const std::wstring& path, const CliOptions& options, int imageCount) {
        DocumentOpenResult opened = Open(path, options);
        if (opened.status == DocumentOpenStatus::kOpened && opened.imageCount == imageCount) {
            own_ = std::move(opened.collection);
        }
    }

    ComPtr<IUnknown> GetImage(int index, HRESULT& result) {
        ComPtr<IUnknown> image;
        if (own_) {
            result = own_->GetImage(index, image.GetAddressOf());
        } else {
            std::lock_guard<std::mutex> lock(sharedLock_);
            result = shared_.GetImage(index, image.GetAddressOf());
        }
        return image;
    }

    ImageCollection& Collection() { return own_ ? *own_.Get() : shared_; }

  private:
    ImageCollection& shared_;
    std::mutex& sharedLock_;
    ComPtr<ImageCollection> own_;
};

// One worker of a document's run: the COM apartment of its thread and its view of the document.
class CliPictureWorker : public PictureWorker {
  public:
    CliPictureWorker(ImageCollection& shared, std::mutex& sharedLock, int typeIndex)
        : com_(COINIT_MULTITHREADED), document_(shared, sharedLock), typeIndex_(typeIndex) {}

    WorkerDocument& Document() { return document_; }

    PictureResult Write(const PlannedPicture& picture) override {
        WriteOutcome outcome;
        if (picture.stored) {
            // The collection serialises the reader itself; the bytes are this thread's alone.
            outcome = WriteStoredPicture(&document_.Collection(), picture.index, picture.path);
        } else {
            HRESULT result = S_OK;
            ComPtr<IUnknown> image = document_.GetImage(picture.index, result);
            // A picture over a limit says so in its failure line rather than calling its data bad.
            outcome = !image && IsImageLimitRefusal(result) ? WriteOutcome::Failed(static_cast<DWORD>(result))
                                                            : SaveImageFile(image.Get(), typeIndex_, picture.path);
        }
        return {outcome.written, outcome.error, outcome.StopsRun()};
    }

  private:
    ScopedCoInit com_;
    WorkerDocument document_;
    int typeIndex_;
};

// Writes one document's planned pictures on several threads, each decoding, converting and
// encoding its pictures, so one picture's decoding overlaps another's encoding. Failures are
// gathered for the report after the run; progress goes to the console as pictures finish.
class CliExtraction : public ExtractCallbacks {
  public:
    CliExtraction(const std::wstring& path,
                  const CliOptions& options,
                  const DocumentOpenResult& opened,
                  const std::vector<PlannedPicture>& pictures,
                  const std::wstring& progressName)
        : path_(path), options_(options), opened_(opened), pictures_(pictures), progressName_(progressName) {}

    std::unique_ptr<PictureWorker> NewWorker(int worker) override {
        auto writer = std::make_unique<CliPictureWorker>(*opened_.collection.Get(), readerLock_, options_.typeIndex);
        // The run's own thread keeps the shared reader; the others open one each.
        if (worker != 0) writer->Document().OpenOwn(path_, options_, opened_.imageCount);
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
    const std::wstring& path_;
    const CliOptions& options_;
    const DocumentOpenResult& opened_;
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

std::vector<std::wstring> ExpandDocumentName(const std::wstring& typed) {
    const size_t nameStart = typed.find_last_of(L"\\/:") == std::wstring::npos ? 0 : typed.find_last_of(L"\\/:") + 1;
    if (typed.find_first_of(L"*?", nameStart) == std::wstring::npos) return {typed};
    const std::wstring folder = typed.substr(0, nameStart);
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data{};
    const HANDLE search = FindFirstFileW(typed.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) found.push_back(folder + data.cFileName);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    std::sort(found.begin(), found.end(),
              [](const std::wstring& a, const std::wstring& b) { return Lower(a) < Lower(b); });
    return found;
}

int RunList(const CliOptions& options) {
    ScopedCoInit com(COINIT_MULTITHREADED);
    bool notOpened = false;
    int failures = 0;
    const std::vector<std::wstring> documents = Documents(options, notOpened);
    std::wstring json = L"[";
    bool firstDocument = true;
    for (const std::wstring& path : documents) {
        DocumentOpenResult opened = Open(path, options);
        if (opened.status != DocumentOpenStatus::kOpened && opened.status != DocumentOpenStatus::kNoImages) {
            WriteErr(OpenFailureText(path, opened, options.password.has_value()) + L"\n");
            notOpened = true;
            continue;
        }
        const std::vector<int> selected = Selection(options, opened.imageCount, path, failures);
        std::wstring text;
        if (options.json) {
            json += std::wstring(firstDocument ? L"" : L",") + L"\n  {\"document\": " + JsonString(path) +
                    L", \"imageCount\": " + std::to_wstring(opened.imageCount) + L", \"images\": [";
        } else {
            text = path + L": " + std::to_wstring(opened.imageCount) + L" images\n";
        }
        firstDocument = false;
        bool firstImage = true;
        for (int index : selected) {
            int width = 0, height = 0;
            opened.collection->GetImageWidth(index, &width);
            opened.collection->GetImageHeight(index, &height);
            const std::wstring name = ImageName(*opened.collection.Get(), index);
            const int stored = StoredFormatOfImage(opened.collection.Get(), index);
            // The reader tells the pixel type from the headers where they settle it; for the
            // other pictures only the decoded image knows it.
            int type = KnownPixelTypeOfImage(opened.collection.Get(), index);
            if (type < 0) {
                ComPtr<IUnknown> object;
                opened.collection->GetImage(index, object.GetAddressOf());
                ComPtr<ReaderImage> image;
                if (object) object->QueryInterface(kIidReaderImage, reinterpret_cast<void**>(image.GetAddressOf()));
                if (image) image->GetPixelType(&type);
            }
            if (options.json) {
                json += std::wstring(firstImage ? L"" : L",") + L"\n    {\"index\": " + std::to_wstring(index + 1) +
                        L", \"name\": " + JsonString(name) + L", \"width\": " + std::to_wstring(width) +
                        L", \"height\": " + std::to_wstring(height) + L", \"pixelType\": " +
                        JsonString(PixelTypeName(type)) + L", \"storedFormat\": " +
                        JsonString(StoredFormatName(stored)) + L"}";
            } else {
                text += L"  " + std::to_wstring(index + 1) + L"\t" + name + L"\t" + std::to_wstring(width) + L"\t" +
                        std::to_wstring(height) + L"\t" + PixelTypeName(type) + L"\t" + StoredFormatName(stored) +
                        L"\n";
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

int RunExtract(const CliOptions& options) {
    ScopedCoInit com(COINIT_MULTITHREADED);
    ScopedGdiplus gdiplus;
    std::wstring folder = FullPath(options.outputFolder);
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';

    bool notOpened = false;
    int failures = 0;
    int written = 0;
    RunPaths runPaths;
    bool folderMade = false;
    const int threads = WorkerCount(options);
    for (const std::wstring& path : Documents(options, notOpened)) {
        DocumentOpenResult opened = Open(path, options);
        if (opened.status != DocumentOpenStatus::kOpened) {
            WriteErr(OpenFailureText(path, opened, options.password.has_value()) + L"\n");
            if (opened.status != DocumentOpenStatus::kNoImages) notOpened = true;
            continue;
        }
        const std::vector<int> selected = Selection(options, opened.imageCount, path, failures);
        if (selected.empty()) continue;
        CollectionPlanSource source(opened.collection.Get());
        RunFiles runFiles(runPaths);
        const ExtractPlan plan =
            PlanExtraction({selected, options.typeIndex, options.fileTemplate, folder, threads}, source, runFiles);
        if (plan.status == PlanStatus::kForbiddenFolder || plan.status == PlanStatus::kForbiddenTemplate) {
            WriteErr(std::wstring(plan.status == PlanStatus::kForbiddenFolder ? L"Folder" : L"File") +
                     L" names cannot hold these characters: " + plan.refused + L"\n");
            return kExitBadArguments;
        }
        if (!folderMade && !(folderMade = MakeFolderPath(folder))) {
            WriteErr(L"The folder " + folder + L" cannot be created.\n");
            return kExitSomeFailed;
        }
        for (const PlannedPicture& picture : plan.outside) {
            WriteErr(picture.path + L": the template leads outside " + folder + L"; not written\n");
            ++failures;
        }
        for (const PlannedPicture& picture : plan.pictures) runPaths.Take(picture.path);
        const bool progress = !options.quiet && ErrIsConsole();
        CliExtraction extraction(path, options, opened, plan.pictures, progress ? path : std::wstring());
        const std::vector<JobFailure> failed = extraction.Run(threads);
        for (const JobFailure& failure : failed)
            WriteErr(failure.path + L": " + SystemErrorText(failure.error) + L"\n");
        failures += static_cast<int>(failed.size());
        written += static_cast<int>(extraction.Summary().processed - failed.size());
        // A full disk fails every later picture too: the run ends here, saying why.
        if (extraction.Summary().stoppedByFailure) {
            WriteErr(L"Stopped: " + SystemErrorText(extraction.Summary().stopReason) + L"\n");
            break;
        }
    }
    if (!options.quiet) WriteErr(std::to_wstring(written) + L" written, " + std::to_wstring(failures) + L" failed.\n");
    if (notOpened) return kExitNotOpened;
    return failures > 0 ? kExitSomeFailed : kExitAllWritten;
}

}  // namespace pictrove::cli
