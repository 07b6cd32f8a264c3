// The About dialog on its built-in template: version from the executable, logo, links, closing.
#include <gtest/gtest.h>

#include <windows.h>

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

TEST(AboutDialog, OkEndsWithOne) {
    DialogCapture capture([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); });
    AboutDialog dialog;
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
}

}  // namespace
}  // namespace pictrove::test
