// The extraction worker and its wiring to the progress window.
#include "extract/ExtractJob.h"

#include "extract/ExistingFilesQuestion.h"
#include "extract/OutputNaming.h"
#include "extract/StoredPictureFile.h"
#include "common/GdiplusHolders.h"
#include "common/Handles.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

namespace {

constexpr DWORD kPauseAfterImageMs = 10;

}  // namespace

ExtractJob::ExtractJob(ImageCollection* collection,
                       int typeIndex,
                       std::wstring folder,
                       std::wstring fileTemplate,
                       const std::vector<int>& indices)
    : folder_(std::move(folder)), template_(std::move(fileTemplate)), writer_(collection, typeIndex) {
    if (!collection) return;
    // The original format puts each picture's own extension on; one typed into the template goes.
    if (typeIndex == kOriginalImageType) template_ = FixTemplateExtension(template_, L"");
    collection_ = collection;
    indices_ = indices;
    collection_->GetImageCount(&imageCount_);
    // All names up front, on this thread: collisions and existing files are settled before the
    // worker starts, and any question about them is asked here, not from the worker.
    const std::wstring padFormat = IndexPadFormat(imageCount_);
    namedPaths_.reserve(indices_.size());
    for (int index : indices_) {
        std::wstring path = BuildOutputPath(collection_.Get(), folder_, template_, index, padFormat);
        // The template of the original format has no extension: each picture takes its own.
        if (typeIndex == kOriginalImageType)
            path += OriginalFormatExtension(StoredFormatOfImage(collection_.Get(), index));
        namedPaths_.push_back(std::move(path));
    }
    paths_ = DistinctOutputPaths(namedPaths_, false, nullptr);
}

ExtractJob::~ExtractJob() {
    Stop();
}

bool ExtractJob::SettleExistingFiles(HWND owner) {
    std::vector<const std::wstring*> existing;
    for (const std::wstring& path : paths_) {
        if (OutputFileExists(path)) existing.push_back(&path);
    }
    if (existing.empty()) return true;
    switch (AskAboutExistingFiles(owner, static_cast<int>(existing.size()), *existing.front())) {
        case ExistingFilesChoice::kReplace:
            return true;
        case ExistingFilesChoice::kKeepBoth:
            paths_ = DistinctOutputPaths(namedPaths_, true, &OutputFileExists);
            return true;
        case ExistingFilesChoice::kCancel:
        default:
            return false;
    }
}

INT_PTR ExtractJob::RunModal(HWND owner) {
    if (writer_.MissingEncoder()) {
        ShowProgramMessage(FormatUiString(IDS_NO_ENCODER, {ImageTypeLabel(writer_.TypeIndex())}), MB_ICONERROR);
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
        const size_t count = indices_.size();
        for (size_t i = 0; IsRunning() && i < count; ++i) {
            PostMessageW(window_, WM_EXTRACT_PROGRESS, static_cast<WPARAM>(i), 0);
            failures_.Record(paths_[i], writer_.WriteImage(indices_[i], paths_[i]));
            processed_ = static_cast<int>(i) + 1;
            Sleep(kPauseAfterImageMs);
        }
    }
    PostMessageW(window_, WM_EXTRACT_DONE, 0, 0);
    return 0;
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
