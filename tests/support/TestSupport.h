// Helpers for tests that run real windows under Wine: message pumping, and capturing the
// message boxes and dialogs a modal operation shows, answering them without a user.
#pragma once

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace pictrove::test {

// Dispatches every pending message of this thread.
void PumpMessages();

struct CapturedBox {
    std::wstring caption;
    std::wstring text;
    UINT icon = 0;  // MB_ICONERROR, MB_ICONINFORMATION, MB_ICONWARNING, MB_ICONQUESTION or 0
    bool hasOwner = false;
};

// While alive, every dialog-class window (#32770) activated on this thread is handed to
// onDialog; message boxes are recorded and closed with their default button.
class DialogCapture {
  public:
    using DialogHandler = std::function<void(HWND dialog)>;
    explicit DialogCapture(DialogHandler onDialog = {});
    ~DialogCapture();
    DialogCapture(const DialogCapture&) = delete;
    DialogCapture& operator=(const DialogCapture&) = delete;

    const std::vector<CapturedBox>& Boxes() const { return boxes_; }
    int DialogCount() const { return dialogs_; }

  private:
    static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam);
    void OnActivate(HWND window);

    HHOOK hook_ = nullptr;
    DialogHandler onDialog_;
    std::vector<CapturedBox> boxes_;
    int dialogs_ = 0;
};

// Posts the button's command to the dialog, at once or, when PICTROVE_HOLD_DIALOG_MS is set,
// after that many milliseconds so a screenshot can be taken of the dialog as a test shows it.
void AnswerLater(HWND dialog, UINT button);

// Text of a dialog control.
std::wstring DialogItemText(HWND dialog, int id);

// The texts of a window and all its descendants, one per line: what a task dialog shows.
std::wstring AllWindowText(HWND window);

// The folder of the running test program, with a trailing backslash.
std::wstring ProgramFolder();

// A fresh folder under the system temp folder, removed with its files when the object dies.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return path_; }  // with a trailing backslash
    std::wstring File(const std::wstring& name) const { return path_ + name; }

  private:
    std::wstring path_;
};

bool WriteFileBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> ReadFileBytes(const std::wstring& path);

}  // namespace pictrove::test
