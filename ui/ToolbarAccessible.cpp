// The toolbar's own accessible object. Owner-painted buttons have no windows, so no system proxy
// can see them; this object walks the bar's groups on every call, so it never holds stale items.
#include "ui/ToolbarAccessible.h"

#include <wrl/client.h>

#include <new>

#include "common/WindowAccessible.h"
#include "ui/Toolbar.h"

namespace pictrove {

namespace {

bool IsSeparator(const ToolbarButton& item) {
    return (item.kindAndState & kToolbarKindMask) == kToolbarSeparator;
}

struct ItemPlace {
    int group = -1;
    size_t index = 0;
};

class ToolbarAccessible final : public WindowAccessible {
  public:
    explicit ToolbarAccessible(HWND hwnd) : WindowAccessible(hwnd) {}

  private:
    // The bar behind the window, while the window is still one of ours.
    const Toolbar* Bar() const {
        wchar_t className[64] = L"";
        if (!IsWindow(Hwnd()) || !GetClassNameW(Hwnd(), className, 64) ||
            lstrcmpW(className, Toolbar::kClassName) != 0) {
            return nullptr;
        }
        auto* window = reinterpret_cast<Window*>(GetWindowLongPtrW(Hwnd(), GWLP_USERDATA));
        return static_cast<const Toolbar*>(window);
    }
    bool Alive() const override { return Bar() != nullptr; }

    ItemPlace Find(LONG child) const {
        const Toolbar* bar = Bar();
        LONG id = 1;
        for (int group = 0; bar && group < Toolbar::kGroups; ++group) {
            const size_t size = bar->Buttons(group).size();
            if (child < id + static_cast<LONG>(size)) return {group, static_cast<size_t>(child - id)};
            id += static_cast<LONG>(size);
        }
        return {};
    }
    const ToolbarButton* Item(LONG child) const {
        const ItemPlace place = Find(child);
        return place.group < 0 ? nullptr : &Bar()->Buttons(place.group)[place.index];
    }

    LONG ChildCount() const override {
        LONG count = 0;
        if (const Toolbar* bar = Bar()) {
            for (int group = 0; group < Toolbar::kGroups; ++group)
                count += static_cast<LONG>(bar->Buttons(group).size());
        }
        return count;
    }
    std::wstring Name(LONG child) const override {
        if (child == CHILDID_SELF) return Bar()->AccessibleName();
        const ToolbarButton* item = Item(child);
        return item && !IsSeparator(*item) ? item->text : std::wstring();
    }
    LONG Role(LONG child) const override {
        if (child == CHILDID_SELF) return ROLE_SYSTEM_TOOLBAR;
        const ToolbarButton* item = Item(child);
        return item && IsSeparator(*item) ? ROLE_SYSTEM_SEPARATOR : ROLE_SYSTEM_PUSHBUTTON;
    }
    LONG State(LONG child) const override {
        const LONG window = WindowAccessible::State(CHILDID_SELF);
        if (child == CHILDID_SELF) return window;
        const ToolbarButton* item = Item(child);
        LONG state = window & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE);
        if (!item || IsSeparator(*item)) return state;
        if ((item->kindAndState & kToolbarEnabled) == 0) {
            state |= STATE_SYSTEM_UNAVAILABLE;
        } else {
            state |= STATE_SYSTEM_FOCUSABLE;
            const Toolbar* bar = Bar();
            if (GetFocus() == Hwnd() && bar->FocusedCommand() == item->commandId) state |= STATE_SYSTEM_FOCUSED;
        }
        if ((item->kindAndState & kToolbarChecked) != 0) state |= STATE_SYSTEM_CHECKED;
        return state;
    }
    std::wstring DefaultAction(LONG child) const override {
        const ToolbarButton* item = Item(child);
        // The verb Windows' own buttons name; screen readers show it as it is.
        return item && !IsSeparator(*item) ? L"Press" : std::wstring();
    }
    bool DoDefaultAction(LONG child) override {
        const ToolbarButton* item = Item(child);
        if (!item || IsSeparator(*item) || (item->kindAndState & kToolbarEnabled) == 0) return false;
        // Posted, as a click's command would come after the click: a command that runs a modal
        // dialog must not run inside the screen reader's call.
        return PostMessageW(GetParent(Hwnd()), WM_COMMAND, MAKEWPARAM(item->commandId, 0), 0) != FALSE;
    }
    bool ChildBox(LONG child, RECT& box) const override {
        const ItemPlace place = Find(child);
        if (place.group < 0) return false;
        box = Bar()->ButtonBox(place.group, place.index);
        return true;
    }
};

}  // namespace

LRESULT AnswerToolbarGetObject(HWND toolbar, WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return 0;
    // Takes over the reference the object is made with (MinGW's Attach would add one).
    Microsoft::WRL::ComPtr<IAccessible> accessible;
    *accessible.ReleaseAndGetAddressOf() = new (std::nothrow) ToolbarAccessible(toolbar);
    if (!accessible) return 0;
    return LresultFromObject(IID_IAccessible, wParam, accessible.Get());
}

LONG ToolbarChildId(const Toolbar& toolbar, int group, size_t index) {
    LONG id = 1;
    for (int g = 0; g < group && g < Toolbar::kGroups; ++g) id += static_cast<LONG>(toolbar.Buttons(g).size());
    return id + static_cast<LONG>(index);
}

}  // namespace pictrove
