// Toolbar window: layout, hit testing, tooltips, states, and painting with a vertical gradient,
// pale hot and pressed boxes and lifted images.
#include "ui/Toolbar.h"

#include <windowsx.h>

#include <algorithm>

#include "common/Handles.h"
#include "ui/ToolbarAccessible.h"

namespace pictrove {

namespace {

constexpr int kImageTop = 4;

UINT StateBitFor(UINT message) {
    switch (message) {
        case kToolbarSetEnabled:
            return kToolbarEnabled;
        case kToolbarSetChecked:
            return kToolbarChecked;
        case kToolbarSetState80:
            return kToolbarState80;
        case kToolbarSetState40:
            return kToolbarState40;
        default:
            return 0;
    }
}

int GroupWidth(const std::vector<ToolbarButton>& group) {
    return group.empty() ? 0 : group.back().x + group.back().width;
}

TRIVERTEX Vertex(int x, int y, Rgb color) {
    return TRIVERTEX{x,
                     y,
                     static_cast<COLOR16>(color.red << 8),
                     static_cast<COLOR16>(color.green << 8),
                     static_cast<COLOR16>(color.blue << 8),
                     0};
}

}  // namespace

std::span<const MessageEntry<Toolbar>> Toolbar::MessageTable() {
    static constexpr MessageEntry<Toolbar> kTable[] = {
        OnMessage<Toolbar>(WM_CREATE, &Toolbar::OnCreate),
        OnMessage<Toolbar>(WM_DESTROY, &Toolbar::OnDestroy),
        OnMessage<Toolbar>(WM_SIZE, &Toolbar::OnSize),
        OnMessage<Toolbar>(WM_PAINT, &Toolbar::OnPaint),
        OnMessage<Toolbar>(WM_ERASEBKGND, &Toolbar::OnEraseBackground),
        OnMessage<Toolbar>(WM_SYSCOLORCHANGE, &Toolbar::OnColorChange),
        OnMessage<Toolbar>(WM_SETTINGCHANGE, &Toolbar::OnColorChange),
        OnMessage<Toolbar>(WM_MOUSEMOVE, &Toolbar::OnMouseMove),
        OnMessage<Toolbar>(WM_MOUSELEAVE, &Toolbar::OnMouseLeave),
        OnMessage<Toolbar>(WM_LBUTTONDOWN, &Toolbar::OnLButtonDown),
        OnMessage<Toolbar>(WM_LBUTTONUP, &Toolbar::OnLButtonUp),
        OnMessage<Toolbar>(kToolbarSetEnabled, &Toolbar::OnStateMessage),
        OnMessage<Toolbar>(kToolbarSetChecked, &Toolbar::OnStateMessage),
        OnMessage<Toolbar>(kToolbarSetState80, &Toolbar::OnStateMessage),
        OnMessage<Toolbar>(kToolbarSetState40, &Toolbar::OnStateMessage),
        OnMessage<Toolbar>(WM_SETFOCUS, &Toolbar::OnSetFocus),
        OnMessage<Toolbar>(WM_KILLFOCUS, &Toolbar::OnKillFocus),
        OnMessage<Toolbar>(WM_GETDLGCODE, &Toolbar::OnGetDlgCode),
        OnMessage<Toolbar>(WM_KEYDOWN, &Toolbar::OnKeyDown),
        OnMessage<Toolbar>(WM_GETOBJECT, &Toolbar::OnGetObject),
    };
    return kTable;
}

HWND Toolbar::Create(HWND parent, const RECT& rect, HIMAGELIST normal, HIMAGELIST disabled, UINT dpi) {
    dpi_ = dpi;
    normalImages_ = normal;
    disabledImages_ = disabled;
    RegisterWindowClassOnce(kClassName, StandardWindowProc, 0, LoadCursorW(nullptr, IDC_ARROW), nullptr);
    return Window::Create(kClassName, parent, L"Standart", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                          rect);
}

void Toolbar::AddButton(int group, UINT commandId, int imageIndex, int width, std::wstring toolText) {
    if (group < 0 || group >= kGroups) return;
    auto& items = groups_[group];
    ToolbarButton button;
    button.commandId = commandId;
    button.text = std::move(toolText);
    button.kindAndState = kToolbarImageButton | kToolbarEnabled;
    button.x = items.empty() ? 0 : items.back().x + items.back().width + Gap();
    button.width = width;
    button.imageIndex = imageIndex;
    items.push_back(std::move(button));
    Layout();
    AddTool(group, items.size() - 1);
}

void Toolbar::SetDpi(UINT dpi, HIMAGELIST normal, HIMAGELIST disabled) {
    normalImages_ = normal;
    disabledImages_ = disabled;
    if (dpi != 0 && dpi != dpi_) {
        const UINT old = dpi_;
        dpi_ = dpi;
        for (auto& items : groups_) {
            int x = 0;
            for (auto& item : items) {
                if ((item.kindAndState & kToolbarKindMask) != kToolbarSeparator) {
                    item.width = RescaleDpi(item.width, old, dpi);
                }
                item.x = x;
                x += item.width + Gap();
            }
        }
    }
    Layout();
    UpdateToolRects();
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Toolbar::AddSeparator(int group) {
    if (group < 0 || group >= kGroups) return;
    auto& items = groups_[group];
    ToolbarButton separator;
    separator.kindAndState = kToolbarSeparator;
    separator.x = items.empty() ? 0 : items.back().x + items.back().width + Gap();
    separator.width = 1;
    items.push_back(separator);
    Layout();
}

RECT Toolbar::ButtonBox(int group, size_t index) const {
    const ToolbarButton& item = groups_[group][index];
    RECT client{};
    if (Hwnd()) GetClientRect(Hwnd(), &client);
    const int left = origins_[group] + item.x - Gap() / 2;
    return RECT{left, client.top, left + item.width + Gap(), client.bottom};
}

const ToolbarButton* Toolbar::FindButton(UINT commandId) const {
    for (const auto& group : groups_) {
        for (const auto& item : group) {
            if ((item.kindAndState & kToolbarKindMask) != kToolbarSeparator && item.commandId == commandId)
                return &item;
        }
    }
    return nullptr;
}

void Toolbar::Layout() {
    RECT client{};
    if (Hwnd()) GetClientRect(Hwnd(), &client);
    const int width = client.right - client.left;
    const int width0 = GroupWidth(groups_[0]);
    const int width1 = GroupWidth(groups_[1]);
    const int width2 = GroupWidth(groups_[2]);
    origins_[0] = groups_[0].empty() ? 0 : Margin();
    const int end0 = origins_[0] + width0;
    origins_[1] = std::max((width - width1) / 2, end0 + Gap());
    const int end1 = origins_[1] + width1;
    origins_[2] = std::max({width - Margin() - width2, end1 + Gap(), end0 + Gap()});
}

LRESULT Toolbar::OnCreate(UINT, WPARAM, LPARAM, bool&) {
    colors_ = DeriveToolbarColors(ReadSystemColors());
    Layout();
    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr, ResourceInstance(), nullptr);
    if (tooltip_) {
        SetWindowPos(tooltip_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
    }
    return 0;
}

void Toolbar::SetToolText(UINT commandId, const std::wstring& text) {
    for (auto& group : groups_) {
        for (auto& item : group) {
            const bool separator = (item.kindAndState & kToolbarKindMask) == kToolbarSeparator;
            if (!separator && item.commandId == commandId) item.text = text;
        }
    }
    if (!tooltip_) return;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = Hwnd();
    tool.uId = commandId;
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Toolbar::AddTool(int group, size_t index) {
    const ToolbarButton& item = groups_[group][index];
    if (!tooltip_ || (item.kindAndState & kToolbarKindMask) == kToolbarSeparator) return;
    std::wstring text = item.text;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = Hwnd();
    tool.uId = item.commandId;
    tool.rect = ButtonBox(group, index);
    tool.lpszText = text.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
}

void Toolbar::UpdateToolRects() {
    if (!tooltip_) return;
    for (int group = 0; group < kGroups; ++group) {
        for (size_t i = 0; i < groups_[group].size(); ++i) {
            const ToolbarButton& item = groups_[group][i];
            if ((item.kindAndState & kToolbarKindMask) == kToolbarSeparator) continue;
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.hwnd = Hwnd();
            tool.uId = item.commandId;
            tool.rect = ButtonBox(group, i);
            SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
}

LRESULT Toolbar::OnDestroy(UINT, WPARAM, LPARAM, bool&) {
    if (tooltip_) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    return 0;
}

LRESULT Toolbar::OnSize(UINT, WPARAM, LPARAM, bool&) {
    Layout();
    UpdateToolRects();
    InvalidateRect(Hwnd(), nullptr, TRUE);
    return 0;
}

LRESULT Toolbar::OnEraseBackground(UINT, WPARAM, LPARAM, bool&) {
    return 1;
}

LRESULT Toolbar::OnColorChange(UINT, WPARAM, LPARAM, bool&) {
    colors_ = DeriveToolbarColors(ReadSystemColors());
    InvalidateRect(Hwnd(), nullptr, TRUE);
    return 0;
}

// The gradient always spans the whole height, so any strip of it can be repainted alone.
void Toolbar::DrawBackground(HDC dc, const RECT& rect) const {
    RECT client{};
    GetClientRect(Hwnd(), &client);
    TRIVERTEX vertices[2] = {Vertex(rect.left, client.top, colors_.barTop),
                             Vertex(rect.right, client.bottom, colors_.barBase)};
    GRADIENT_RECT span{0, 1};
    GradientFill(dc, vertices, 2, &span, 1, GRADIENT_FILL_RECT_V);
}

void Toolbar::DrawImage(HDC dc, const ToolbarButton& item, int x, int y, bool enabled, bool hot, bool pressed) const {
    HIMAGELIST images = enabled ? normalImages_ : disabledImages_;
    if (!images || item.imageIndex < 0) return;
    int imageWidth = 0, imageHeight = 0;
    ImageList_GetIconSize(images, &imageWidth, &imageHeight);
    const int left = x + (item.width - imageWidth) / 2;
    if (!enabled || pressed || !hot) {
        ImageList_Draw(images, item.imageIndex, dc, left, y, ILD_TRANSPARENT);
        return;
    }
    // Lifted: a one-colour shadow down and to the right, the picture up and to the left.
    UniqueIcon icon(ImageList_GetIcon(images, item.imageIndex, ILD_NORMAL));
    UniqueBrush shadow(CreateSolidBrush(colors_.imageShadow.ToColorRef()));
    if (icon && shadow) {
        DrawStateW(dc, shadow.Get(), nullptr, reinterpret_cast<LPARAM>(icon.Get()), 0, left + 1, y + 1, 0, 0,
                   DST_ICON | DSS_MONO);
    }
    ImageList_Draw(images, item.imageIndex, dc, left - 1, y - 1, ILD_TRANSPARENT);
}

void Toolbar::DrawItem(HDC dc, int group, size_t index) const {
    const ToolbarButton& item = groups_[group][index];
    RECT client{};
    GetClientRect(Hwnd(), &client);
    const int x = origins_[group] + item.x;
    if ((item.kindAndState & kToolbarKindMask) == kToolbarSeparator) {
        UniqueBrush line(CreateSolidBrush(colors_.separator.ToColorRef()));
        const RECT rect{x + 1, client.top + 1, x + 2, client.bottom - 1};
        if (line) FillRect(dc, &rect, line.Get());
        return;
    }
    const RECT box = ButtonBox(group, index);
    DrawBackground(dc, box);
    const bool enabled = (item.kindAndState & kToolbarEnabled) != 0;
    const bool checked = (item.kindAndState & kToolbarChecked) != 0;
    const HotItem self{group, static_cast<int>(index)};
    const bool focused = focus_ == self && GetFocus() == Hwnd();
    // The keyboard's button looks hot as well, so its place shows even where a dotted line would not.
    const bool hot = hot_ == self || focused;
    const bool pressed = pressed_ && hot_ == self;
    if (enabled && (hot || checked)) {
        const Rgb fill = hot ? (pressed ? colors_.pressedFill : colors_.hotFill) : colors_.checkedFill;
        UniquePen pen(CreatePen(PS_SOLID, 1, colors_.frame.ToColorRef()));
        UniqueBrush brush(CreateSolidBrush(fill.ToColorRef()));
        ScopedSelectObject selectPen(dc, pen.Get());
        ScopedSelectObject selectBrush(dc, brush.Get());
        Rectangle(dc, box.left, box.top + 1, box.right, box.bottom - 1);
    }
    DrawImage(dc, item, x, client.top + ScaleToDpi(kImageTop, dpi_), enabled, hot, pressed);
    if (focused) {
        RECT cue = box;
        InflateRect(&cue, -2, -3);
        // Inverted dots: they show on the fill of any colour scheme.
        DrawFocusRect(dc, &cue);
    }
}

LRESULT Toolbar::OnPaint(UINT, WPARAM, LPARAM, bool&) {
    ScopedPaint paint(Hwnd());
    RECT client{};
    GetClientRect(Hwnd(), &client);
    // Double-buffered so hot tracking never flickers.
    UniqueMemoryDc memory(CreateCompatibleDC(paint.Get()));
    UniqueBitmap bitmap(CreateCompatibleBitmap(paint.Get(), std::max(1L, client.right), std::max(1L, client.bottom)));
    if (!memory || !bitmap) return 0;
    {
        ScopedSelectObject select(memory.Get(), bitmap.Get());
        DrawBackground(memory.Get(), client);
        for (int group = 0; group < kGroups; ++group) {
            for (size_t i = 0; i < groups_[group].size(); ++i) DrawItem(memory.Get(), group, i);
        }
        BitBlt(paint.Get(), 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
    }
    return 0;
}

Toolbar::HotItem Toolbar::HitTest(POINT point) const {
    for (int group = 0; group < kGroups; ++group) {
        for (size_t i = 0; i < groups_[group].size(); ++i) {
            if ((groups_[group][i].kindAndState & kToolbarKindMask) == kToolbarSeparator) continue;
            const RECT box = ButtonBox(group, i);
            if (PtInRect(&box, point)) return {group, static_cast<int>(i)};
        }
    }
    return {};
}

void Toolbar::RepaintItem(const HotItem& item) {
    if (item.group < 0) return;
    ScopedGetDC dc(Hwnd());
    if (dc.Get()) DrawItem(dc.Get(), item.group, static_cast<size_t>(item.index));
}

void Toolbar::TrackHotItem(POINT point) {
    if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Hwnd(), 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
    }
    const HotItem item = HitTest(point);
    if (item != hot_) {
        const HotItem old = hot_;
        hot_ = item;
        RepaintItem(old);
        RepaintItem(hot_);
    }
}

LRESULT Toolbar::OnMouseMove(UINT, WPARAM, LPARAM lParam, bool&) {
    TrackHotItem(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    return 0;
}

LRESULT Toolbar::OnMouseLeave(UINT, WPARAM, LPARAM, bool&) {
    tracking_ = false;
    pressed_ = false;
    const HotItem old = hot_;
    hot_ = {};
    RepaintItem(old);
    return 0;
}

LRESULT Toolbar::OnLButtonDown(UINT, WPARAM, LPARAM lParam, bool&) {
    // After a dialog or the busy overlay closes, no mouse move may have come yet: the hot item
    // is then stale or missing, so the press finds its own button.
    TrackHotItem(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    pressed_ = true;
    RepaintItem(hot_);
    return 0;
}

LRESULT Toolbar::OnLButtonUp(UINT, WPARAM, LPARAM, bool&) {
    pressed_ = false;
    if (hot_.group >= 0) {
        const ToolbarButton& item = groups_[hot_.group][static_cast<size_t>(hot_.index)];
        const UINT command = item.commandId;
        const bool enabled = (item.kindAndState & kToolbarEnabled) != 0;
        RepaintItem(hot_);
        if (enabled) SendMessageW(GetParent(Hwnd()), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
    return 0;
}

UINT Toolbar::FocusedCommand() const {
    if (focus_.group < 0) return 0;
    return groups_[focus_.group][static_cast<size_t>(focus_.index)].commandId;
}

RECT Toolbar::FocusBox() const {
    if (focus_.group < 0) return RECT{};
    return ButtonBox(focus_.group, static_cast<size_t>(focus_.index));
}

bool Toolbar::IsEnabledButton(const HotItem& item) const {
    if (item.group < 0 || item.group >= kGroups || item.index < 0 ||
        static_cast<size_t>(item.index) >= groups_[item.group].size()) {
        return false;
    }
    const UINT kindAndState = groups_[item.group][static_cast<size_t>(item.index)].kindAndState;
    return (kindAndState & kToolbarKindMask) != kToolbarSeparator && (kindAndState & kToolbarEnabled) != 0;
}

std::vector<Toolbar::HotItem> Toolbar::KeyboardStops() const {
    std::vector<HotItem> stops;
    for (int group = 0; group < kGroups; ++group) {
        for (size_t i = 0; i < groups_[group].size(); ++i) {
            const HotItem item{group, static_cast<int>(i)};
            if (IsEnabledButton(item)) stops.push_back(item);
        }
    }
    return stops;
}

// step -1 or +1 goes round the enabled buttons; toEnd goes to the first (-1) or the last (+1).
void Toolbar::MoveFocusItem(int step, bool toEnd) {
    const std::vector<HotItem> stops = KeyboardStops();
    if (stops.empty()) return;
    const size_t count = stops.size();
    size_t next = step < 0 ? 0 : count - 1;
    if (!toEnd) {
        // The first stop past the keyboard's place; that place may be a button disabled since.
        const size_t after =
            static_cast<size_t>(std::find_if(stops.begin(), stops.end(),
                                             [&](const HotItem& stop) {
                                                 return stop.group > focus_.group ||
                                                        (stop.group == focus_.group && stop.index > focus_.index);
                                             }) -
                                stops.begin());
        const bool onStop = after > 0 && stops[after - 1] == focus_;
        next = step > 0 ? after % count : ((onStop ? after - 1 : after) + count - 1) % count;
    }
    const HotItem old = focus_;
    focus_ = stops[next];
    RepaintItem(old);
    RepaintItem(focus_);
    AnnounceFocus();
}

// Screen readers follow the keyboard from button to button only when told: the buttons have no
// windows whose focus they could watch.
void Toolbar::AnnounceFocus() const {
    if (focus_.group < 0 || GetFocus() != Hwnd()) return;
    NotifyWinEvent(EVENT_OBJECT_FOCUS, Hwnd(), OBJID_CLIENT,
                   ToolbarChildId(*this, focus_.group, static_cast<size_t>(focus_.index)));
}

void Toolbar::ReturnFocus() {
    HWND parent = GetParent(Hwnd());
    const bool canReturn = returnFocus_ && IsWindow(returnFocus_) && IsChild(parent, returnFocus_) &&
                           IsWindowVisible(returnFocus_) && IsWindowEnabled(returnFocus_);
    SetFocus(canReturn ? returnFocus_ : parent);
}

LRESULT Toolbar::OnSetFocus(UINT, WPARAM wParam, LPARAM, bool&) {
    HWND previous = reinterpret_cast<HWND>(wParam);
    HWND parent = GetParent(Hwnd());
    // Only a pane of the same window is worth going back to; a closed dialog is not.
    if (previous && previous != Hwnd() && IsChild(parent, previous)) returnFocus_ = previous;
    if (!IsEnabledButton(focus_)) {
        const std::vector<HotItem> stops = KeyboardStops();
        focus_ = stops.empty() ? HotItem{} : stops.front();
    }
    RepaintItem(focus_);
    AnnounceFocus();
    return 0;
}

LRESULT Toolbar::OnKillFocus(UINT, WPARAM, LPARAM, bool&) {
    RepaintItem(focus_);
    return 0;
}

LRESULT Toolbar::OnGetDlgCode(UINT, WPARAM, LPARAM, bool&) {
    return DLGC_WANTARROWS;
}

LRESULT Toolbar::OnKeyDown(UINT, WPARAM wParam, LPARAM, bool& handled) {
    switch (wParam) {
        case VK_LEFT:
        case VK_UP:
            MoveFocusItem(-1, false);
            return 0;
        case VK_RIGHT:
        case VK_DOWN:
            MoveFocusItem(1, false);
            return 0;
        case VK_HOME:
            MoveFocusItem(-1, true);
            return 0;
        case VK_END:
            MoveFocusItem(1, true);
            return 0;
        case VK_RETURN:
        case VK_SPACE:
            if (IsEnabledButton(focus_)) {
                SendMessageW(GetParent(Hwnd()), WM_COMMAND, MAKEWPARAM(FocusedCommand(), 0), 0);
            }
            return 0;
        case VK_ESCAPE:
            ReturnFocus();
            return 0;
        default:
            handled = false;
            return 0;
    }
}

LRESULT Toolbar::OnStateMessage(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    const UINT bit = StateBitFor(message);
    for (int group = 0; group < kGroups; ++group) {
        for (size_t i = 0; i < groups_[group].size(); ++i) {
            ToolbarButton& item = groups_[group][i];
            if ((item.kindAndState & kToolbarKindMask) == kToolbarSeparator || item.commandId != wParam) continue;
            const UINT before = item.kindAndState;
            item.kindAndState = lParam ? (before | bit) : (before & ~bit);
            if (item.kindAndState == before) continue;
            RepaintItem({group, static_cast<int>(i)});
            NotifyWinEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), OBJID_CLIENT, ToolbarChildId(*this, group, i));
        }
    }
    return 0;
}

LRESULT Toolbar::OnGetObject(UINT, WPARAM wParam, LPARAM lParam, bool& handled) {
    const LRESULT answer = AnswerToolbarGetObject(Hwnd(), wParam, lParam);
    handled = answer != 0;
    return answer;
}

}  // namespace pictrove
