// Keeping the focused child of a top-level window across its deactivation.
#include "ui/FocusMemory.h"

namespace pictrove {

namespace {

bool IsUsableChild(HWND top, HWND child) {
    return child && child != top && IsWindow(child) && IsChild(top, child) && IsWindowVisible(child) &&
           IsWindowEnabled(child);
}

}  // namespace

void FocusMemory::Note(HWND top) {
    HWND focus = GetFocus();
    if (IsUsableChild(top, focus)) noted_ = focus;
}

bool FocusMemory::Restore(HWND top) const {
    if (!IsUsableChild(top, noted_)) return false;
    SetFocus(noted_);
    return GetFocus() == noted_;
}

}  // namespace pictrove
