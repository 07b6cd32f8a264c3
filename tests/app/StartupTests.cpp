// The real start-up path with a document on the command line: settings and language from the
// folder given, the document opened, the loop run until the window closes, settings saved.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "app/MainFrame.h"
#include "app/Startup.h"
#include "tests/resources/XmlTestSupport.h"
#include "tests/support/FakeReader.h"
#include "tests/support/TestSupport.h"

namespace pictrove::test {
namespace {

// What the running program showed, read from inside its own loop, which is then ended by
// closing the window as a user would.
struct SeenWhileRunning {
    static inline std::wstring title;
    static inline int rows = -1;
    static inline int ticks = 0;

    static HWND FindFrame() {
        HWND found = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM param) -> BOOL {
                wchar_t name[64] = L"";
                GetClassNameW(window, name, 64);
                if (wcscmp(name, MainFrame::kClassName) != 0) return TRUE;
                *reinterpret_cast<HWND*>(param) = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        HWND frame = FindFrame();
        if (!frame && ++ticks < 100) return;
        KillTimer(nullptr, id);
        if (!frame) return;
        wchar_t text[256] = L"";
        GetWindowTextW(frame, text, 256);
        title = text;
        HWND list = FindWindowExW(FindWindowExW(frame, nullptr, L"WTL_SplitterWindow", nullptr), nullptr,
                                  L"SysListView32", nullptr);
        rows = list ? static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
        PostMessageW(frame, WM_CLOSE, 0, 0);
    }
};

TEST(Startup, OpensTheDocumentNamedOnTheCommandLine) {
    FakeReaderScript script;
    script.images = {{L"one"}, {L"two"}};
    // The DjVu class: no component of ours serves it in this program.
    FakeReaderRegistration fake(kReaderClassIds[2], script);
    ASSERT_TRUE(fake.Registered());
    TempFolder folder;
    ASSERT_TRUE(WriteText(folder.File(kSettingsFileName),
                          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Setting><General><Language ID=\"\"/>"
                          "</General><MainWindow Maximized=\"0\"><Rect Left=\"10\" Top=\"20\" Right=\"810\" "
                          "Bottom=\"620\"/><LeftPane SplitterPos=\"333\"/></MainWindow></Setting>"));
    SeenWhileRunning::title.clear();
    SeenWhileRunning::rows = -1;
    SeenWhileRunning::ticks = 0;
    SetTimer(nullptr, 0, 50, &SeenWhileRunning::Tick);

    // As the runtime passes it: quoted, with a blank inside.
    const int code = RunPictrove(GetModuleHandleW(nullptr), L"\"C:\\Docs\\my book.djvu\"", folder.Path());

    EXPECT_EQ(code, 0);
    EXPECT_EQ(SeenWhileRunning::title, L"my book.djvu - Pictrove");
    EXPECT_EQ(SeenWhileRunning::rows, 2);
    EXPECT_EQ(JoinCalls(fake.Log()).rfind(L"Open(C:\\Docs\\my book.djvu)", 0), 0u) << JoinCalls(fake.Log());
    EXPECT_EQ(fake.Log().liveObjects, 0) << "the document is let go at exit";
    const std::string saved = TextOf(ReadFileBytes(folder.File(kSettingsFileName)));
    EXPECT_NE(saved.find("Left=\"10\" Top=\"20\" Right=\"810\" Bottom=\"620\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("SplitterPos=\"333\""), std::string::npos) << saved;
}

}  // namespace
}  // namespace pictrove::test
