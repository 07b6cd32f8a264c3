// Progress window: a bar over the whole job, "Extract image i from n", and Cancel.
#include "extract/ProgressDialog.h"

#include <commctrl.h>

#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

ProgressDialog::ProgressDialog(Work& work) : ModalDialogImpl(IDD_PROGRESS), work_(work) {}

std::span<const MessageEntry<ProgressDialog>> ProgressDialog::MessageTable() {
    static constexpr MessageEntry<ProgressDialog> kTable[] = {
        OnMessage<ProgressDialog>(WM_INITDIALOG, &ProgressDialog::OnInitDialog),
        OnMessage<ProgressDialog>(WM_EXTRACT_PROGRESS, &ProgressDialog::OnProgress),
        OnMessage<ProgressDialog>(WM_EXTRACT_DONE, &ProgressDialog::OnDone),
        // The close box arrives here too: the dialog manager turns WM_CLOSE into IDCANCEL.
        OnCommand<ProgressDialog>(IDCANCEL, &ProgressDialog::OnCancel),
    };
    return kTable;
}

LRESULT ProgressDialog::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
    closing_ = false;
    HWND owner = GetWindow(Hwnd(), GW_OWNER);
    CenterWindow(Hwnd(), owner && IsWindowVisible(owner) ? owner : nullptr);
    steps_ = work_.StepCount();
    if (steps_ <= 0) {
        Close(IDCANCEL);
        return TRUE;
    }
    bar_ = GetDlgItem(Hwnd(), IDC_PROGRESS_BAR);
    // The 32-bit range: the 16-bit one would wrap beyond 65535 images.
    SendMessageW(bar_, PBM_SETRANGE32, 0, steps_);
    // The first picture is under way from the start: the label says so before any report comes.
    ShowPosition(0);
    // Without a worker no message would ever come: the window must not wait for one.
    if (!work_.StartWork(Hwnd())) Close(IDCANCEL);
    return TRUE;
}

LRESULT ProgressDialog::OnProgress(UINT, WPARAM wParam, LPARAM, bool&) {
    ShowPosition(static_cast<int>(wParam));
    return 0;
}

void ProgressDialog::ShowPosition(int position) {
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    const std::wstring text =
        FormatUiString(IDS_EXTRACT_PROGRESS, {static_cast<long long>(position) + 1, static_cast<long long>(steps_)});
    SetDlgItemTextW(Hwnd(), IDC_PROGRESS_TEXT, text.c_str());
}

LRESULT ProgressDialog::OnDone(UINT, WPARAM, LPARAM, bool&) {
    Close(IDOK);
    return 0;
}

LRESULT ProgressDialog::OnCancel(UINT, WPARAM, LPARAM, bool&) {
    if (closing_) return 0;
    // Blocks until the image being written is finished: the worker only posts to us, so it
    // never waits for this thread.
    work_.StopWork();
    Close(IDCANCEL);
    return 0;
}

void ProgressDialog::Close(INT_PTR result) {
    if (closing_) return;
    closing_ = true;
    EndDialog(Hwnd(), result);
}

}  // namespace pictrove
