// The interim document window: Open button, drop target, and one line saying what was opened.
#include "app/HostWindow.h"

#include <shellapi.h>
#include <shlobj.h>

#include "extract/ExtractJob.h"

#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

namespace {
constexpr wchar_t kHostClass[] = L"PictroveHostWindow";

// Until the extract settings dialog exists: every image as PNG, named after the image, into
// Pictures\Pictrove (or the temp folder when there is no Pictures folder).
ExtractSettings InterimExtractSettings() {
    ExtractSettings settings;
    wchar_t* pictures = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Pictures, 0, nullptr, &pictures)) && pictures) {
        settings.folder = pictures;
    } else {
        wchar_t temp[MAX_PATH] = L"";
        GetTempPathW(MAX_PATH, temp);
        settings.folder = temp;
    }
    CoTaskMemFree(pictures);
    if (!settings.folder.empty() && settings.folder.back() != L'\\') settings.folder += L'\\';
    settings.folder += L"Pictrove\\";
    settings.fileTemplate = L"%IN%.png";
    settings.typeIndex = 3;
    return settings;
}
}

std::span<const MessageEntry<HostWindow>> HostWindow::MessageTable() {
    static constexpr MessageEntry<HostWindow> kTable[] = {
        OnMessage<HostWindow>(WM_CREATE, &HostWindow::OnCreate),
        OnMessage<HostWindow>(WM_SIZE, &HostWindow::OnSize),
        OnCommand<HostWindow>(IDM_OPEN, &HostWindow::OnOpenCommand),
        OnCommand<HostWindow>(IDM_EXTRACT_ALL, &HostWindow::OnExtractAllCommand),
        OnMessage<HostWindow>(WM_DROPFILES, &HostWindow::OnDropFiles),
        OnMessage<HostWindow>(WM_DESTROY, &HostWindow::OnDestroy),
    };
    return kTable;
}

bool HostWindow::CreateMain(int showCommand) {
    if (!RegisterWindowClassOnce(kHostClass, StandardWindowProc, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                                 LoadCursorW(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1))) {
        return false;
    }
    const RECT rect{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + 640, CW_USEDEFAULT + 200};
    if (!Create(kHostClass, nullptr, LoadUiString(IDS_APP_NAME).c_str(),
                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                WS_EX_APPWINDOW | WS_EX_WINDOWEDGE | WS_EX_ACCEPTFILES, rect)) {
        return false;
    }
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconW(ResourceInstance(), MAKEINTRESOURCEW(IDI_APP))));
    ShowWindow(Hwnd(), showCommand);
    UpdateWindow(Hwnd());
    return true;
}

bool HostWindow::Open(const std::wstring& path) {
    return OpenDocument(path, document_, *this);
}

LRESULT HostWindow::OnCreate(UINT, WPARAM, LPARAM, bool&) {
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    openButton_ = CreateWindowExW(0, L"BUTTON", LoadUiString(IDM_OPEN).c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                  10, 10, 120, 28, Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDM_OPEN)),
                                  ResourceInstance(), nullptr);
    extractAllButton_ = CreateWindowExW(
        0, L"BUTTON", LoadUiString(IDM_EXTRACT_ALL).c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 140, 10, 120, 28,
        Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDM_EXTRACT_ALL)), ResourceInstance(), nullptr);
    outcomeLabel_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 10, 50,
                                    600, 24, Hwnd(), nullptr, ResourceInstance(), nullptr);
    SendMessageW(openButton_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(extractAllButton_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(outcomeLabel_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    overlay_.Configure(Hwnd(), LoadUiString(IDS_OPENING), GetSysColor(COLOR_MENUTEXT),
                       ~GetSysColor(COLOR_MENUTEXT) & 0xFFFFFF);
    DragAcceptFiles(Hwnd(), TRUE);
    return 0;
}

LRESULT HostWindow::OnSize(UINT, WPARAM, LPARAM lParam, bool&) {
    if (outcomeLabel_) MoveWindow(outcomeLabel_, 10, 50, std::max(0, LOWORD(lParam) - 20), 24, TRUE);
    return 0;
}

LRESULT HostWindow::OnOpenCommand(UINT, WPARAM, LPARAM, bool&) {
    PromptOpenDocument([this](const std::wstring& path) { Open(path); });
    return 0;
}

LRESULT HostWindow::OnExtractAllCommand(UINT, WPARAM, LPARAM, bool&) {
    if (!document_.collection) return 0;
    int count = 0;
    document_.collection->GetImageCount(&count);
    std::vector<int> indices;
    for (int i = 0; i < count; ++i) indices.push_back(i);
    if (!indices.empty()) ExtractImages(document_.collection.Get(), indices, InterimExtractSettings());
    return 0;
}

LRESULT HostWindow::OnDropFiles(UINT, WPARAM wParam, LPARAM, bool&) {
    pictrove::OnDropFiles(reinterpret_cast<HDROP>(wParam), [this](const std::wstring& path) { Open(path); });
    return 0;
}

LRESULT HostWindow::OnDestroy(UINT, WPARAM, LPARAM, bool&) {
    document_.collection.Reset();
    PostQuitMessage(0);
    return 0;
}

void HostWindow::ClearImages() {
    SetOutcome({});
}

void HostWindow::ShowImages(ImageCollection& collection) {
    int count = 0;
    collection.GetImageCount(&count);
    const size_t slash = document_.documentPath.rfind(L'\\');
    const std::wstring name =
        slash == std::wstring::npos ? document_.documentPath : document_.documentPath.substr(slash + 1);
    SetWindowTextW(Hwnd(), (name + L" - " + LoadUiString(IDS_APP_NAME)).c_str());
    SetOutcome(name + L": " + FormatUiString(IDS_IMAGE_COUNT, {count}));
}

void HostWindow::SetOutcome(std::wstring text) {
    outcome_ = std::move(text);
    if (outcomeLabel_) SetWindowTextW(outcomeLabel_, outcome_.c_str());
}

}  // namespace pictrove
