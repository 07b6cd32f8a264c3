// About dialog, its logo and the version record.
#include "browse/AboutDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include <wrl/client.h>

#include "resources/ResourceIds.h"
#include "common/Handles.h"

namespace pictrove {

bool FileVersion::Read(const std::wstring& path) {
    info_ = {};
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return false;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    info_ = *fixed;
    return info_.dwSignature == 0xFEEF04BD;
}

std::wstring FileVersion::ShortText() const {
    return std::to_wstring(HIWORD(info_.dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info_.dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(info_.dwFileVersionLS));
}

std::span<const MessageEntry<LogoPicture>> LogoPicture::MessageTable() {
    static constexpr MessageEntry<LogoPicture> kTable[] = {
        OnMessage<LogoPicture>(WM_PAINT, &LogoPicture::OnPaint),
        OnMessage<LogoPicture>(WM_DESTROY, &LogoPicture::OnDestroy),
    };
    return kTable;
}

bool LogoPicture::LoadFromResource(const wchar_t* type, UINT id) {
    image_.reset();
    HINSTANCE instance = ResourceInstance();
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(id), type);
    const DWORD size = resource ? SizeofResource(instance, resource) : 0;
    const void* bytes = size ? LockResource(LoadResource(instance, resource)) : nullptr;
    if (!bytes) return false;
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!block) return false;
    if (void* target = GlobalLock(block.Get())) {
        memcpy(target, bytes, size);
        GlobalUnlock(block.Get());
    }
    Microsoft::WRL::ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(block.Get(), FALSE, stream.GetAddressOf()))) return false;
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(stream.Get());
    if (bitmap->GetLastStatus() != Gdiplus::Ok) return false;
    // Decode now, while the bytes behind the stream still exist.
    Gdiplus::Rect all(0, 0, static_cast<INT>(bitmap->GetWidth()), static_cast<INT>(bitmap->GetHeight()));
    Gdiplus::BitmapData data{};
    if (bitmap->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
        bitmap->UnlockBits(&data);
    }
    image_ = std::move(bitmap);
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
    return true;
}

LRESULT LogoPicture::OnPaint(UINT, WPARAM, LPARAM, bool& handled) {
    if (!image_) {
        handled = false;
        return 0;
    }
    ScopedPaint paint(Hwnd());
    Gdiplus::Graphics graphics(paint.Get());
    graphics.DrawImage(image_.get(), 0, 0, static_cast<INT>(image_->GetWidth()), static_cast<INT>(image_->GetHeight()));
    return 0;
}

LRESULT LogoPicture::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
    image_.reset();
    handled = false;
    return 0;
}

AboutDialog::AboutDialog() : ModalDialogImpl(IDD_ABOUT) {}

std::span<const MessageEntry<AboutDialog>> AboutDialog::MessageTable() {
    static constexpr MessageEntry<AboutDialog> kTable[] = {
        OnMessage<AboutDialog>(WM_INITDIALOG, &AboutDialog::OnInitDialog),
        OnMessage<AboutDialog>(WM_CLOSE, &AboutDialog::OnClose),
        OnCommand<AboutDialog>(IDOK, &AboutDialog::OnOk),
        OnCommand<AboutDialog>(IDCANCEL, &AboutDialog::OnClose),
        OnNotify<AboutDialog>(NM_CLICK, &AboutDialog::OnLinkClick),
    };
    return kTable;
}

LRESULT AboutDialog::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
    CenterWindow(Hwnd(), GetParent(Hwnd()));
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    FileVersion version;
    version.Read(path);
    SetDlgItemTextW(Hwnd(), IDC_ABOUT_VERSION, version.ShortText().c_str());

    if (logo_.Attach(GetDlgItem(Hwnd(), IDC_ABOUT_PICTURE))) logo_.LoadFromResource(L"PNG", IDR_LOGO);
    site_.AttachLink(GetDlgItem(Hwnd(), IDC_ABOUT_SITE), kWebSiteAddress, true);
    // Both links report their clicks, so following one goes through openTarget.
    support_.AttachLink(GetDlgItem(Hwnd(), IDC_ABOUT_SUPPORT), std::wstring(L"mailto:") + kSupportAddress, true);
    // The links take tab stops; the focus still starts on OK.
    SetFocus(GetDlgItem(Hwnd(), IDOK));
    return FALSE;
}

LRESULT AboutDialog::OnClose(UINT, WPARAM, LPARAM, bool&) {
    EndDialog(Hwnd(), IDCANCEL);
    return 0;
}

LRESULT AboutDialog::OnOk(UINT, WPARAM, LPARAM, bool&) {
    EndDialog(Hwnd(), IDOK);
    return 0;
}

bool OpenWithShell(const std::wstring& target) {
    return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) >
           32;
}

LRESULT AboutDialog::OnLinkClick(UINT, WPARAM, LPARAM lParam, bool& handled) {
    const UINT_PTR id = reinterpret_cast<const NMHDR*>(lParam)->idFrom;
    Hyperlink* link = id == IDC_ABOUT_SITE ? &site_ : id == IDC_ABOUT_SUPPORT ? &support_ : nullptr;
    if (!link) {
        handled = false;
        return 0;
    }
    if (openTarget && openTarget(link->Target())) link->MarkVisited();
    return 0;
}

}  // namespace pictrove
