// The extraction worker and its wiring to the progress window.
#include "extract/ExtractJob.h"

#include "extract/OutputNaming.h"
#include "common/GdiplusHolders.h"
#include "common/Handles.h"

namespace pictrove {

namespace {
constexpr DWORD kPauseAfterImageMs = 10;
}

ExtractJob::ExtractJob(ImageCollection* collection,
                       int typeIndex,
                       std::wstring folder,
                       std::wstring fileTemplate,
                       const std::vector<int>& indices)
    : folder_(std::move(folder)), template_(std::move(fileTemplate)), writer_(collection, typeIndex) {
    if (!collection) return;
    collection_ = collection;
    indices_ = indices;
    collection_->GetImageCount(&imageCount_);
    // A folder that cannot be made shows up as failed writes, reported when the job ends.
    MakeFolderPath(folder_);
}

ExtractJob::~ExtractJob() {
    Stop();
}

INT_PTR ExtractJob::RunModal(HWND owner) {
    ProgressDialog dialog(*this);
    const INT_PTR result = dialog.RunModal(owner);
    // After the done message the worker may still be finishing its last lines: join it before
    // reading what it recorded.
    Stop();
    failures_.Report(static_cast<int>(indices_.size()));
    return result;
}

int ExtractJob::StepCount() const {
    return writer_.Enabled() ? static_cast<int>(indices_.size()) : 0;
}

void ExtractJob::StartWork(HWND window) {
    window_ = window;
    Start();
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
        const std::wstring padFormat = IndexPadFormat(imageCount_);
        const size_t count = indices_.size();
        for (size_t i = 0; IsRunning() && i < count; ++i) {
            const int index = indices_[i];
            PostMessageW(window_, WM_EXTRACT_PROGRESS, static_cast<WPARAM>(i), 0);
            const std::wstring path = BuildOutputPath(collection_.Get(), folder_, template_, index, padFormat);
            WriteOutcome outcome;
            writer_.WriteImage(index, path, outcome);
            failures_.Record(path, outcome);
            Sleep(kPauseAfterImageMs);
        }
    }
    PostMessageW(window_, WM_EXTRACT_DONE, 0, 0);
    return 0;
}

void ExtractImages(ImageCollection* collection, const std::vector<int>& indices, const ExtractSettings& settings) {
    ExtractJob job(collection, settings.typeIndex, settings.folder, settings.fileTemplate, indices);
    job.RunModal(GetActiveWindow());
}

}  // namespace pictrove
