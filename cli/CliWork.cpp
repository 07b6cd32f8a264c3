// The commands' work on one document: names planned by the extraction engine, pictures written
// on several threads at once, every result kept as a record for the front end to report.
#include "cli/CliWork.h"

#include <algorithm>
#include <cwctype>
#include <mutex>
#include <set>
#include <thread>

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

// One worker of a document's run: the platform's hold on its thread and a reader of its own
// when it could open one (readers need not be reentrant, so one reader decodes one picture at
// a time; the document's file is mapped, so another reader on it costs little memory), else
// the run's shared reader, one picture at a time among the workers that share it.
class CliPictureWorker : public PictureWorker {
  public:
    CliPictureWorker(std::shared_ptr<void> thread, CliDocument& shared, std::mutex& sharedLock, int typeIndex)
        : thread_(std::move(thread)), shared_(shared), sharedLock_(sharedLock), typeIndex_(typeIndex) {}

    void OpenOwn(CliPlatform& platform,
                 const std::wstring& path,
                 const std::optional<std::wstring>& password,
                 int imageCount) {
        OpenedDocument opened = platform.Open(path, password);
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
// encoding its pictures, so one picture's decoding overlaps another's encoding.
class CliExtraction : public ExtractCallbacks {
  public:
    CliExtraction(CliPlatform& platform,
                  const std::wstring& path,
                  const ExtractSettings& settings,
                  CliDocument& document,
                  const std::function<void(size_t)>& progress,
                  DocumentRun& run)
        : platform_(platform), path_(path), settings_(settings), document_(document), progress_(progress), run_(run) {}

    std::unique_ptr<PictureWorker> NewWorker(int worker) override {
        auto writer =
            std::make_unique<CliPictureWorker>(platform_.EnterThread(), document_, readerLock_, settings_.typeIndex);
        // The run's own thread keeps the shared reader; the others open one each.
        if (worker != 0) writer->OpenOwn(platform_, path_, settings_.password, document_.ImageCount());
        return writer;
    }
    void PictureFailed(size_t position, std::uint32_t reason) override {
        run_.outcomes[position] = {true, false, reason};
    }
    void PictureFinished(size_t position, size_t finished) override {
        PictureOutcome& outcome = run_.outcomes[position];
        if (!outcome.processed) outcome = {true, true, 0};
        if (progress_) progress_(finished);
    }

  private:
    CliPlatform& platform_;
    const std::wstring& path_;
    const ExtractSettings& settings_;
    CliDocument& document_;
    const std::function<void(size_t)>& progress_;
    DocumentRun& run_;
    std::mutex readerLock_;
};

}  // namespace

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

ImageRecord ListRecord(CliDocument& document, int index) {
    ImageRecord record;
    record.index = index + 1;
    record.width = document.ImageWidth(index);
    record.height = document.ImageHeight(index);
    record.name = document.ImageName(index);
    record.storedFormat = StoredFormatName(document.StoredFormat(index));
    record.pixelType = PixelTypeName(document.PixelType(index));
    return record;
}

int WorkerCount(int jobs) {
    if (jobs > 0) return jobs;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 16u));
}

bool RunPaths::Taken(const std::wstring& path) const {
    return taken_.count(Lower(path)) != 0;
}

void RunPaths::Take(const std::wstring& path) {
    taken_.insert(Lower(path));
}

ExtractPlan PlanDocument(CliPlatform& platform,
                         CliDocument& document,
                         const std::vector<int>& selected,
                         const ExtractSettings& settings,
                         const RunPaths& runPaths) {
    DocumentPlanSource source(document, platform);
    RunFiles runFiles(runPaths);
    return PlanExtraction({selected, settings.typeIndex, settings.fileTemplate, settings.folder, settings.threads},
                          source, runFiles);
}

std::wstring RefusedPlanText(const ExtractPlan& plan) {
    if (plan.status != PlanStatus::kForbiddenFolder && plan.status != PlanStatus::kForbiddenTemplate) return {};
    return std::wstring(plan.status == PlanStatus::kForbiddenFolder ? L"Folder" : L"File") +
           L" names cannot hold these characters: " + plan.refused;
}

DocumentRun WriteDocument(CliPlatform& platform,
                          const std::wstring& path,
                          CliDocument& document,
                          const std::vector<PlannedPicture>& pictures,
                          const ExtractSettings& settings,
                          const std::function<void(size_t finished)>& progress) {
    DocumentRun run;
    run.outcomes.resize(pictures.size());
    // A template may name folders inside the output folder ("%0II%\\%IN%"): they are made first,
    // each once; one that cannot be made fails its pictures when they are written.
    std::set<std::wstring> folders;
    for (const PlannedPicture& picture : pictures) {
        const size_t separator = picture.path.find_last_of(L"\\/");
        if (separator == std::wstring::npos || separator + 1 <= settings.folder.size()) continue;
        const std::wstring folder = picture.path.substr(0, separator + 1);
        if (folders.insert(folder).second) platform.MakeFolder(folder);
    }
    CliExtraction extraction(platform, path, settings, document, progress, run);
    run.summary = RunExtraction(pictures, extraction, {settings.threads, {}, nullptr});
    return run;
}

}  // namespace pictrove::cli
