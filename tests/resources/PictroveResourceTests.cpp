// The shipped language file: every language carries what English has (texts, dialogs, menu,
// commands) with the same ids, conversions and mnemonic structure, English equals the built-in
// resources, and every dialog, menu and column header shows its whole text in every language.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <functional>
#include <set>

#include "app/Shortcuts.h"
#include "browse/AboutDialog.h"
#include "browse/ImageListView.h"
#include "extract/ExistingFilesQuestion.h"
#include "extract/ExtractSettingsDialog.h"
#include "extract/ProgressDialog.h"
#include "reader/PasswordDialog.h"
#include "resources/DialogLayoutCheck.h"
#include "resources/LanguageResources.h"
#include "resources/MenuBuilder.h"
#include "resources/ResourceIds.h"
#include "resources/SettingsStore.h"
#include "resources/UiStrings.h"
#include "tests/resources/XmlTestSupport.h"
#include "ui/OwnerDrawnMenu.h"

namespace pictrove::test {
namespace {

constexpr UINT kDialogs[] = {IDD_PASSWORD, IDD_EXTRACT_SETTINGS, IDD_PROGRESS, IDD_ABOUT};

// The mnemonic letters of a text: the character after each single ampersand.
std::vector<wchar_t> Mnemonics(const std::wstring& text) {
    std::vector<wchar_t> letters;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] != L'&') letters.push_back(static_cast<wchar_t>(std::towupper(text[i + 1])));
        ++i;
    }
    return letters;
}

// A menu text as a command name: without its mnemonic marker, either "&x" or a trailing "(&X)".
std::wstring WithoutMnemonic(std::wstring text) {
    const size_t tab = text.find(L'\t');
    if (tab != std::wstring::npos) text.resize(tab);
    const size_t open = text.find(L"(&");
    if (open != std::wstring::npos && open + 4 == text.size() && text.back() == L')') {
        text.resize(open);
        return text;
    }
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

std::string Narrow(const std::wstring& text) {
    return testing::PrintToString(text);
}

class ShippedLanguages : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(language_.LoadLanguageFile(ProgramFolder() + kLanguageFileName));
        for (const auto& entry : language_.Languages()) ids_.push_back(entry.id);
    }
    void Select(const std::wstring& id) {
        language_.languageId = id;
        ASSERT_TRUE(language_.SelectLanguage()) << Narrow(id);
    }
    DialogTemplateBuilder Dialog(UINT id) {
        DialogTemplateBuilder d;
        EXPECT_TRUE(ReadDialogDescription(language_, id, d)) << Narrow(language_.languageId) << " dialog " << id;
        return d;
    }

    struct MenuEntry {
        int depth;
        UINT id;
        bool popup, separator;
        std::wstring text;
    };
    static void Flatten(HMENU menu, int depth, std::vector<MenuEntry>& out) {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[256] = L"";
            GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
            HMENU sub = GetSubMenu(menu, i);
            const bool separator = (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) != 0;
            out.push_back({depth, sub ? 0u : GetMenuItemID(menu, i), sub != nullptr, separator, text});
            if (sub) Flatten(sub, depth + 1, out);
        }
    }
    std::vector<MenuEntry> Menu(UINT id) {
        std::vector<MenuEntry> entries;
        UniqueMenu menu;
        EXPECT_TRUE(LoadMenuFromLanguage(&language_, id, menu)) << Narrow(language_.languageId);
        if (menu) Flatten(menu.Get(), 0, entries);
        return entries;
    }

    LanguageResources language_;
    std::vector<std::wstring> ids_;
};

TEST_F(ShippedLanguages, AreTheElevenLanguagesWithTheirOwnNames) {
    EXPECT_EQ(ids_, (std::vector<std::wstring>{L"en", L"de", L"fr", L"es", L"ru", L"it", L"pt-BR", L"pl", L"uk",
                                               L"zh-CN", L"ja"}));
    std::set<std::wstring> names;
    for (const auto& entry : language_.Languages()) {
        EXPECT_FALSE(entry.name.empty()) << Narrow(entry.id);
        EXPECT_TRUE(names.insert(entry.name).second) << Narrow(entry.name);
    }
}

// The language file's English may word its texts better than the built-in ones, and its folder
// row makes room for a browse button that says what it does; everything else is the built-in.
TEST_F(ShippedLanguages, EnglishDialogsAndMenuAreTheBuiltInOnes) {
    Select(L"en");
    for (UINT id : kDialogs) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        DialogTemplateBuilder builtIn;
        ASSERT_TRUE(ReadBuiltInDialog(id, builtIn));
        const DialogTemplateBuilder english = Dialog(id);
        EXPECT_EQ(english.style, builtIn.style);
        EXPECT_EQ(english.exStyle, builtIn.exStyle);
        EXPECT_EQ(std::vector<int>({english.x, english.y, english.width, english.height}),
                  std::vector<int>({builtIn.x, builtIn.y, builtIn.width, builtIn.height}));
        EXPECT_FALSE(english.caption.empty());
        EXPECT_EQ(english.fontName, builtIn.fontName);
        EXPECT_EQ(english.pointSize, builtIn.pointSize);
        ASSERT_EQ(english.controls.size(), builtIn.controls.size());
        for (size_t i = 0; i < builtIn.controls.size(); ++i) {
            const DialogControlItem& a = english.controls[i];
            const DialogControlItem& b = builtIn.controls[i];
            SCOPED_TRACE("control " + std::to_string(i));
            EXPECT_EQ(a.id, b.id);
            EXPECT_EQ(a.style, b.style);
            EXPECT_EQ(a.exStyle, b.exStyle);
            if (b.id != IDC_EXTRACT_FOLDER && b.id != IDC_EXTRACT_BROWSE) {
                EXPECT_EQ(std::vector<int>({a.x, a.y, a.width, a.height}),
                          std::vector<int>({b.x, b.y, b.width, b.height}));
            }
            EXPECT_EQ(a.captionId, b.captionId);
            EXPECT_EQ(a.caption.empty(), b.caption.empty() && b.id != IDC_PROGRESS_TEXT);
        }
        EXPECT_EQ(LayoutFault(english, builtIn), L"");
    }
    std::vector<MenuEntry> builtInMenu;
    UniqueMenu menu(LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(IDR_CONTEXT_MENU)));
    ASSERT_TRUE(menu);
    Flatten(menu.Get(), 0, builtInMenu);
    const std::vector<MenuEntry> english = Menu(IDR_CONTEXT_MENU);
    ASSERT_EQ(english.size(), builtInMenu.size());
    for (size_t i = 0; i < english.size(); ++i) {
        EXPECT_EQ(english[i].id, builtInMenu[i].id) << i;
        EXPECT_EQ(WithoutMnemonic(english[i].text), WithoutMnemonic(builtInMenu[i].text)) << i;
        EXPECT_EQ(english[i].popup, builtInMenu[i].popup) << i;
    }
}

TEST_F(ShippedLanguages, EveryLanguageHasEnglishsDialogsMenuAndCommandsWithTheSameIds) {
    Select(L"en");
    std::map<UINT, DialogTemplateBuilder> english;
    for (UINT id : kDialogs) english[id] = Dialog(id);
    const std::vector<MenuEntry> englishMenu = Menu(IDR_CONTEXT_MENU);
    const std::vector<CommandGroup> englishCommands = language_.CommandGroups();
    ASSERT_FALSE(englishCommands.empty());

    for (const std::wstring& languageId : ids_) {
        Select(languageId);
        for (UINT id : kDialogs) {
            SCOPED_TRACE(Narrow(languageId) + " dialog " + std::to_string(id));
            const DialogTemplateBuilder d = Dialog(id);
            const DialogTemplateBuilder& e = english[id];
            EXPECT_EQ(LayoutFault(d, e), L"");
            EXPECT_FALSE(d.caption.empty());
            EXPECT_EQ(d.style, e.style) << "the same kind of window";
            EXPECT_TRUE(d.fontName == L"MS Shell Dlg" || d.fontName == L"MS Shell Dlg 2")
                << "dialogs use the system's user-interface font, which Windows picks per language";
            ASSERT_EQ(d.controls.size(), e.controls.size());
            std::vector<wchar_t> letters;
            for (size_t i = 0; i < d.controls.size(); ++i) {
                const DialogControlItem& a = d.controls[i];
                const DialogControlItem& b = e.controls[i];
                SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(b.id));
                EXPECT_EQ(a.id, b.id);
                EXPECT_EQ(a.style, b.style);
                EXPECT_EQ(a.classAtom, b.classAtom);
                EXPECT_EQ(a.className, b.className);
                EXPECT_EQ(a.captionId, b.captionId);
                // Addresses and numbers stay as they are; every other text is there in the language.
                EXPECT_EQ(a.caption.empty(), b.caption.empty());
                if (b.id == IDC_ABOUT_SITE || b.id == IDC_ABOUT_SUPPORT || b.id == IDC_ABOUT_VERSION) {
                    EXPECT_EQ(a.caption, b.caption);
                }
                EXPECT_EQ(Mnemonics(a.caption).size(), Mnemonics(b.caption).size()) << Narrow(a.caption);
                for (wchar_t c : Mnemonics(a.caption)) letters.push_back(c);
            }
            std::set<wchar_t> unique(letters.begin(), letters.end());
            EXPECT_EQ(unique.size(), letters.size()) << "mnemonics repeat within the dialog";
        }

        SCOPED_TRACE(Narrow(languageId) + " menu");
        const std::vector<MenuEntry> menu = Menu(IDR_CONTEXT_MENU);
        ASSERT_EQ(menu.size(), englishMenu.size());
        std::map<int, std::vector<wchar_t>> lettersByDepth;
        for (size_t i = 0; i < menu.size(); ++i) {
            EXPECT_EQ(menu[i].id, englishMenu[i].id) << i;
            EXPECT_EQ(menu[i].depth, englishMenu[i].depth) << i;
            EXPECT_EQ(menu[i].popup, englishMenu[i].popup) << i;
            EXPECT_EQ(menu[i].separator, englishMenu[i].separator) << i;
            EXPECT_EQ(menu[i].text.empty(), menu[i].separator) << i;
            EXPECT_EQ(Mnemonics(menu[i].text).size(), Mnemonics(englishMenu[i].text).size()) << Narrow(menu[i].text);
            if (menu[i].depth > 0) {
                for (wchar_t c : Mnemonics(menu[i].text)) lettersByDepth[menu[i].depth].push_back(c);
            }
        }
        for (const auto& [depth, letters] : lettersByDepth) {
            EXPECT_EQ(std::set<wchar_t>(letters.begin(), letters.end()).size(), letters.size())
                << "mnemonics repeat within the menu";
        }

        // The command table: the same groups and command ids; each command named as its menu item
        // reads, its tooltip the language's text of the command where it has one.
        const std::vector<CommandGroup>& groups = language_.CommandGroups();
        ASSERT_EQ(groups.size(), englishCommands.size());
        for (size_t g = 0; g < groups.size(); ++g) {
            EXPECT_FALSE(groups[g].name.empty());
            ASSERT_EQ(groups[g].commands.size(), englishCommands[g].commands.size());
            for (size_t c = 0; c < groups[g].commands.size(); ++c) {
                const CommandInfo& command = groups[g].commands[c];
                SCOPED_TRACE("command " + std::to_string(command.id));
                EXPECT_EQ(command.id, englishCommands[g].commands[c].id);
                EXPECT_FALSE(command.tooltip.empty());
                std::wstring text;
                if (language_.GetLanguageString(static_cast<UINT>(command.id), text)) {
                    EXPECT_EQ(command.tooltip, text);
                }
                for (const MenuEntry& item : menu) {
                    if (!item.popup && item.id == static_cast<UINT>(command.id)) {
                        EXPECT_EQ(command.name, WithoutMnemonic(item.text));
                    }
                }
            }
        }
    }
}

// What the keyboard and screen readers need of the dialogs, in every language and built in: Enter
// extracts, the browse button says what it does, the progress text labels the bar it precedes.
TEST_F(ShippedLanguages, DialogsServeTheKeyboardAndScreenReaders) {
    std::vector<std::pair<std::string, DialogTemplateBuilder>> layouts;
    for (UINT id : {IDD_EXTRACT_SETTINGS, IDD_PROGRESS}) {
        DialogTemplateBuilder builtIn;
        ASSERT_TRUE(ReadBuiltInDialog(id, builtIn));
        layouts.emplace_back("built-in " + std::to_string(id), builtIn);
        for (const std::wstring& languageId : ids_) {
            Select(languageId);
            layouts.emplace_back(Narrow(languageId) + " " + std::to_string(id), Dialog(id));
        }
    }
    for (const auto& [label, layout] : layouts) {
        std::vector<int> order;
        for (const DialogControlItem& control : layout.controls) {
            order.push_back(control.id);
            if (control.id == IDOK) {
                EXPECT_EQ(control.style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON)) << label;
            }
            if (control.id == IDC_EXTRACT_BROWSE && label.rfind("built-in", 0) != 0) {
                EXPECT_EQ(Mnemonics(control.caption).size(), 1u) << label << " " << Narrow(control.caption);
            }
            if (control.id == IDC_EXTRACT_FOLDER || control.id == IDC_EXTRACT_TEMPLATE ||
                control.id == IDC_EXTRACT_TYPE) {
                // The label just before a box names it; its mnemonic leads there.
                const DialogControlItem& before = layout.controls[order.size() - 2];
                EXPECT_TRUE(before.classAtom == 0x0082 || _wcsicmp(before.className.c_str(), L"Static") == 0)
                    << label << ": a static";
                if (label.rfind("built-in", 0) != 0) {
                    EXPECT_EQ(Mnemonics(before.caption).size(), 1u) << label;
                }
            }
        }
        const auto bar = std::find(order.begin(), order.end(), IDC_PROGRESS_BAR);
        if (bar == order.end()) continue;
        EXPECT_LT(std::find(order.begin(), order.end(), IDC_PROGRESS_TEXT), bar)
            << label << ": the text labels the bar";
    }
}

// Texts shown side by side in one window keep their mnemonics apart too: the buttons of the
// question about files that already exist.
TEST_F(ShippedLanguages, TheExistingFilesButtonsHaveDistinctMnemonics) {
    for (const std::wstring& languageId : ids_) {
        Select(languageId);
        std::wstring replace, keep, cancel;
        ASSERT_TRUE(language_.GetLanguageString(IDS_REPLACE_FILES, replace));
        ASSERT_TRUE(language_.GetLanguageString(IDS_KEEP_BOTH_FILES, keep));
        ASSERT_TRUE(language_.GetLanguageString(IDS_CANCEL_WRITING, cancel));
        const auto a = Mnemonics(replace), b = Mnemonics(keep);
        ASSERT_EQ(a.size(), 1u) << Narrow(replace);
        ASSERT_EQ(b.size(), 1u) << Narrow(keep);
        EXPECT_NE(a[0], b[0]) << Narrow(languageId);
    }
}

// ---- Every text fits, measured on the real windows ----

// What one dialog showed: its caption and the texts it clipped.
struct DialogLook {
    int shown = 0;
    std::wstring caption;
    std::vector<ClippedText> clipped;
};

struct PendingLook {
    DialogLook* look = nullptr;
    UINT closeButton = IDCANCEL;
    std::wstring shotPath;
};
PendingLook g_pending;

// Saves what the screen shows of a window as a 24-bit BMP file.
void SaveWindowShot(HWND window, const std::wstring& path) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    ScopedGetDC screen(nullptr);
    UniqueMemoryDc memory(CreateCompatibleDC(screen.Get()));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB};
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return;
    {
        ScopedSelectObject select(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), rect.left, rect.top, SRCCOPY);
    }
    GdiFlush();
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    const size_t imageSize = stride * static_cast<size_t>(height);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageSize),
                          0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    std::vector<unsigned char> bytes(reinterpret_cast<unsigned char*>(&file),
                                     reinterpret_cast<unsigned char*>(&file) + sizeof(file));
    const auto* header = reinterpret_cast<unsigned char*>(&info.bmiHeader);
    bytes.insert(bytes.end(), header, header + sizeof(BITMAPINFOHEADER));
    const auto* pixels = static_cast<unsigned char*>(bits);
    bytes.insert(bytes.end(), pixels, pixels + imageSize);
    WriteFileBytes(path, bytes);
}

// Once the dialog is on screen and has painted: measure, keep a picture when asked to, close.
void CALLBACK LookAtDialog(HWND dialog, UINT, UINT_PTR id, DWORD) {
    KillTimer(dialog, id);
    if (!g_pending.look) return;
    DialogLook& look = *g_pending.look;
    ++look.shown;
    wchar_t caption[256] = L"";
    GetWindowTextW(dialog, caption, 256);
    look.caption = caption;
    look.clipped = FindClippedTexts(dialog);
    if (!g_pending.shotPath.empty()) {
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        SaveWindowShot(dialog, g_pending.shotPath);
    }
    PostMessageW(dialog, WM_COMMAND, g_pending.closeButton, 0);
}

// Every dialog-class window activated on this thread, message boxes and task dialogs included.
std::function<void(HWND)> g_onDialog;
LRESULT CALLBACK SeeDialogs(int code, WPARAM wParam, LPARAM lParam) {
    wchar_t className[16] = L"";
    if (code == HCBT_ACTIVATE && g_onDialog && GetClassNameW(reinterpret_cast<HWND>(wParam), className, 16) &&
        lstrcmpW(className, L"#32770") == 0) {
        g_onDialog(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Runs a dialog through its object, as the program does, and looks at it once it is shown.
DialogLook LookAt(const std::function<void()>& run,
                  UINT closeButton,
                  const std::wstring& shotPath,
                  const std::function<void(HWND)>& prepare = {}) {
    DialogLook look;
    g_pending = {&look, closeButton, shotPath};
    std::set<HWND> seen;
    g_onDialog = [&](HWND dialog) {
        if (!seen.insert(dialog).second) return;
        if (prepare) prepare(dialog);
        // A picture waits until the dialog has been shown and painted through.
        SetTimer(dialog, 1, shotPath.empty() ? 60 : 500, LookAtDialog);
    };
    HHOOK hook = SetWindowsHookExW(WH_CBT, SeeDialogs, nullptr, GetCurrentThreadId());
    run();
    UnhookWindowsHookEx(hook);
    g_onDialog = {};
    g_pending = {};
    return look;
}

std::string Describe(const std::vector<ClippedText>& clipped) {
    std::string text;
    for (const ClippedText& c : clipped) {
        text += "\n  control " + std::to_string(c.controlId) + " " + Narrow(c.text) + ": needs " +
                std::to_string(c.needed) + " px, has " + std::to_string(c.available);
    }
    return text;
}

class ProgressWork : public ProgressDialog::Work {
  public:
    int StepCount() const override { return 99999; }
    bool StartWork(HWND) override { return true; }
    void StopWork() override {}
};

// The folder for pictures of the dialogs, from PICTROVE_SHOT_DIR; empty for none.
std::wstring ShotFolder() {
    wchar_t folder[MAX_PATH] = L"";
    return GetEnvironmentVariableW(L"PICTROVE_SHOT_DIR", folder, MAX_PATH) ? std::wstring(folder) + L"\\" : L"";
}

TEST_F(ShippedLanguages, EveryDialogShowsItsWholeTextInEveryLanguage) {
    TempFolder folder;
    SettingsStore settings;
    ASSERT_TRUE(settings.OpenSettings(folder.File(L"PictroveSetting.xml")));
    const std::wstring shots = ShotFolder();
    for (const std::wstring& languageId : ids_) {
        Select(languageId);
        const LanguageResources* previous = SetUiLanguage(&language_);
        struct Case {
            UINT id;  // the dialog's, or 0 for a task dialog or message box
            UINT close;
            std::function<void()> run;
            std::function<void(HWND)> prepare;
            UINT captionString = 0;  // the caption of a task dialog or message box
        };
        ProgressWork work;
        const Case cases[] = {
            // The longest name the prompt shows: 20 characters and an ellipsis.
            {IDD_PASSWORD, IDCANCEL,
             [] { PasswordDialog(L"C:\\Documents\\WWWWWWWWWWWWWWWWWWWWWWWWWWWW.pdf").DoModal(nullptr); }},
            {IDD_EXTRACT_SETTINGS, IDCANCEL, [&] { ExtractImageDlg(settings).DoModal(nullptr); }},
            {IDD_PROGRESS, IDCANCEL, [&] { ProgressDialog(work).RunModal(nullptr); },
             [](HWND dialog) { PostMessageW(dialog, WM_EXTRACT_PROGRESS, 99998, 0); }},
            {IDD_ABOUT, IDOK, [] { AboutDialog().DoModal(nullptr); }},
            // The system lays these out: their buttons are measured all the same.
            {0, IDCANCEL, [] { AskAboutExistingFiles(nullptr, 12, L"C:\\Pictures\\Image1.png"); }, {}, IDS_APP_NAME},
            {0,
             IDOK,
             [] { ShowProgramMessage(FormatUiString(IDS_NO_IMAGES, {L"C:\\Docs\\book.pdf"}), MB_ICONINFORMATION); },
             {},
             IDS_ERROR_CAPTION},
        };
        for (const Case& c : cases) {
            const std::wstring name = c.id ? std::to_wstring(c.id) : L"string-" + std::to_wstring(c.captionString);
            SCOPED_TRACE(Narrow(languageId) + " dialog " + Narrow(name));
            const std::wstring shot = shots.empty() ? L"" : shots + languageId + L"-" + name + L".bmp";
            const DialogLook look = LookAt(c.run, c.close, shot, c.prepare);
            EXPECT_EQ(look.shown, 1);
            EXPECT_EQ(look.caption, c.id ? Dialog(c.id).caption : LoadUiString(c.captionString))
                << "the language's own layout is the one shown";
            EXPECT_TRUE(look.clipped.empty()) << Describe(look.clipped);
        }
        SetUiLanguage(previous);
    }
}

// A window that hosts the image list, as the main window's left pane.
class ListHost {
  public:
    ListHost() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PictroveResourceTestsHost";
        RegisterClassW(&wc);
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr, nullptr,
                                wc.hInstance, nullptr);
    }
    ~ListHost() { DestroyWindow(hwnd_); }
    HWND Hwnd() const { return hwnd_; }

  private:
    HWND hwnd_ = nullptr;
};

TEST_F(ShippedLanguages, ColumnHeadersShowTheirWholeTitleAtTheirDefaultWidths) {
    for (const std::wstring& languageId : ids_) {
        Select(languageId);
        const LanguageResources* previous = SetUiLanguage(&language_);
        ListHost host;
        ImageListView list;
        ASSERT_TRUE(list.Create(host.Hwnd(), 100));
        HWND header = ListView_GetHeader(list.Hwnd());
        ASSERT_NE(header, nullptr);
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0));
        ScopedGetDC screen(nullptr);
        ScopedSelectObject select(screen.Get(), font ? font : GetStockObject(DEFAULT_GUI_FONT));
        for (int column = 0; column < Header_GetItemCount(header); ++column) {
            wchar_t title[128] = L"";
            HDITEMW item{};
            item.mask = HDI_TEXT;
            item.pszText = title;
            item.cchTextMax = 128;
            Header_GetItem(header, column, &item);
            RECT rect{};
            Header_GetItemRect(header, column, &rect);
            SIZE size{};
            GetTextExtentPoint32W(screen.Get(), title, static_cast<int>(wcslen(title)), &size);
            // The header keeps three edges of room on either side of a title.
            const int margin = 2 * 3 * GetSystemMetrics(SM_CXEDGE);
            EXPECT_LE(size.cx + margin, rect.right - rect.left)
                << Narrow(languageId) << " column " << column << " " << Narrow(title);
            std::wstring expected;
            LoadUiString(IDS_COLUMN_NAME + static_cast<UINT>(column), expected);
            EXPECT_EQ(title, expected);
        }
        SetUiLanguage(previous);
    }
}

TEST_F(ShippedLanguages, EveryMenuItemShowsItsWholeTextInEveryLanguage) {
    for (const std::wstring& languageId : ids_) {
        Select(languageId);
        const LanguageResources* previous = SetUiLanguage(&language_);
        // The context menu as the main window prepares it: from the language, with shortcut
        // labels, owner-drawn.
        UniqueMenu menu = LoadMenuResource(IDR_CONTEXT_MENU);
        SetUiLanguage(previous);
        ASSERT_TRUE(menu);
        AddShortcutsToMenu(menu.Get());
        ConvertMenu(menu.Get(), true);
        HMENU popup = GetSubMenu(menu.Get(), 0);
        ASSERT_NE(popup, nullptr);

        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        UniqueFont font(CreateFontIndirectW(&metrics.lfMenuFont));
        ScopedGetDC screen(nullptr);
        ScopedSelectObject select(screen.Get(), font.Get());
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_DATA | MIIM_FTYPE;
            GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info);
            const MenuItemRecord* record = FindMenuItemRecord(info.dwItemData);
            ASSERT_NE(record, nullptr);
            if (record->type & MFT_SEPARATOR) continue;
            wchar_t full[256] = L"";
            GetMenuStringW(popup, static_cast<UINT>(i), full, 256, MF_BYPOSITION);
            SCOPED_TRACE(Narrow(languageId) + " item " + Narrow(full));
            EXPECT_EQ(record->text, full) << "the whole text is kept";
            MEASUREITEMSTRUCT measure{};
            measure.CtlType = ODT_MENU;
            measure.itemData = info.dwItemData;
            ASSERT_TRUE(OnMeasureItem(measure));
            // Drawn: the label after the icon gutter, the shortcut right-aligned before a margin.
            const std::wstring text = record->text;
            const size_t tab = text.find(L'\t');
            RECT label{}, shortcut{};
            const std::wstring labelText = text.substr(0, tab);
            DrawTextW(screen.Get(), labelText.c_str(), -1, &label, DT_SINGLELINE | DT_CALCRECT);
            if (tab != std::wstring::npos) {
                const std::wstring shortcutText = text.substr(tab + 1);
                DrawTextW(screen.Get(), shortcutText.c_str(), -1, &shortcut, DT_SINGLELINE | DT_CALCRECT);
            }
            const int gap = tab != std::wstring::npos ? 8 : 0;
            EXPECT_LE(kMenuIconSize + 14 + label.right + gap + shortcut.right + 12,
                      static_cast<int>(measure.itemWidth));
        }
    }
}

}  // namespace
}  // namespace pictrove::test
