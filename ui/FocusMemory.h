// The child of a top-level window that had the keyboard focus before a dialog, a message box or
// another program took the activation, so the focus goes back there and not to the bare window.
#pragma once

#include <windows.h>

namespace pictrove {

class FocusMemory {
  public:
    // Notes the focused child of top, if any; a focus elsewhere (or none) leaves the last note.
    // Called whenever the focus may have moved for good: on idle and when top is deactivated
    // (a modal dialog disables its owner, which may drop the focus before the deactivation).
    void Note(HWND top);
    // Gives the focus back to the noted child if it is still a visible, enabled part of top.
    // True when it did; the caller then keeps the default activation from focusing top itself.
    bool Restore(HWND top) const;
    HWND Noted() const { return noted_; }

  private:
    HWND noted_ = nullptr;
};

}  // namespace pictrove
