// Dialog 1010: the logo, the version read from the executable, and links to the web site and
// to support mail.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <functional>
#include <memory>
#include <string>

#include "ui/Hyperlink.h"
#include "ui/Window.h"

namespace pictrove {

inline constexpr wchar_t kWebSiteAddress[] = L"https://www.pictrove.example";
inline constexpr wchar_t kSupportAddress[] = L"support@pictrove.example";

// The fixed part of a file's version resource.
class FileVersion {
  public:
    bool Read(const std::wstring& path);
    const VS_FIXEDFILEINFO& Info() const { return info_; }
    // "major.minor.build"; the fourth number is not shown.
    std::wstring ShortText() const;

  private:
    VS_FIXEDFILEINFO info_{};
};

// A static control that paints one picture at its own size.
class LogoPicture : public SubclassedWindowImpl<LogoPicture> {
  public:
    bool LoadFromResource(const wchar_t* type, UINT id);
    bool HasImage() const { return image_ != nullptr; }
    void Clear() { image_.reset(); }

    static std::span<const MessageEntry<LogoPicture>> MessageTable();

  private:
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);

    std::unique_ptr<Gdiplus::Bitmap> image_;
};

// Hands a link's target to the shell; true when something took it.
bool OpenWithShell(const std::wstring& target);

class AboutDialog : public ModalDialogImpl<AboutDialog> {
  public:
    AboutDialog();
    INT_PTR DoModal(HWND parent) { return RunModal(parent); }

    // What following a link does with its target: the web address or the "mailto:" address.
    std::function<bool(const std::wstring& target)> openTarget = OpenWithShell;

    static std::span<const MessageEntry<AboutDialog>> MessageTable();

  private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnOk(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLinkClick(UINT, WPARAM, LPARAM, bool&);

    Hyperlink site_;
    Hyperlink support_;
    LogoPicture logo_;
};

}  // namespace pictrove
