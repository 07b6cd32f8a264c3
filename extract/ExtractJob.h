// One extraction of several images: the progress window on the user-interface thread and a
// worker thread that names, converts and writes the images one after the other.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "extract/ImageFileWriter.h"
#include "extract/ProgressDialog.h"
#include "extract/WorkerThread.h"
#include "contracts/ReaderContract.h"

namespace pictrove {

class ExtractJob : private WorkerThread, private ProgressDialog::Work {
public:
    // Takes a reference on the collection, asks it for the image count and creates the folder.
    // Without a collection nothing is taken and the job has nothing to do.
    ExtractJob(ImageCollection* collection,
               int typeIndex,
               std::wstring folder,
               std::wstring fileTemplate,
               const std::vector<int>& indices);
    ~ExtractJob() override;

    // Shows the progress window until the job ends or is cancelled. When images could not be
    // written, one message box says so after the window has closed. Returns the window's result
    // (1 done, 2 cancelled or nothing to do).
    INT_PTR RunModal(HWND owner);

    const WriteFailures& Failures() const { return failures_; }
    int ImageCount() const { return imageCount_; }

private:
    // WorkerThread
    DWORD Run() override;
    // ProgressDialog::Work
    int StepCount() const override;
    void StartWork(HWND window) override;
    void StopWork() override;

    std::wstring folder_;
    std::wstring template_;
    ImageFileWriter writer_;
    Microsoft::WRL::ComPtr<ImageCollection> collection_;
    std::vector<int> indices_;
    int imageCount_ = 0;
    HWND window_ = nullptr;
    WriteFailures failures_;  // written by the worker, read after it has ended
};

// What the extract settings confirm: the folder (ending with a backslash), the file-name
// template and the image type index.
struct ExtractSettings {
    std::wstring folder;
    std::wstring fileTemplate;
    int typeIndex = 3;
};

// Runs one job over the given collection indices, owned by the active window.
void ExtractImages(ImageCollection* collection, const std::vector<int>& indices, const ExtractSettings& settings);

}  // namespace pictrove
