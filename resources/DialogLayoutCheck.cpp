// Dialog layouts checked against the built-in templates and against their own texts.
#include "resources/DialogLayoutCheck.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwctype>
#include <map>

#include "common/Handles.h"
#include "ui/Window.h"

namespace pictrove {

namespace {

// Space a push button keeps between its border and its text, per side: its focus rectangle runs
// three pixels inside the border, and a text that reaches it looks cut (a closing bracket merges
// into the dotted line).
constexpr int kButtonPadding = 6;
// What a combo box keeps beside an item's text, besides its drop-down button.
constexpr int kComboPadding = 6;
constexpr uint16_t kNoId = 0xFFFF;

class TemplateReader {
  public:
    TemplateReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    bool Ok() const { return ok_; }
    template <class T>
    T Read() {
        T value{};
        if (offset_ + sizeof(T) > size_) {
            ok_ = false;
            return value;
        }
        memcpy(&value, bytes_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }
    std::wstring Text() {
        std::wstring text;
        while (ok_) {
            const uint16_t c = Read<uint16_t>();
            if (!ok_ || c == 0) break;
            text += static_cast<wchar_t>(c);
        }
        return text;
    }
    // A string or an ordinal (0xFFFF and a number); returns the ordinal, 0 for a string.
    uint16_t TextOrOrdinal(std::wstring& text) {
        text.clear();
        const size_t start = offset_;
        if (Read<uint16_t>() == 0xFFFF) return Read<uint16_t>();
        offset_ = start;
        text = Text();
        return 0;
    }
    void AlignToDword() { offset_ = (offset_ + 3) & ~size_t{3}; }
    void Skip(size_t count) {
        if (offset_ + count > size_) ok_ = false;
        offset_ += count;
    }

  private:
    const uint8_t* bytes_;
    size_t size_;
    size_t offset_ = 0;
    bool ok_ = true;
};

// A control's window class as one comparable name: the template's ordinals stand for the
// system's classes.
std::wstring ClassOf(const DialogControlItem& item) {
    switch (item.classAtom) {
        case 0x80:
            return L"button";
        case 0x81:
            return L"edit";
        case 0x82:
            return L"static";
        case 0x83:
            return L"listbox";
        case 0x84:
            return L"scrollbar";
        case 0x85:
            return L"combobox";
        case 0:
            break;
        default:
            return L"#" + std::to_wstring(item.classAtom);
    }
    std::wstring name = item.className;
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
    return name;
}

std::wstring ControlName(const DialogControlItem& item) {
    return L"control " + (item.id == kNoId ? std::wstring(L"-1") : std::to_wstring(item.id));
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(std::max(0, GetWindowTextW(window, text.data(), length + 1))));
    return text;
}

// The extent of text drawn with font, wrapped at width when format asks for word breaks.
RECT MeasureText(HFONT font, const std::wstring& text, UINT format, int width) {
    ScopedGetDC screen(nullptr);
    ScopedSelectObject select(screen.Get(), font ? font : GetStockObject(DEFAULT_GUI_FONT));
    RECT extent{0, 0, width, 0};
    DrawTextW(screen.Get(), text.c_str(), static_cast<int>(text.size()), &extent, format | DT_CALCRECT);
    return extent;
}

HFONT FontOf(HWND window) {
    return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
}

void CheckStatic(HWND control, int id, const RECT& client, std::vector<ClippedText>& clipped) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const LONG type = style & SS_TYPEMASK;
    const bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
    if (!wraps && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE) return;  // pictures, frames, lines
    const std::wstring text = WindowText(control);
    if (text.empty()) return;
    UINT format = DT_EXPANDTABS | (wraps ? DT_WORDBREAK : DT_SINGLELINE);
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    const RECT extent = MeasureText(FontOf(control), text, format, client.right);
    if (extent.right > client.right) {
        clipped.push_back({id, text, static_cast<int>(extent.right), static_cast<int>(client.right)});
    } else if (extent.bottom > client.bottom) {
        clipped.push_back({id, text, static_cast<int>(extent.bottom), static_cast<int>(client.bottom)});
    }
}

bool IsPushButton(HWND control) {
    wchar_t className[16] = L"";
    GetClassNameW(control, className, 16);
    const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return _wcsicmp(className, L"Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

// The client width a push button needs for its whole text; 0 for a button without text.
int ButtonWidthNeeded(HWND control) {
    const std::wstring text = WindowText(control);
    if (text.empty()) return 0;
    return static_cast<int>(MeasureText(FontOf(control), text, DT_SINGLELINE, 0).right) + 2 * kButtonPadding;
}

void CheckButton(HWND control, int id, const RECT& client, std::vector<ClippedText>& clipped) {
    if (!IsPushButton(control)) return;
    const int needed = ButtonWidthNeeded(control);
    if (needed > client.right) clipped.push_back({id, WindowText(control), needed, static_cast<int>(client.right)});
}

void CheckComboItems(HWND control, int id, const RECT& client, std::vector<ClippedText>& clipped) {
    const int available = static_cast<int>(client.right) - GetSystemMetrics(SM_CXVSCROLL) - kComboPadding;
    const LRESULT count = SendMessageW(control, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length <= 0) continue;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        const RECT extent = MeasureText(FontOf(control), text, DT_SINGLELINE | DT_NOPREFIX, 0);
        if (extent.right > available) clipped.push_back({id, text, static_cast<int>(extent.right), available});
    }
}

void CheckCaption(HWND dialog, std::vector<ClippedText>& clipped) {
    const std::wstring text = WindowText(dialog);
    if (text.empty() || !(GetWindowLongW(dialog, GWL_STYLE) & WS_CAPTION)) return;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return;
    UniqueFont font(CreateFontIndirectW(&metrics.lfCaptionFont));
    RECT window{};
    GetWindowRect(dialog, &window);
    // The title bar keeps room for its frame, the close button and a gap on either side of the text.
    const int available = static_cast<int>(window.right - window.left) - 2 * GetSystemMetrics(SM_CXDLGFRAME) -
                          GetSystemMetrics(SM_CXSIZE) - 8;
    const RECT extent = MeasureText(font.Get(), text, DT_SINGLELINE | DT_NOPREFIX, 0);
    if (extent.right > available) clipped.push_back({0, text, static_cast<int>(extent.right), available});
}

}  // namespace

bool ParseDialogTemplate(const uint8_t* bytes, size_t size, DialogTemplateBuilder& d) {
    d = {};
    TemplateReader in(bytes, size);
    if (in.Read<uint16_t>() != 1 || in.Read<uint16_t>() != 0xFFFF) return false;
    d.helpId = in.Read<uint32_t>();
    d.exStyle = in.Read<uint32_t>();
    d.style = in.Read<uint32_t>();
    const uint16_t count = in.Read<uint16_t>();
    d.x = in.Read<int16_t>();
    d.y = in.Read<int16_t>();
    d.width = in.Read<int16_t>();
    d.height = in.Read<int16_t>();
    std::wstring ignored;
    in.TextOrOrdinal(ignored);  // menu
    in.TextOrOrdinal(ignored);  // window class
    d.caption = in.Text();
    if (d.style & DS_SETFONT) {
        d.pointSize = in.Read<uint16_t>();
        d.weight = in.Read<uint16_t>();
        in.Skip(2);  // italic, character set
        d.fontName = in.Text();
    }
    for (uint16_t i = 0; i < count && in.Ok(); ++i) {
        in.AlignToDword();
        DialogControlItem& item = d.controls.emplace_back();
        item.helpId = in.Read<uint32_t>();
        item.exStyle = in.Read<uint32_t>();
        item.style = in.Read<uint32_t>();
        item.x = in.Read<int16_t>();
        item.y = in.Read<int16_t>();
        item.width = in.Read<int16_t>();
        item.height = in.Read<int16_t>();
        item.id = in.Read<uint32_t>() & 0xFFFF;
        item.classAtom = in.TextOrOrdinal(item.className);
        item.captionId = in.TextOrOrdinal(item.caption);
        in.Skip(in.Read<uint16_t>());  // creation data
    }
    return in.Ok();
}

bool ReadBuiltInDialog(UINT dialogId, DialogTemplateBuilder& description) {
    HINSTANCE instance = ResourceInstance();
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(dialogId), MAKEINTRESOURCEW(5));  // RT_DIALOG
    const DWORD size = resource ? SizeofResource(instance, resource) : 0;
    const void* bytes = size ? LockResource(LoadResource(instance, resource)) : nullptr;
    return bytes && ParseDialogTemplate(static_cast<const uint8_t*>(bytes), size, description);
}

std::wstring LayoutFault(const DialogTemplateBuilder& layout, const DialogTemplateBuilder& builtIn) {
    if (layout.width <= 0 || layout.height <= 0) return L"the dialog has no size";
    std::map<uint32_t, const DialogControlItem*> named;
    for (const DialogControlItem& item : layout.controls) {
        if (!(item.style & WS_CHILD) || (item.style & WS_POPUP)) return ControlName(item) + L" is no child window";
        if (item.width <= 0 || item.height <= 0) return ControlName(item) + L" has no size";
        // A combo box's height includes its drop-down list, which may reach past the dialog.
        const bool dropsDown = ClassOf(item) == L"combobox";
        if (item.x < 0 || item.y < 0 || item.x + item.width > layout.width ||
            (!dropsDown && item.y + item.height > layout.height)) {
            return ControlName(item) + L" lies outside the dialog";
        }
        if (item.id == kNoId) continue;
        if (!named.emplace(item.id, &item).second) return ControlName(item) + L" appears twice";
    }
    size_t builtInNamed = 0;
    for (const DialogControlItem& item : builtIn.controls) {
        if (item.id == kNoId) continue;
        ++builtInNamed;
        const auto found = named.find(item.id);
        if (found == named.end()) return ControlName(item) + L" is missing";
        if (ClassOf(*found->second) != ClassOf(item)) return ControlName(item) + L" has another window class";
    }
    if (named.size() != builtInNamed) {
        for (const auto& [id, item] : named) {
            const bool known = std::any_of(builtIn.controls.begin(), builtIn.controls.end(),
                                           [id = id](const DialogControlItem& b) { return b.id == id; });
            if (!known) return ControlName(*item) + L" is unknown to this dialog";
        }
    }
    return {};
}

std::vector<ClippedText> FindClippedTexts(HWND dialog) {
    std::vector<ClippedText> clipped;
    if (!dialog) return clipped;
    CheckCaption(dialog, clipped);
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!(GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE)) continue;
        wchar_t className[32] = L"";
        GetClassNameW(control, className, 32);
        RECT client{};
        GetClientRect(control, &client);
        const int id = GetDlgCtrlID(control);
        if (_wcsicmp(className, L"Static") == 0) {
            CheckStatic(control, id, client, clipped);
        } else if (_wcsicmp(className, L"Button") == 0) {
            CheckButton(control, id, client, clipped);
        } else if (_wcsicmp(className, L"ComboBox") == 0) {
            CheckComboItems(control, id, client, clipped);
        }
    }
    return clipped;
}

void WidenClippedButtons(HWND dialog) {
    struct Button {
        HWND hwnd;
        RECT rect;   // in the dialog's client coordinates
        int needed;  // window width for the whole text
    };
    std::vector<Button> buttons;
    // The dialog's left margin: where its leftmost control starts.
    int margin = INT_MAX;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!(GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT window{}, client{};
        GetWindowRect(control, &window);
        GetClientRect(control, &client);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&window), 2);
        margin = std::min<int>(margin, window.left);
        if (!IsPushButton(control)) continue;
        const int border = (window.right - window.left) - client.right;
        buttons.push_back({control, window, ButtonWidthNeeded(control) + border});
    }
    // Row by row, right to left: each widened button pushes the ones on its left further left.
    std::sort(buttons.begin(), buttons.end(), [](const Button& a, const Button& b) {
        return a.rect.top != b.rect.top ? a.rect.top < b.rect.top : a.rect.left > b.rect.left;
    });
    int leftmost = INT_MAX, shift = 0;
    bool changed = false;
    std::vector<RECT> placed;
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (i > 0 && buttons[i].rect.top != buttons[i - 1].rect.top) shift = 0;
        RECT rect = buttons[i].rect;
        OffsetRect(&rect, -shift, 0);
        const int grow = std::max(0, buttons[i].needed - static_cast<int>(rect.right - rect.left));
        rect.left -= grow;
        shift += grow;
        changed |= shift > 0;
        leftmost = std::min<int>(leftmost, rect.left);
        placed.push_back(rect);
    }
    if (!changed) return;
    // Past the margin: the dialog grows to the right and the rows follow its edge.
    const int grow = std::max(0, margin - leftmost);
    if (grow > 0) {
        RECT window{};
        GetWindowRect(dialog, &window);
        SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + grow, window.bottom - window.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (size_t i = 0; i < buttons.size(); ++i) {
        const RECT& rect = placed[i];
        SetWindowPos(buttons[i].hwnd, nullptr, rect.left + grow, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(dialog, nullptr, TRUE);
}

}  // namespace pictrove
