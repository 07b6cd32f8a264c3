// The extraction worker and its wiring to the progress window.
#include "extract/ExtractJob.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "extract/ExistingFilesQuestion.h"
#include "extract/OutputNaming.h"
#include "extract/StoredPictureFile.h"
#include "common/GdiplusHolders.h"
#include "common/Handles.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

namespace {

// A rest after each picture leaves the machine to the user while a long job runs.
constexpr std::chrono::milliseconds kPauseAfterImage{10};

// Files on the disk, and the window's question about them.
class FilesOnDisk : public ExistingFiles {
  public:
    explicit FilesOnDisk(HWND owner) : owner_(owner) {}
    bool Exists(const std::wstring& path) override { return OutputFileExists(path); }
    ExistingChoice Ask(int count, const std::wstring& firstPath) override {
        switch (AskAboutExistingFiles(owner_, count, firstPath)) {
            case ExistingFilesChoice::kReplace:
                return ExistingChoice::kReplace;
            case ExistingFilesChoice::kKeepBoth:
                return ExistingChoice::kKeepBoth;
            case ExistingFilesChoice::kCancel:
            default:
                return ExistingChoice::kCancel;
        }
    }

  private:
    HWND owner_;
};

// Workers of a job: one a processor, at most four. The collection decodes one picture at a time;
// the others convert, encode and write meanwhile.
int JobWorkers() {
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 4u));
}

// The window's pictures go through its one writer (the collection and the encoders take calls
// from any thread); a worker of its own thread joins the multithreaded apartment first.
class WindowPictureWorker : public PictureWorker {
  public:
    WindowPictureWorker(ImageFileWriter& writer, bool ownThread) : writer_(writer) {
        if (ownThread) com_.emplace(COINIT_MULTITHREADED);
    }
    PictureResult Write(const PlannedPicture& picture) override {
        const WriteOutcome outcome = writer_.WriteImage(picture.index, picture.path);
        return {outcome.written, outcome.error, outcome.StopsRun()};
    }

  private:
    std::optional<ScopedCoInit> com_;
    ImageFileWriter& writer_;
};

std::vector<std::wstring> PathsOf(const ExtractPlan& plan) {
    std::vector<std::wstring> paths;
    for (const PlannedPicture& picture : plan.pictures) paths.push_back(picture.path);
    return paths;
}

}  // namespace

ExtractJob::ExtractJob(ImageCollection* collection,
                       int typeIndex,
                       std::wstring folder,
                       std::wstring fileTemplate,
                       const std::vector<int>& indices)
    : folder_(folder), writer_(collection, typeIndex) {
    if (!collection) return;
    collection_ = collection;
    indices_ = indices;
    // All names up front, on this thread: collisions and existing files are settled before the
    // worker starts, and any question about them is asked here, not from the worker.
    CollectionPlanSource source(collection_.Get());
    imageCount_ = source.ImageCount();
    plan_ = PlanNames({indices, typeIndex, std::move(fileTemplate), std::move(folder), 1}, source);
    paths_ = PathsOf(plan_);
}

ExtractJob::~ExtractJob() {
    Stop();
}

bool ExtractJob::SettleExistingFiles(HWND owner) {
    FilesOnDisk files(owner);
    pictrove::SettleExistingFiles(plan_, files);
    paths_ = PathsOf(plan_);
    return plan_.status != PlanStatus::kCancelled;
}

INT_PTR ExtractJob::RunModal(HWND owner) {
    // The settings refuse such names before a job is made; a job from elsewhere writes nothing.
    if (plan_.status == PlanStatus::kForbiddenFolder || plan_.status == PlanStatus::kForbiddenTemplate) {
        const UINT text = plan_.status == PlanStatus::kForbiddenFolder ? IDS_FOLDER_FORBIDDEN : IDS_TEMPLATE_FORBIDDEN;
        ShowProgramMessage(FormatUiString(text, {plan_.refused}), MB_ICONERROR);
        return IDCANCEL;
    }
    if (StepCount() > 0) {
        if (!SettleExistingFiles(owner)) return IDCANCEL;
        // A folder that cannot be made shows up as failed writes, reported when the job ends.
        MakeFolderPath(folder_);
    }
    ProgressDialog dialog(*this);
    const INT_PTR result = dialog.RunModal(owner);
    // After the done message the worker may still be finishing its last lines: join it before
    // reading what it recorded.
    Stop();
    if (StartError() != 0) {
        ShowProgramMessage(FormatUiString(IDS_EXTRACT_NOT_STARTED, {SystemErrorText(StartError())}), MB_ICONERROR);
    } else {
        if (failures_.Count() > 0)
            ShowProgramMessage(failures_.Message(static_cast<int>(indices_.size())), MB_ICONINFORMATION);
    }
    return result;
}

int ExtractJob::StepCount() const {
    return writer_.Enabled() ? static_cast<int>(indices_.size()) : 0;
}

bool ExtractJob::StartWork(HWND window) {
    window_ = window;
    return Start();
}

void ExtractJob::StopWork() {
    Stop();
}

DWORD ExtractJob::Run() {
    if (!writer_.Enabled()) {
        PostMessageW(window_, WM_EXTRACT_DONE, 0, 0);
        return 0;
    }
    {
        // The collection is called from this thread directly, as the readers allow.
        ScopedCoInit com(COINIT_APARTMENTTHREADED);
        ScopedGdiplus gdiplus;
        // A path the template leads out of the folder is never written; it fails with the rest.
        for (const PlannedPicture& picture : plan_.outside)
            failures_.Record(picture.path, WriteOutcome::Failed(ERROR_BAD_PATHNAME));
        processed_ = static_cast<int>(plan_.outside.size());
        const RunSummary summary =
            RunExtraction(plan_.pictures, *this, {JobWorkers(), kPauseAfterImage, [this] { return !IsRunning(); }});
        processed_ += static_cast<int>(summary.processed);
    }
    PostMessageW(window_, WM_EXTRACT_DONE, 0, 0);
    return 0;
}

std::unique_ptr<PictureWorker> ExtractJob::NewWorker(int worker) {
    return std::make_unique<WindowPictureWorker>(writer_, worker != 0);
}

void ExtractJob::PictureStarting(size_t position) {
    PostMessageW(window_, WM_EXTRACT_PROGRESS, static_cast<WPARAM>(plan_.outside.size() + position), 0);
}

void ExtractJob::PictureFailed(size_t position, std::uint32_t reason) {
    failures_.Record(plan_.pictures[position].path, WriteOutcome::Failed(reason));
}

ExtractOutcome ExtractImages(ImageCollection* collection,
                             const std::vector<int>& indices,
                             const ExtractSettings& settings) {
    ExtractJob job(collection, settings.typeIndex, settings.folder, settings.fileTemplate, indices);
    job.RunModal(GetActiveWindow());
    ExtractOutcome outcome;
    outcome.ran = job.Processed() > 0;
    outcome.failed = job.Failures().Count();
    outcome.written = job.Processed() - outcome.failed;
    outcome.folder = settings.folder;
    return outcome;
}

std::wstring ExtractOutcomeText(const ExtractOutcome& outcome) {
    if (!outcome.ran) return {};
    if (outcome.failed == 0) return FormatUiString(IDS_EXTRACT_WRITTEN, {outcome.written, outcome.folder});
    return FormatUiString(IDS_EXTRACT_WRITTEN_FAILED, {outcome.written, outcome.folder, outcome.failed});
}

}  // namespace pictrove
