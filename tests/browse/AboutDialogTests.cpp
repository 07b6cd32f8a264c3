// The About dialog on its built-in template: version from the executable, logo, links, closing.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "browse/AboutDialog.h"
#include "resources/ResourceIds.h"
#include "tests/support/TestSupport.h"

namespace pictrove::test {
namespace {

TEST(FileVersion, ReadsTheFixedBlockOfTheProgram) {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    FileVersion version;
    ASSERT_TRUE(version.Read(path));
    EXPECT_EQ(version.Info().dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(version.ShortText(), L"1.0.0");
}

TEST(FileVersion, FileWithoutVersionGivesZeros) {
    TempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.File(L"plain.txt"), {'h', 'i'}));
    FileVersion version;
    EXPECT_FALSE(version.Read(folder.File(L"plain.txt")));
    EXPECT_FALSE(version.Read(folder.File(L"missing.exe")));
    EXPECT_EQ(version.ShortText(), L"0.0.0");
}

TEST(AboutDialog, ShowsVersionLogoAndLinksAndClosesFromTheCloseBox) {
    std::wstring versionText, siteText, supportText;
    bool logoShown = false;
    LONG siteStyle = 0;
    DialogCapture capture([&](HWND dialog) {
        versionText = DialogItemText(dialog, IDC_ABOUT_VERSION);
        siteText = DialogItemText(dialog, IDC_ABOUT_SITE);
        supportText = DialogItemText(dialog, IDC_ABOUT_SUPPORT);
        siteStyle = GetWindowLongW(GetDlgItem(dialog, IDC_ABOUT_SITE), GWL_STYLE);
        // The logo paints itself: its top-left area is no longer the dialog's face colour.
        HWND logo = GetDlgItem(dialog, IDC_ABOUT_PICTURE);
        UpdateWindow(dialog);
        RedrawWindow(logo, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        ScopedGetDC dc(logo);
        logoShown = GetPixel(dc.Get(), 40, 60) != GetSysColor(COLOR_BTNFACE);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    AboutDialog dialog;
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(capture.DialogCount(), 1);
    EXPECT_EQ(versionText, L"1.0.0");
    EXPECT_EQ(siteText, L"www.pictrove.example");
    EXPECT_EQ(supportText, L"support@pictrove.example");
    EXPECT_TRUE(siteStyle & SS_NOTIFY) << "the link hears clicks";
    EXPECT_TRUE(logoShown);
}

TEST(AboutDialog, LinksOpenTheAddressesTheyShow) {
    const struct {
        const char* label;
        int link;
        bool byKeyboard;
        const wchar_t* scheme;
    } cases[] = {{"site, click", IDC_ABOUT_SITE, false, L"https://"},
                 {"support, click", IDC_ABOUT_SUPPORT, false, L"mailto:"},
                 {"site, Enter", IDC_ABOUT_SITE, true, L"https://"},
                 {"support, Space", IDC_ABOUT_SUPPORT, true, L"mailto:"}};
    for (const auto& c : cases) {
        std::vector<std::wstring> opened;
        std::wstring shown;
        DialogCapture capture([&](HWND dialog) {
            HWND link = GetDlgItem(dialog, c.link);
            shown = DialogItemText(dialog, c.link);
            if (c.byKeyboard) {
                SendMessageW(link, WM_KEYDOWN, c.link == IDC_ABOUT_SITE ? VK_RETURN : VK_SPACE, 0);
            } else {
                SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
                SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
            }
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        AboutDialog dialog;
        dialog.openTarget = [&](const std::wstring& target) {
            opened.push_back(target);
            return true;
        };
        EXPECT_EQ(dialog.DoModal(nullptr), IDOK) << c.label;
        ASSERT_EQ(opened.size(), 1u) << c.label;
        ASSERT_FALSE(shown.empty()) << c.label;
        EXPECT_EQ(opened[0], std::wstring(c.scheme) + shown) << c.label;
    }
}

// A window's pixels as its screen shows them.
std::vector<COLORREF> ScreenPixels(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    ScopedGetDC dc(window);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) pixels.push_back(GetPixel(dc.Get(), x, y));
    }
    return pixels;
}

TEST(AboutDialog, LinksTakeTheSystemsLinkColourAndShowWhenTheyHaveTheFocus) {
    const int slot = COLOR_HOTLIGHT;
    const COLORREF old = GetSysColor(slot), link = RGB(200, 0, 150);
    SetSysColors(1, &slot, &link);
    std::vector<COLORREF> before, focused, after;
    // Looked at once the dialog shows, from its own loop.
    static std::function<void()> look;
    DialogCapture capture([&](HWND dialog) {
        look = [&, dialog] {
            HWND support = GetDlgItem(dialog, IDC_ABOUT_SUPPORT);
            RedrawWindow(support, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            before = ScreenPixels(support);
            SetFocus(support);
            UpdateWindow(support);
            focused = ScreenPixels(support);
            SetFocus(GetDlgItem(dialog, IDOK));
            UpdateWindow(support);
            after = ScreenPixels(support);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        };
        SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            look();
        });
    });
    AboutDialog dialog;
    dialog.DoModal(nullptr);
    SetSysColors(1, &slot, &old);
    ASSERT_FALSE(before.empty());
    EXPECT_GT(std::count(before.begin(), before.end(), link), 0) << "the text in COLOR_HOTLIGHT";
    EXPECT_NE(focused, before) << "the focus rectangle shows as the focus comes";
    EXPECT_EQ(after, before) << "and goes with it";
}

TEST(AboutDialog, OkEndsWithOne) {
    DialogCapture capture([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); });
    AboutDialog dialog;
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
}

}  // namespace
}  // namespace pictrove::test
