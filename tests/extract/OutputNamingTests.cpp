// Output names from templates, and folder creation on real folders.
#include <gtest/gtest.h>

#include <windows.h>

#include "extract/OutputNaming.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

TEST(IndexPadFormat, WidthIsTheDigitCountOfTheImageCount) {
    const struct {
        int count;
        const wchar_t* format;
    } cases[] = {{0, L"%00d"},   {1, L"%01d"},   {9, L"%01d"},   {10, L"%02d"},   {99, L"%02d"},
                 {100, L"%03d"}, {150, L"%03d"}, {999, L"%03d"}, {1000, L"%04d"}, {70000, L"%05d"}};
    for (const auto& c : cases) EXPECT_EQ(IndexPadFormat(c.count), c.format) << "count " << c.count;
}

// Names a collection of `count` images gives: "any" unless set.
std::wstring PathFor(int count, const wchar_t* fileTemplate, int index, const wchar_t* name) {
    auto* collection = new test::FakeImageCollection;
    for (int i = 0; i < count; ++i) collection->Add(i == index ? name : L"any", nullptr);
    const std::wstring path = BuildOutputPath(collection, L"D:\\Out\\", fileTemplate, index, IndexPadFormat(count));
    EXPECT_EQ(collection->RefCount(), 1u);
    collection->Release();
    return path;
}

TEST(BuildOutputPath, WorkedExamples) {
    const struct {
        int count;
        const wchar_t* fileTemplate;
        int index;
        const wchar_t* name;
        const wchar_t* path;
    } cases[] = {
        {150, L"%IN%.png", 6, L"cover", L"D:\\Out\\cover.png"},
        {150, L"pic_%0II%.jpg", 6, L"any", L"D:\\Out\\pic_007.jpg"},
        {150, L"pic_%0II%.jpg", 149, L"any", L"D:\\Out\\pic_150.jpg"},
        {9, L"p%0II%.gif", 0, L"any", L"D:\\Out\\p1.gif"},
        {10, L"p%0II%.gif", 0, L"any", L"D:\\Out\\p01.gif"},
        {100, L"%0II%.bmp", 0, L"any", L"D:\\Out\\001.bmp"},
        {99, L"%0II%.bmp", 0, L"any", L"D:\\Out\\01.bmp"},
        {20, L"%IN%_%II%.bmp", 4, L"", L"D:\\Out\\Image004_5.bmp"},
        {20, L"%II%-%II%.gif", 2, L"any", L"D:\\Out\\3-3.gif"},
        // Edge cases: lower case is plain text, padded and plain side by side, a name holding a
        // placeholder keeps it.
        {5, L"%ii%.png", 3, L"any", L"D:\\Out\\%ii%.png"},
        {150, L"x%0II%%II%.bmp", 11, L"any", L"D:\\Out\\x01212.bmp"},
        {3, L"%IN%.png", 1, L"a%II%b", L"D:\\Out\\a%II%b.png"},
        {3, L"%IN%.png", 0, L"", L"D:\\Out\\Image000.png"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathFor(c.count, c.fileTemplate, c.index, c.name), c.path)
            << "template " << std::string(c.fileTemplate, c.fileTemplate + wcslen(c.fileTemplate)) << " index "
            << c.index;
    }
}

TEST(BuildOutputPath, NamesCannotLeaveTheFolderButTemplatesAreTakenAsTyped) {
    EXPECT_EQ(PathFor(3, L"%IN%.png", 0, L"..\\..\\x"), L"D:\\Out\\.._.._x.png");
    EXPECT_EQ(PathFor(3, L"%IN%.png", 0, L"../etc/C:y"), L"D:\\Out\\.._etc_C_y.png");
    EXPECT_EQ(PathFor(3, L"sub\\%IN%.png", 0, L"a:b"), L"D:\\Out\\sub\\a_b.png");
    // Placeholders in the folder part are substituted too.
    auto* collection = new test::FakeImageCollection;
    collection->Add(L"n", nullptr);
    EXPECT_EQ(BuildOutputPath(collection, L"D:\\Out%II%\\", L"%II%.png", 0, L"%01d"), L"D:\\Out1\\1.png");
    collection->Release();
}

TEST(SafeImageName, NoNameFromADocumentMakesAFileWindowsCannotHaveOrADevice) {
    struct Case {
        std::wstring name;
        std::wstring safe;
    };
    const Case cases[] = {
        {L"cover", L"cover"},
        {L"con", L"_con"},
        {L"CON", L"_CON"},
        {L"Con.cover", L"_Con.cover"},
        {L"prn", L"_prn"},
        {L"aux", L"_aux"},
        {L"NUL.txt", L"_NUL.txt"},
        {L"com1", L"_com1"},
        {L"LPT9.x", L"_LPT9.x"},
        {L"COM\u00B9", L"_COM\u00B9"},
        {L"conin$", L"_conin$"},
        {L"com0", L"com0"},
        {L"console", L"console"},
        {L"lpt10", L"lpt10"},
        {L"nul_", L"nul_"},
        {L"..", L"__"},
        {L".", L"_"},
        {L"name.", L"name_"},
        {L"name .. ", L"name____"},
        {L"a\tb\x01"
         L"c\x7F",
         L"a_b_c_"},
        {L"what?*<are>|\"these\"", L"what___are___these_"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SafeImageName(c.name), c.safe) << c.name.size();
    }
    // Names are cut to leave room for a template and an extension, never between surrogates.
    const std::wstring longName(300, L'x');
    EXPECT_EQ(SafeImageName(longName), std::wstring(kMaxImageNameLength, L'x'));
    std::wstring pairAtTheCut(kMaxImageNameLength - 1, L'y');
    pairAtTheCut += L"\U0001F600tail";
    const std::wstring cut = SafeImageName(pairAtTheCut);
    EXPECT_EQ(cut, std::wstring(kMaxImageNameLength - 1, L'y'));
    EXPECT_EQ(SafeImageName(std::wstring(kMaxImageNameLength - 2, L'z') + L"\U0001F600"),
              std::wstring(kMaxImageNameLength - 2, L'z') + L"\U0001F600");
}

TEST(ForbiddenCharacters, ListsEachRefusedCharacterOnceInOrder) {
    const struct {
        std::wstring_view text;
        std::wstring templateRefused, folderRefused;
    } kCases[] = {
        {L"", L"", L""},
        {L"C:\\Out\\%IN%", L":", L""},
        {L"\\\\?\\C:\\Out", L"? :", L""},
        {L"\\\\server\\share\\x", L"", L""},
        {L"a:b?c:d??", L": ?", L"? :"},
        {L"x\x7Fy\x01", L"U+007F U+0001", L"U+007F U+0001"},
        {L"<a>|\"*", L"< > | \" *", L"< > | \" *"},
        {L"sub/dir\\%0II%.png", L"", L""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << std::wstring(c.text));
        EXPECT_EQ(ForbiddenTemplateCharacters(c.text), c.templateRefused);
        EXPECT_EQ(ForbiddenFolderCharacters(c.text), c.folderRefused);
    }
}

TEST(LongPathForm, OnlyFullPathsOfMaxPathOrMoreGetThePrefix) {
    const std::wstring name(kLongPathThreshold, L'n');
    EXPECT_EQ(LongPathForm(L"C:\\Out\\a.png"), L"C:\\Out\\a.png");
    EXPECT_EQ(LongPathForm(L"C:\\" + name), L"\\\\?\\C:\\" + name);
    EXPECT_EQ(LongPathForm(L"\\\\server\\share\\" + name), L"\\\\?\\UNC\\server\\share\\" + name);
    EXPECT_EQ(LongPathForm(L"\\\\?\\C:\\" + name), L"\\\\?\\C:\\" + name) << "already in the long form";
    EXPECT_EQ(LongPathForm(L"relative\\" + name), L"relative\\" + name) << "no prefix without a drive";
    const std::wstring justShort = L"C:\\" + std::wstring(kLongPathThreshold - 4, L's');
    EXPECT_EQ(LongPathForm(justShort), justShort);
}

TEST(ReplaceAll, InsertedTextIsNotScannedAgain) {
    EXPECT_EQ(ReplaceAll(L"%II%%II%", L"%II%", L"%II%%II%"), L"%II%%II%%II%%II%");
    EXPECT_EQ(ReplaceAll(L"aaa", L"aa", L"b"), L"ba");
    EXPECT_EQ(ReplaceAll(L"", L"%IN%", L"x"), L"");
}

TEST(FixTemplateExtension, SwapsOnlyAnImageExtensionOfTheLastComponent) {
    const struct {
        const wchar_t* fileTemplate;
        const wchar_t* extension;
        const wchar_t* result;
    } cases[] = {
        {L"", L".bmp", L"%IN%.bmp"},
        {L"%IN%.bmp", L".png", L"%IN%.png"},
        {L"%IN%_%0II%.JPEG", L".gif", L"%IN%_%0II%.gif"},
        {L"pic.Jpe", L".bmp", L"pic.bmp"},
        {L"photo", L".jpg", L"photo.jpg"},
        // A full stop in a folder name or in a plain name is kept.
        {L"dir.x\\name", L".gif", L"dir.x\\name.gif"},
        {L"dir.x\\name.png", L".gif", L"dir.x\\name.gif"},
        {L"dir.x/name", L".gif", L"dir.x/name.gif"},
        {L"v1.5_%IN%", L".bmp", L"v1.5_%IN%.bmp"},
        {L"a.b.c", L".gif", L"a.b.c.gif"},
        {L"%IN%.png", L"", L"%IN%"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FixTemplateExtension(c.fileTemplate, c.extension), c.result)
            << std::string(c.fileTemplate, c.fileTemplate + wcslen(c.fileTemplate));
    }
}

TEST(ImageTypeOfExtension, KnowsTheFourTypesInAnyCaseAndOnlyInTheLastComponent) {
    const struct {
        const wchar_t* path;
        int type;
    } cases[] = {{L"a.bmp", 0}, {L"a.GIF", 1},  {L"a.jpg", 2}, {L"C:\\x\\a.JPEG", 2}, {L"a.jpe", 2},     {L"a.jfif", 2},
                 {L"a.Png", 3}, {L"a.tif", -1}, {L"a", -1},    {L"a.png.txt", -1},    {L"x.png\\a", -1}, {L"a.", -1},
                 {L".png", 3},  {L"a.pngx", -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(ImageTypeOfExtension(c.path), c.type) << std::string(c.path, c.path + wcslen(c.path));
    }
}

TEST(DistinctOutputPaths, LaterImagesNeverTakeAnEarlierImagesName) {
    const std::vector<std::wstring> paths = {L"D:\\Out\\v1.5_a.bmp",     L"D:\\Out\\V1.5_A.BMP", L"D:\\Out\\v1.5_a.bmp",
                                             L"D:\\Out\\v1.5_a (2).bmp", L"D:\\Out.d\\same",     L"D:\\Out.d\\same"};
    const std::vector<std::wstring> expected = {L"D:\\Out\\v1.5_a.bmp",     L"D:\\Out\\V1.5_A (2).BMP",
                                                L"D:\\Out\\v1.5_a (3).bmp", L"D:\\Out\\v1.5_a (2) (2).bmp",
                                                L"D:\\Out.d\\same",         L"D:\\Out.d\\same (2)"};
    EXPECT_EQ(DistinctOutputPaths(paths, false, [](const std::wstring&) { return true; }), expected)
        << "existing files do not matter when they are to be replaced";
}

TEST(DistinctOutputPaths, KeepingExistingFilesSkipsTheirNamesToo) {
    const std::vector<std::wstring> existing = {L"c:\\out\\a.png", L"C:\\Out\\a (2).png", L"C:\\Out\\b.png"};
    auto exists = [&](const std::wstring& path) {
        for (const std::wstring& e : existing) {
            if (SamePath(e, path)) return true;
        }
        return false;
    };
    const std::vector<std::wstring> paths = {L"C:\\Out\\a.png", L"C:\\Out\\a.png", L"C:\\Out\\c.png"};
    EXPECT_EQ(DistinctOutputPaths(paths, true, exists),
              (std::vector<std::wstring>{L"C:\\Out\\a (3).png", L"C:\\Out\\a (4).png", L"C:\\Out\\c.png"}));
}

TEST(NumberedPath, PutsTheNumberBeforeTheExtensionOfTheName) {
    EXPECT_EQ(NumberedPath(L"C:\\a.b\\name.png", 2), L"C:\\a.b\\name (2).png");
    EXPECT_EQ(NumberedPath(L"C:\\a.b\\name", 3), L"C:\\a.b\\name (3)");
    EXPECT_EQ(NumberedPath(L"x.tar.gz", 2), L"x.tar (2).gz");
}

// Stand-ins for drives the test machine lacks.
unsigned long AllDrives() {
    return 0x3FFFFFF;
}
unsigned g_driveType = DRIVE_FIXED;
std::wstring g_askedRoot;
unsigned ChosenDriveType(const wchar_t* root) {
    g_askedRoot = root;
    return g_driveType;
}

TEST(MakeFolderPath, CreatesMissingLevelsOuterFirstOnARealDrive) {
    test::TempFolder temp;
    const std::wstring deep = temp.Path() + L"New\\\\Deep\\";
    EXPECT_TRUE(MakeFolderPath(deep));
    EXPECT_TRUE(GetFileAttributesW((temp.Path() + L"New").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(GetFileAttributesW((temp.Path() + L"New\\Deep").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(MakeFolderPath(deep)) << "existing levels are fine";

    std::wstring lower = temp.Path() + L"Lower\\";
    lower[0] = static_cast<wchar_t>(towlower(lower[0]));
    EXPECT_TRUE(MakeFolderPath(lower));
    EXPECT_NE(GetFileAttributesW((temp.Path() + L"Lower").c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_TRUE(MakeFolderPath(temp.Path().substr(0, 3))) << "a drive root alone";
}

TEST(MakeFolderPath, StopsAtALevelThatIsAFile) {
    test::TempFolder temp;
    ASSERT_TRUE(test::WriteFileBytes(temp.File(L"blocker"), {1, 2, 3}));
    EXPECT_FALSE(MakeFolderPath(temp.Path() + L"blocker\\inner\\"));
    EXPECT_FALSE(GetFileAttributesW(temp.File(L"blocker").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesW((temp.Path() + L"blocker\\inner").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(MakeFolderPath, RefusesNetworkRelativeMissingDriveAndLongFolders) {
    EXPECT_FALSE(MakeFolderPath(L""));
    EXPECT_FALSE(MakeFolderPath(L"\\\\server\\share\\out\\"));
    EXPECT_FALSE(MakeFolderPath(L"Out\\"));
    EXPECT_FALSE(MakeFolderPath(L"\\Out\\"));
    EXPECT_FALSE(MakeFolderPath(L"C:Out\\")) << "relative to the drive's current folder";

    const DWORD present = GetLogicalDrives();
    wchar_t missing = 0;
    for (wchar_t letter = L'Z'; letter >= L'D' && !missing; --letter) {
        if (!(present & (1u << (letter - L'A')))) missing = letter;
    }
    ASSERT_NE(missing, 0);
    EXPECT_FALSE(MakeFolderPath(std::wstring(1, missing) + L":\\Out\\"));

    // 248 characters pass the length test, 249 do not, on a drive that is fine.
    test::TempFolder temp;
    std::wstring folder = temp.Path();
    while (folder.size() < 247) folder += L'x';
    folder += L'\\';
    ASSERT_EQ(folder.size(), 248u);
    std::wstring longer = folder;
    longer.insert(longer.size() - 1, L"y");
    EXPECT_FALSE(MakeFolderPath(longer));
    EXPECT_EQ(GetFileAttributesW(longer.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(MakeFolderPath(folder));
    EXPECT_NE(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(MakeFolderPath, AcceptsRemovableFixedAndRemoteDrivesOnly) {
    test::TempFolder temp;
    const DriveQueries drives{&AllDrives, &ChosenDriveType};
    const struct {
        unsigned type;
        bool accepted;
    } cases[] = {{DRIVE_UNKNOWN, false}, {DRIVE_NO_ROOT_DIR, false}, {DRIVE_REMOVABLE, true}, {DRIVE_FIXED, true},
                 {DRIVE_REMOTE, true},   {DRIVE_CDROM, false},       {DRIVE_RAMDISK, false}};
    for (const auto& c : cases) {
        g_driveType = c.type;
        const std::wstring folder = temp.Path() + L"kind" + std::to_wstring(c.type) + L"\\";
        EXPECT_EQ(MakeFolderPath(folder, drives), c.accepted) << "drive type " << c.type;
        EXPECT_EQ(GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES, c.accepted) << "drive type " << c.type;
        EXPECT_EQ(g_askedRoot, temp.Path().substr(0, 3));
    }
    g_driveType = DRIVE_FIXED;
}

}  // namespace
}  // namespace pictrove
