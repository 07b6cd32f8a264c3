// One extraction of several images: the progress window on the user-interface thread, and the
// engine's plan and run on worker threads that convert and write the images, one processor's
// worth of them at a time, each resting a moment after each picture.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "engine/ExtractRunner.h"
#include "extract/ImageFileWriter.h"
#include "extract/ProgressDialog.h"
#include "extract/WorkerThread.h"
#include "contracts/ReaderContract.h"

namespace pictrove {

class ExtractJob : private WorkerThread, private ProgressDialog::Work, private ExtractCallbacks {
  public:
    // Takes a reference on the collection, asks it for the image count and the image names and
    // plans every output path, distinct within the job. Without a collection nothing is taken
    // and the job has nothing to do.
    ExtractJob(ImageCollection* collection,
               int typeIndex,
               std::wstring folder,
               std::wstring fileTemplate,
               const std::vector<int>& indices);
    ~ExtractJob() override;

    // Says so and stops when there is no encoder for the type, or when the folder or the template
    // holds characters no file name may have. When output files exist already, asks once
    // whether to replace them, keep both (the new files get numbered names) or cancel (nothing
    // is written). Then creates the folder and shows the progress window until the job
    // ends or is cancelled. Afterwards one message box tells of images that could not be
    // written, or of a worker that could not be started. Returns 1 when the job ran to its end,
    // 2 when it was cancelled or had nothing to do.
    INT_PTR RunModal(HWND owner);

    const WriteFailures& Failures() const { return failures_; }
    // Images the worker went through (written or failed): fewer than asked after a cancel.
    int Processed() const { return processed_; }
    int ImageCount() const { return imageCount_; }
    // The path of each image, in the order of writing; an image whose path the template leads
    // out of the folder has none and fails.
    const std::vector<std::wstring>& OutputPaths() const { return paths_; }

  private:
    // WorkerThread
    DWORD Run() override;
    // ProgressDialog::Work
    int StepCount() const override;
    bool StartWork(HWND window) override;
    void StopWork() override;

    // ExtractCallbacks, on the worker thread
    std::unique_ptr<PictureWorker> NewWorker(int worker) override;
    void PictureStarting(size_t position) override;
    void PictureFailed(size_t position, std::uint32_t reason) override;

    // False when the user cancelled at the question about existing files.
    bool SettleExistingFiles(HWND owner);

    std::wstring folder_;
    ImageFileWriter writer_;
    Microsoft::WRL::ComPtr<ImageCollection> collection_;
    std::vector<int> indices_;
    ExtractPlan plan_;
    std::vector<std::wstring> paths_;  // what is written
    int imageCount_ = 0;
    HWND window_ = nullptr;
    WriteFailures failures_;  // written by the worker, read after it has ended
    int processed_ = 0;       // likewise
};

// What the extract settings confirm: the folder (ending with a backslash), the file-name
// template and the image type index.
struct ExtractSettings {
    std::wstring folder;
    std::wstring fileTemplate;
    int typeIndex = 3;
};

// What one job did, for the window to tell: nothing when it never got to write.
struct ExtractOutcome {
    bool ran = false;
    int written = 0;
    int failed = 0;
    std::wstring folder;
};

// Runs one job over the given collection indices, owned by the active window.
ExtractOutcome ExtractImages(ImageCollection* collection,
                             const std::vector<int>& indices,
                             const ExtractSettings& settings);

// The status line after a job: how many images were written where, and how many failed.
std::wstring ExtractOutcomeText(const ExtractOutcome& outcome);

}  // namespace pictrove
