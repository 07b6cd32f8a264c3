// Dialog 1007: the progress window of an extraction, fed by two messages its worker posts.
#pragma once

#include "ui/Window.h"

namespace pictrove {

// Posted by the worker, never sent, so it never waits for the window.
inline constexpr UINT WM_EXTRACT_PROGRESS = 0x9001;  // wParam: position in the job, 0-based
inline constexpr UINT WM_EXTRACT_DONE = 0x9002;

class ProgressDialog : public ModalDialogImpl<ProgressDialog> {
  public:
    // The work behind the window.
    class Work {
      public:
        virtual ~Work() = default;
        // Number of steps; 0 closes the window at once without starting anything.
        virtual int StepCount() const = 0;
        // Starts the worker, which posts its messages to window. False when it could not be
        // started: the window then closes at once, and the work tells the user why.
        virtual bool StartWork(HWND window) = 0;
        // Stops the worker; returns once it has ended.
        virtual void StopWork() = 0;
    };

    explicit ProgressDialog(Work& work);

    static std::span<const MessageEntry<ProgressDialog>> MessageTable();

  private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnProgress(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDone(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnCancel(UINT, WPARAM, LPARAM, bool&);
    void Close(INT_PTR result);
    // Bar and label for the picture at position (0-based) of the job.
    void ShowPosition(int position);

    Work& work_;
    HWND bar_ = nullptr;
    int steps_ = 0;
    bool closing_ = false;
};

}  // namespace pictrove
