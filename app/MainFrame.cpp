// Main window: panes, commands, command states, title, status text, placement.
#include "app/MainFrame.h"

#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "app/AppModule.h"
#include "app/Shortcuts.h"
#include "common/TopDownBitmap.h"
#include "browse/AboutDialog.h"
#include "browse/ClipboardCopy.h"
#include "browse/PreviewPane.h"
#include "extract/ExtractJob.h"
#include "extract/SaveAsDialog.h"
#include "resources/MenuBuilder.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "ui/AccessibleAnnotations.h"

namespace pictrove {

using Microsoft::WRL::ComPtr;

namespace {

constexpr COLORREF kToolbarBackground = RGB(0xC0, 0xC0, 0xC0);
// Posted once per burst of selection changes: a click on one of several selected rows changes
// many rows, and only the last state deserves a conversion.
constexpr UINT kUpdatePreviewMessage = WM_APP + 1;

bool IsWithin(HWND window, HWND ancestor) {
    return window && ancestor && (window == ancestor || IsChild(ancestor, window));
}

}  // namespace

void GreyToolbarPixels(uint32_t* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t pixel = pixels[i] & 0x00FFFFFF;
        if (pixel == 0x00C0C0C0) continue;
        const double red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
        const auto grey = static_cast<uint32_t>(0.257 * red + 0.504 * green + 0.098 * blue + 16);
        pixels[i] = (pixels[i] & 0xFF000000) | (grey << 16) | (grey << 8) | grey;
    }
}

MainFrame::MainFrame() : extractDialog_(App().Settings()) {
    Chain().SetReflectNotifications(true);
}

MainFrame::~MainFrame() {
    Destroy();
    if (normalImages_) ImageList_Destroy(normalImages_);
    if (disabledImages_) ImageList_Destroy(disabledImages_);
}

std::span<const MessageEntry<MainFrame>> MainFrame::MessageTable() {
    static constexpr MessageEntry<MainFrame> kTable[] = {
        OnMessage<MainFrame>(WM_CREATE, &MainFrame::OnCreate),
        OnMessage<MainFrame>(WM_GETMINMAXINFO, &MainFrame::OnGetMinMaxInfo),
        OnMessage<MainFrame>(WM_ERASEBKGND, &MainFrame::OnEraseBackground),
        OnMessage<MainFrame>(WM_SIZE, &MainFrame::OnSize),
        OnMessage<MainFrame>(WM_DPICHANGED, &MainFrame::OnDpiChanged),
        OnMessage<MainFrame>(WM_ACTIVATE, &MainFrame::OnActivate),
        OnMessage<MainFrame>(WM_CLOSE, &MainFrame::OnClose),
        OnMessage<MainFrame>(WM_DESTROY, &MainFrame::OnDestroy),
        OnMessage<MainFrame>(WM_CONTEXTMENU, &MainFrame::OnContextMenu),
        OnCommand<MainFrame>(IDM_OPEN, &MainFrame::OnOpenCommand),
        OnCommand<MainFrame>(IDM_EXTRACT_SELECTED, &MainFrame::OnExtractSelected),
        OnCommand<MainFrame>(IDM_EXTRACT_ALL, &MainFrame::OnExtractAll),
        OnCommand<MainFrame>(IDM_ABOUT, &MainFrame::OnAbout),
        OnCommand<MainFrame>(IDM_COPY_IMAGE, &MainFrame::OnCopyImage),
        OnCommand<MainFrame>(IDM_SELECT_ALL, &MainFrame::OnSelectAll),
        OnMessage<MainFrame>(kUpdatePreviewMessage, &MainFrame::OnUpdatePreview),
        OnNotify<MainFrame>(LVN_ITEMCHANGED, &MainFrame::OnListItemChanged),
        OnMessage<MainFrame>(WM_SYSCOLORCHANGE, &MainFrame::OnSystemChange),
        OnMessage<MainFrame>(WM_SETTINGCHANGE, &MainFrame::OnSystemChange),
        OnMessage<MainFrame>(WM_MEASUREITEM, &MainFrame::OnMeasureMenuItem),
        OnMessage<MainFrame>(WM_DRAWITEM, &MainFrame::OnDrawMenuItem),
        OnMessage<MainFrame>(WM_INITMENUPOPUP, &MainFrame::OnInitMenuPopup),
        OnMessage<MainFrame>(WM_DROPFILES, &MainFrame::OnDropFiles),
        OnMessage<MainFrame>(WM_MENUCHAR, &MainFrame::OnMenuChar),
        OnMessage<MainFrame>(WM_SYSCOMMAND, &MainFrame::OnSystemCommand),
        OnMessage<MainFrame>(WM_SETFOCUS, &MainFrame::OnSetFocus),
    };
    return kTable;
}

bool MainFrame::CreateMain() {
    if (!RegisterWindowClassOnce(kClassName, StandardWindowProc, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                                 LoadCursorW(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1))) {
        return false;
    }
    HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE | WS_EX_ACCEPTFILES, kClassName, nullptr,
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, ResourceInstance(), this);
    if (!hwnd) return false;
    SendMessageW(hwnd, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconW(ResourceInstance(), MAKEINTRESOURCEW(IDI_APP))));
    return true;
}

void MainFrame::ApplySettingsPlacement() {
    const SettingsStore& settings = App().Settings();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    placement.showCmd = settings.maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    placement.rcNormalPosition = RECT{settings.left, settings.top, settings.right, settings.bottom};
    SetWindowPlacement(Hwnd(), &placement);
    splitter_.SetPosition(settings.splitterPos);
    LayoutPanes();
}

bool MainFrame::Open(const std::wstring& path) {
    return OpenDocument(path, document_, *this);
}

LRESULT MainFrame::OnCreate(UINT, WPARAM, LPARAM, bool&) {
    SetWindowTextW(Hwnd(), LoadUiString(IDS_APP_NAME).c_str());
    dpi_ = WindowDpi(Hwnd());
    SetMenuDpi(dpi_);
    CreateToolbarImages();

    RECT client{};
    GetClientRect(Hwnd(), &client);
    toolbar_.Create(Hwnd(), RECT{0, 0, client.right, ToolbarHeight()}, normalImages_, disabledImages_, dpi_);
    toolbar_.SetAccessibleName(LoadUiString(IDS_TOOLBAR_NAME));
    const auto toolText = [](UINT command) { return TooltipWithShortcut(LoadUiString(command), command); };
    const int buttonWidth = ScaleToDpi(kToolbarImageSize, dpi_);
    toolbar_.AddButton(0, IDM_OPEN, 0, buttonWidth, toolText(IDM_OPEN));
    toolbar_.AddSeparator(0);
    toolbar_.AddButton(0, IDM_EXTRACT_SELECTED, 1, buttonWidth, toolText(IDM_EXTRACT_SELECTED));
    toolbar_.AddButton(0, IDM_EXTRACT_ALL, 2, buttonWidth, toolText(IDM_EXTRACT_ALL));
    toolbar_.AddSeparator(0);
    toolbar_.AddButton(0, IDM_ABOUT, 3, buttonWidth, toolText(IDM_ABOUT));

    CreatePanes();
    contextMenu_ = LoadMenuResource(IDR_CONTEXT_MENU);
    if (contextMenu_) {
        AddShortcutsToMenu(contextMenu_.Get());
        ConvertMenu(contextMenu_.Get(), true);
    }
    accelerators_ = CreateFrameAccelerators();

    const COLORREF background = GetSysColor(COLOR_MENUTEXT);
    overlay_.Configure(Hwnd(), LoadUiString(IDS_OPENING), background, ~background & 0xFFFFFF);

    RegisterWithLoop();
    DragAcceptFiles(Hwnd(), TRUE);
    return 0;
}

void MainFrame::RegisterWithLoop() {
    if (MessageLoop* loop = App().GetMessageLoop()) {
        loop->AddIdleHandler(this);
        loop->AddMessageFilter(this);
        idleRegistered_ = true;
    }
}

void MainFrame::UnregisterFromLoop() {
    if (!idleRegistered_) return;
    if (MessageLoop* loop = App().GetMessageLoop()) {
        loop->RemoveIdleHandler(this);
        loop->RemoveMessageFilter(this);
    }
    idleRegistered_ = false;
}

void MainFrame::CreateToolbarImages() {
    const int side = ScaleToDpi(kToolbarImageSize, dpi_);
    normalImages_ = ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 8, 8);
    disabledImages_ = ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 8, 8);
    UniqueBitmap strip(static_cast<HBITMAP>(
        LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!strip) return;
    if (side != kToolbarImageSize) {
        BITMAP designed{};
        GetObjectW(strip.Get(), sizeof(designed), &designed);
        UniqueBitmap scaled(StretchBitmap(strip.Get(), ScaleToDpi(designed.bmWidth, dpi_), side));
        if (scaled) strip = std::move(scaled);
    }

    BITMAP info{};
    GetObjectW(strip.Get(), sizeof(info), &info);
    BITMAPINFO header = TopDownBitmapInfo(info.bmWidth, info.bmHeight);
    std::vector<uint32_t> pixels(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
    ScopedGetDC screen(nullptr);
    // Read before the normal list takes the strip: adding it with a mask blackens its background.
    const bool havePixels = !pixels.empty() && GetDIBits(screen.Get(), strip.Get(), 0, static_cast<UINT>(info.bmHeight),
                                                         pixels.data(), &header, DIB_RGB_COLORS) != 0;
    ImageList_AddMasked(normalImages_, strip.Get(), kToolbarBackground);
    if (!havePixels) return;
    GreyToolbarPixels(pixels.data(), pixels.size());
    // A 24-bit section like the normal strip, so the image list masks both the same way instead
    // of reading the empty fourth byte as alpha.
    BITMAPINFO header24 = header;
    header24.bmiHeader.biBitCount = 24;
    void* bits24 = nullptr;
    UniqueBitmap grey(CreateDIBSection(screen.Get(), &header24, DIB_RGB_COLORS, &bits24, nullptr, 0));
    if (!grey) return;
    SetDIBits(screen.Get(), grey.Get(), 0, static_cast<UINT>(info.bmHeight), pixels.data(), &header, DIB_RGB_COLORS);
    ImageList_AddMasked(disabledImages_, grey.Get(), kToolbarBackground);
}

void MainFrame::CreatePanes() {
    RECT area{};
    GetClientRect(Hwnd(), &area);
    area.top += ToolbarHeight();
    statusBar_ =
        CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, area.left, area.bottom - StatusHeight(),
                        area.right - area.left, StatusHeight(), Hwnd(), nullptr, ResourceInstance(), nullptr);
    splitter_.Create(Hwnd(), RECT{area.left, area.top, area.right, std::max(area.top, area.bottom - StatusHeight())},
                     WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    splitter_.SetPosition(App().Settings().splitterPos);

    list_.Create(splitter_.Hwnd());
    AnnotateAccessibleName(list_.Hwnd(), LoadUiString(IDS_IMAGE_LIST_NAME));
    // Without the image-view control the frame goes on with no preview pane.
    const bool hasPreview = CreatePreview(preview_, splitter_.Hwnd(), RECT{0, 0, 0, 0});
    splitter_.SetPanes(list_.Hwnd(), hasPreview ? preview_.Hwnd() : nullptr);
}

void MainFrame::LayoutPanes() {
    RECT client{};
    GetClientRect(Hwnd(), &client);
    if (toolbar_.Hwnd()) {
        MoveWindow(toolbar_.Hwnd(), 0, 0, client.right, ToolbarHeight(), TRUE);
        client.top += ToolbarHeight();
    }
    const int statusTop = std::max(client.top, client.bottom - StatusHeight());
    if (statusBar_) MoveWindow(statusBar_, client.left, statusTop, client.right - client.left, StatusHeight(), TRUE);
    if (splitter_.Hwnd()) {
        MoveWindow(splitter_.Hwnd(), client.left, client.top, client.right - client.left, statusTop - client.top, TRUE);
    }
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

LRESULT MainFrame::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool&) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize.x = ScaleToDpi(kMinimumSize.cx, dpi_);
    info->ptMinTrackSize.y = ScaleToDpi(kMinimumSize.cy, dpi_);
    return 0;
}

LRESULT MainFrame::OnEraseBackground(UINT, WPARAM, LPARAM, bool&) {
    return 0;
}

LRESULT MainFrame::OnSize(UINT, WPARAM, LPARAM, bool&) {
    LayoutPanes();
    return 0;
}

// Moved to a screen of another density (or its scale was changed): everything drawn at a size
// of its own is made again for the new one, and the window takes the size the system suggests.
LRESULT MainFrame::OnDpiChanged(UINT, WPARAM wParam, LPARAM lParam, bool&) {
    const UINT dpi = HIWORD(wParam);
    if (dpi == 0) return 0;
    if (dpi != dpi_) {
        dpi_ = dpi;
        SetMenuDpi(dpi);
        HIMAGELIST oldNormal = normalImages_;
        HIMAGELIST oldDisabled = disabledImages_;
        CreateToolbarImages();
        toolbar_.SetDpi(dpi, normalImages_, disabledImages_);
        if (oldNormal) ImageList_Destroy(oldNormal);
        if (oldDisabled) ImageList_Destroy(oldDisabled);
        list_.SetDpi(dpi);
        splitter_.SetDpi(dpi);
        // The panes take the new font before the old one goes.
        UniqueFont font(CreateMessageFont(dpi));
        if (font) {
            if (list_.Hwnd()) SendMessageW(list_.Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
            if (statusBar_) SendMessageW(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
            paneFont_ = std::move(font);
        }
    }
    if (const auto* suggested = reinterpret_cast<const RECT*>(lParam)) {
        SetWindowPos(Hwnd(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    LayoutPanes();
    return 0;
}

LRESULT MainFrame::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
    UnregisterFromLoop();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (GetWindowPlacement(Hwnd(), &placement)) {
        SettingsStore& settings = App().Settings();
        // Minimised from the maximised state, the window comes back maximised: so must the next start.
        const bool restoresMaximized =
            placement.showCmd == SW_SHOWMINIMIZED && (placement.flags & WPF_RESTORETOMAXIMIZED) != 0;
        settings.maximized = placement.showCmd == SW_SHOWMAXIMIZED || restoresMaximized ? 1 : 0;
        settings.left = placement.rcNormalPosition.left;
        settings.top = placement.rcNormalPosition.top;
        settings.right = placement.rcNormalPosition.right;
        settings.bottom = placement.rcNormalPosition.bottom;
        settings.splitterPos = splitter_.Position();
    }
    document_.collection.Reset();
    handled = false;  // default processing destroys the window
    return 0;
}

// Without this, activation after Save As, a dialog or a message box would focus the bare frame:
// the rows lose their highlight and the keys go nowhere until the user clicks.
LRESULT MainFrame::OnActivate(UINT, WPARAM wParam, LPARAM, bool& handled) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        focus_.Note(Hwnd());
        handled = false;
        return 0;
    }
    handled = !HIWORD(wParam) && focus_.Restore(Hwnd());
    return 0;
}

LRESULT MainFrame::OnDestroy(UINT, WPARAM, LPARAM, bool&) {
    UnregisterFromLoop();
    document_.collection.Reset();
    PostQuitMessage(0);
    return 0;
}

// The old document is gone from here on, whether or not the new one opens: nothing of it may
// stay in the title, the status bar or the preview.
void MainFrame::ClearImages() {
    list_.Clear();
    previewIndex_ = -1;
    if (preview_.Hwnd()) ShowInPreview(preview_, nullptr);
    SetWindowTextW(Hwnd(), LoadUiString(IDS_APP_NAME).c_str());
    if (statusBar_) SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L""));
}

void MainFrame::ShowImages(ImageCollection& collection) {
    list_.Fill(&collection);
    UpdateTitle();
    // A keyboard user starts on the first row, and the preview with it.
    list_.SelectFirstRow();
    SetFocus(list_.Hwnd());
    UpdateStatusText();
    UpdatePreview();
}

void MainFrame::UpdateTitle() {
    std::wstring title = LoadUiString(IDS_APP_NAME);
    const std::wstring& path = document_.documentPath;
    if (!path.empty()) {
        const size_t slash = path.rfind(L'\\');
        title = (slash == std::wstring::npos ? path : path.substr(slash + 1)) + L" - " + title;
    }
    SetWindowTextW(Hwnd(), title.c_str());
}

void MainFrame::UpdateStatusText() {
    if (!document_.collection || !statusBar_) return;
    const std::wstring text =
        document_.damaged ? FormatUiString(IDS_DOCUMENT_DAMAGED, {list_.StatusText()}) : list_.StatusText();
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool MainFrame::OnIdle() {
    focus_.Note(Hwnd());
    const ListCommandStates states = CommandStatesFor(document_.collection != nullptr, list_.SelectedCount());
    if (toolbar_.Hwnd()) {
        SendMessageW(toolbar_.Hwnd(), kToolbarSetEnabled, IDM_OPEN, TRUE);
        SendMessageW(toolbar_.Hwnd(), kToolbarSetEnabled, IDM_ABOUT, TRUE);
        SendMessageW(toolbar_.Hwnd(), kToolbarSetEnabled, IDM_EXTRACT_SELECTED, states.extractSelected);
        SendMessageW(toolbar_.Hwnd(), kToolbarSetEnabled, IDM_EXTRACT_ALL, states.extractAll);
    }
    return false;
}

// Only top-level windows hear of new system colours; the toolbar recomputes its own.
LRESULT MainFrame::OnSystemChange(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (toolbar_.Hwnd()) SendMessageW(toolbar_.Hwnd(), message, wParam, lParam);
    handled = false;
    return 0;
}

// Menu items are ours; other owner-drawn items go on to the child that owns them.
LRESULT MainFrame::OnMeasureMenuItem(UINT, WPARAM, LPARAM lParam, bool& handled) {
    handled = lParam && pictrove::OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    return TRUE;
}

LRESULT MainFrame::OnDrawMenuItem(UINT, WPARAM, LPARAM lParam, bool& handled) {
    handled = lParam && pictrove::OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
}

LRESULT MainFrame::OnInitMenuPopup(UINT, WPARAM wParam, LPARAM, bool& handled) {
    const ListCommandStates states = CommandStatesFor(document_.collection != nullptr, list_.SelectedCount());
    HMENU menu = reinterpret_cast<HMENU>(wParam);
    const struct {
        UINT id;
        bool enabled;
    } items[] = {{IDM_COPY_IMAGE, states.copyImage},
                 {IDM_EXTRACT_SELECTED, states.extractSelected},
                 {IDM_EXTRACT_ALL, states.extractAll},
                 {IDM_OPEN, true},
                 {IDM_ABOUT, true}};
    for (const auto& item : items) {
        EnableMenuItem(menu, item.id, MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
    }
    handled = false;
    return 0;
}

LRESULT MainFrame::OnContextMenu(UINT, WPARAM wParam, LPARAM lParam, bool& handled) {
    HWND source = reinterpret_cast<HWND>(wParam);
    if (source != list_.Hwnd() && source != splitter_.Hwnd()) {
        handled = false;
        return 0;
    }
    HMENU popup = contextMenu_ ? GetSubMenu(contextMenu_.Get(), 0) : nullptr;
    if (!popup) return 0;
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // Shift+F10 and the menu key send (-1, -1): the menu belongs to the focused row then.
    if (point.x == -1 && point.y == -1) point = KeyboardMenuPoint();
    if (!MonitorFromPoint(point, MONITOR_DEFAULTTONULL)) {
        MONITORINFO info{sizeof(info)};
        GetMonitorInfoW(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &info);
        point.x = std::clamp(point.x, info.rcWork.left, info.rcWork.right - 1);
        point.y = std::clamp(point.y, info.rcWork.top, info.rcWork.bottom - 1);
    }
    TrackPopupMenu(popup, TPM_LEFTBUTTON, point.x, point.y, 0, Hwnd(), nullptr);
    return 0;
}

POINT MainFrame::KeyboardMenuPoint() const {
    HWND list = list_.Hwnd();
    RECT client{};
    GetClientRect(list, &client);
    // Rows start below the header.
    RECT header{};
    if (HWND headerWindow = ListView_GetHeader(list); headerWindow && IsWindowVisible(headerWindow)) {
        GetWindowRect(headerWindow, &header);
        MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&header), 2);
        client.top = std::max(client.top, header.bottom);
    }
    POINT point{client.left, client.top};
    const int row = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    RECT item{};
    if (row >= 0 && ListView_GetItemRect(list, row, &item, LVIR_BOUNDS)) point = POINT{item.left, item.bottom};
    // A row scrolled out of sight still gets its menu inside the list.
    point.x = std::clamp(point.x, client.left, std::max(client.left, client.right - 1));
    point.y = std::clamp(point.y, client.top, std::max(client.top, client.bottom - 1));
    ClientToScreen(list, &point);
    return point;
}

LRESULT MainFrame::OnOpenCommand(UINT, WPARAM, LPARAM, bool&) {
    PromptOpenDocument([this](const std::wstring& path) { Open(path); });
    return 0;
}

void MainFrame::RunExtraction(const std::vector<int>& indices) {
    if (extractDialog_.DoModal(GetActiveWindow()) != IDOK) return;
    const ExtractOutcome outcome =
        ExtractImages(document_.collection.Get(), indices,
                      ExtractSettings{extractDialog_.Folder(), extractDialog_.Template(), extractDialog_.TypeIndex()});
    // Stays until the selection changes the status text again.
    if (outcome.ran && statusBar_) {
        SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(ExtractOutcomeText(outcome).c_str()));
    }
}

LRESULT MainFrame::OnExtractSelected(UINT, WPARAM, LPARAM, bool&) {
    if (!document_.collection) return 0;
    const std::vector<int> indices = list_.GetSelectedIndices();
    if (indices.empty()) return 0;
    if (indices.size() == 1) {
        const ImageListEntry* entry = nullptr;
        for (int row = ListView_GetNextItem(list_.Hwnd(), -1, LVNI_SELECTED); row >= 0 && !entry;
             row = ListView_GetNextItem(list_.Hwnd(), row, LVNI_SELECTED)) {
            entry = list_.GetEntry(row);
        }
        SaveSingleImage(document_.collection.Get(), indices[0], entry ? entry->name : std::wstring());
        return 0;
    }
    RunExtraction(indices);
    return 0;
}

LRESULT MainFrame::OnExtractAll(UINT, WPARAM, LPARAM, bool&) {
    const std::vector<int> indices = list_.GetAllIndices();
    if (indices.empty() || !document_.collection) return 0;
    RunExtraction(indices);
    return 0;
}

LRESULT MainFrame::OnAbout(UINT, WPARAM, LPARAM, bool&) {
    AboutDialog dialog;
    dialog.DoModal(GetActiveWindow());
    return 0;
}

LRESULT MainFrame::OnCopyImage(UINT, WPARAM, LPARAM, bool&) {
    if (!document_.collection) return 0;
    const std::vector<int> indices = list_.GetSelectedIndices();
    if (indices.size() != 1 || list_.SelectedCount() != 1) return 0;
    ComPtr<IUnknown> image;
    document_.collection->GetImage(indices[0], image.GetAddressOf());
    if (!image) return 0;
    CopyImageToClipboard(Hwnd(), image.Get());
    return 0;
}

LRESULT MainFrame::OnListItemChanged(UINT, WPARAM, LPARAM lParam, bool& handled) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if (change->hdr.hwndFrom != list_.Hwnd()) {
        handled = false;
        return 0;
    }
    UpdateStatusText();
    if (!document_.collection || previewPending_) return 0;
    previewPending_ = PostMessageW(Hwnd(), kUpdatePreviewMessage, 0, 0) != FALSE;
    return 0;
}

LRESULT MainFrame::OnUpdatePreview(UINT, WPARAM, LPARAM, bool&) {
    previewPending_ = false;
    UpdatePreview();
    return 0;
}

// The preview shows the focused selected row, the one Copy image takes, or nothing.
void MainFrame::UpdatePreview() {
    const ImageListEntry* entry = document_.collection ? list_.GetEntry(list_.PreviewRow()) : nullptr;
    const int index = entry ? entry->index : -1;
    if (index == previewIndex_ || !preview_.Hwnd()) return;
    ComPtr<IUnknown> image;
    const HRESULT result = entry ? document_.collection->GetImage(index, image.GetAddressOf()) : S_OK;
    // A picture refused by a limit is no damage: the pane says which picture and which limit.
    const std::wstring note = !image && entry && IsImageLimitRefusal(result)
                                  ? FormatUiString(IDS_PREVIEW_OVER_LIMIT, {entry->name, SystemErrorText(result)})
                                  : std::wstring();
    ShowInPreview(preview_, image.Get(), note, entry ? entry->name : std::wstring());
    previewIndex_ = index;
}

LRESULT MainFrame::OnSelectAll(UINT, WPARAM, LPARAM, bool&) {
    if (list_.Hwnd()) ListView_SetItemState(list_.Hwnd(), -1, LVIS_SELECTED, LVIS_SELECTED);
    return 0;
}

bool MainFrame::PreTranslateMessage(MSG& msg) {
    if (!Hwnd() || !IsWithin(msg.hwnd, Hwnd())) return false;
    if (accelerators_ && TranslateAcceleratorW(Hwnd(), accelerators_.Get(), &msg)) return true;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0, shift = GetKeyState(VK_SHIFT) < 0;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && !ctrl && !alt && MoveFocusBetweenPanes(shift)) {
        return true;
    }
    // Shift+F10 stays the context-menu key.
    if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F10 && !shift && !ctrl) {
        ToggleToolbarFocus();
        return true;
    }
    return preview_.Hwnd() && preview_.PreTranslateMessage(&msg);
}

// The frame is no dialog, so Tab would otherwise stay inside whichever pane has the focus.
bool MainFrame::MoveFocusBetweenPanes(bool backwards) {
    HWND focus = GetFocus();
    std::vector<HWND> stops;
    for (HWND pane : {toolbar_.Hwnd(), list_.Hwnd(), splitter_.Hwnd(), preview_.Hwnd()}) {
        if (pane && IsWindowVisible(pane)) stops.push_back(pane);
    }
    if (stops.empty()) return false;
    // The splitter holds the list and the preview: only the bar itself counts as the splitter.
    const auto current = std::find_if(stops.begin(), stops.end(), [&](HWND pane) {
        return pane == splitter_.Hwnd() ? focus == pane : IsWithin(focus, pane);
    });
    if (current == stops.end()) {
        SetFocus(list_.Hwnd() ? list_.Hwnd() : stops.front());
        return true;
    }
    const size_t count = stops.size();
    const size_t at = static_cast<size_t>(current - stops.begin());
    SetFocus(stops[(at + (backwards ? count - 1 : 1)) % count]);
    return true;
}

void MainFrame::ToggleToolbarFocus() {
    if (!toolbar_.Hwnd()) return;
    if (GetFocus() == toolbar_.Hwnd()) {
        toolbar_.ReturnFocus();
    } else {
        SetFocus(toolbar_.Hwnd());
    }
}

// Alt pressed and released alone: the frame has no menu bar, so the toolbar stands in for it.
// Alt+Space and the other system-menu keys carry their character and go on as usual.
LRESULT MainFrame::OnSystemCommand(UINT, WPARAM wParam, LPARAM lParam, bool& handled) {
    if ((wParam & 0xFFF0) != SC_KEYMENU || lParam != 0) {
        handled = false;
        return 0;
    }
    ToggleToolbarFocus();
    return 0;
}

LRESULT MainFrame::OnMenuChar(UINT, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (HIWORD(wParam) & MF_SYSMENU) {
        handled = false;
        return 0;
    }
    return pictrove::OnMenuChar(reinterpret_cast<HMENU>(lParam), static_cast<wchar_t>(LOWORD(wParam)));
}

// Activation gives the frame itself the focus; the keys belong to the list.
LRESULT MainFrame::OnSetFocus(UINT, WPARAM, LPARAM, bool&) {
    if (list_.Hwnd()) SetFocus(list_.Hwnd());
    return 0;
}

LRESULT MainFrame::OnDropFiles(UINT, WPARAM wParam, LPARAM, bool&) {
    pictrove::OnDropFiles(reinterpret_cast<HDROP>(wParam), [this](const std::wstring& path) { Open(path); });
    return 0;
}

}  // namespace pictrove
