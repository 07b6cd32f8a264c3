// Comic archives through the reader's COM class and the application's own opening: RAR archives
// from the test writers, 7z and tar comics made by Debian's archivers, pixels decoded by GDI+,
// and encrypted archives answered with the protected-archive message.
#include <gtest/gtest.h>

#include "ReaderTestSupport.h"
#include "TestArchives.h"
#include "TestDocuments.h"
#include "reader/DocumentOpener.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using namespace test::readers;
using test::ArchiveFile;
using test::Bytes;

constexpr int kComicFormat = 7;

Bytes FlatPng(int width, int height, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    Bytes samples;
    for (int i = 0; i < width * height; ++i) samples.insert(samples.end(), {red, green, blue});
    return test::MakePng(width, height, test::PngColour::kRgb, samples);
}

// Every pixel of the page is the one colour (GDI+ gives 24-bit pixels as blue, green, red).
void ExpectFlat(ImageCollection* collection, int index, int width, int height, std::vector<int> bgr) {
    const Pixels pixels = ReadPixels(collection, index);
    ASSERT_TRUE(pixels.image) << index;
    ASSERT_EQ(pixels.width, width) << index;
    ASSERT_EQ(pixels.height, height) << index;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) EXPECT_EQ(Channels(pixels, x, y), bgr) << index << " at " << x << "," << y;
    }
}

std::wstring Sample(const wchar_t* name) {
    return test::ProgramFolder() + L"\\readers-data\\archives\\" + name;
}

// A bare window standing in for the main window while the application opens a document.
class TestView : public WindowImpl<TestView>, public DocumentView {
  public:
    TestView() {
        RegisterWindowClassOnce(L"PictroveArchiveTestView", StandardWindowProc, 0, LoadCursorW(nullptr, IDC_ARROW),
                                reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        Create(L"PictroveArchiveTestView", nullptr, L"view", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
               RECT{10, 10, 410, 310});
        overlay_.Configure(Hwnd(), L"Opening document. Please wait...", GetSysColor(COLOR_MENUTEXT),
                           ~GetSysColor(COLOR_MENUTEXT) & 0xFFFFFF);
    }
    static std::span<const MessageEntry<TestView>> MessageTable() { return {}; }
    HWND ViewWindow() const override { return Hwnd(); }
    BusyOverlay& Overlay() override { return overlay_; }
    void ClearImages() override {}
    void ShowImages(ImageCollection& collection) override { collection.GetImageCount(&shown); }

    int shown = -1;

  private:
    BusyOverlay overlay_;
};

class ArchiveComics : public test::readers::ReaderFileTest {
  protected:
    std::wstring Copy(const wchar_t* sample, const wchar_t* name) {
        const std::wstring path = folder_.File(name);
        EXPECT_TRUE(CopyFileW(Sample(sample).c_str(), path.c_str(), FALSE)) << name;
        return path;
    }
    test::TempFolder folder_;
};

TEST_F(ArchiveComics, RarComicsListAndDecodeThroughCom) {
    const std::vector<ArchiveFile> pages = {
        {"Comic/p10.png", FlatPng(2, 6, 0, 128, 255)},
        {"Comic/readme.txt", test::ToBytes("not a page")},
        {"Comic/p2.png", FlatPng(5, 4, 200, 100, 50)},
        {"Comic/p1.png", FlatPng(3, 2, 10, 20, 30)},
    };
    const struct {
        const wchar_t* name;
        Bytes archive;
    } cases[] = {
        {L"rar4.cbr", test::MakeRar4(pages)},
        {L"rar5.cbr", test::MakeRar5(pages)},
        {L"rar5-solid.cbr", test::MakeRar5(pages, {.solid = true})},
        {L"rar-named.cbz", test::MakeRar4(pages)},  // the content decides, not the name
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.name, c.name + wcslen(c.name))));
        const auto collection = OpenCollection(kComicFormat, Write(c.name, c.archive));
        ASSERT_TRUE(collection);
        ASSERT_EQ(Count(collection.Get()), 3);
        EXPECT_EQ(Name(collection.Get(), 0), L"p1");
        EXPECT_EQ(Name(collection.Get(), 1), L"p2");
        EXPECT_EQ(Name(collection.Get(), 2), L"p10");
        // Last page first: the stream goes back to the start and forward again.
        ExpectFlat(collection.Get(), 2, 2, 6, {255, 128, 0});
        ExpectFlat(collection.Get(), 0, 3, 2, {30, 20, 10});
        ExpectFlat(collection.Get(), 1, 5, 4, {50, 100, 200});
    }
}

TEST_F(ArchiveComics, SevenZipAndTarComicsMadeByDebiansArchivers) {
    for (const wchar_t* sample : {L"comic.7z", L"comic.tar"}) {
        SCOPED_TRACE(testing::PrintToString(std::string(sample, sample + wcslen(sample))));
        const auto collection = OpenCollection(kComicFormat, Copy(sample, L"misnamed.cbr"));
        ASSERT_TRUE(collection);
        // The resource fork beside p1 and the notes are not pages.
        ASSERT_EQ(Count(collection.Get()), 3);
        EXPECT_EQ(Name(collection.Get(), 0), L"p1");
        EXPECT_EQ(Name(collection.Get(), 1), L"p2");
        EXPECT_EQ(Name(collection.Get(), 2), L"p10");
        ExpectFlat(collection.Get(), 0, 3, 2, {30, 20, 10});
        ExpectFlat(collection.Get(), 1, 5, 4, {50, 100, 200});
        ExpectFlat(collection.Get(), 2, 2, 6, {255, 128, 0});
    }
}

// Through the application's own opening, as the user meets it: the message names the file and
// says it is protected, no password is asked for, nothing is left open.
TEST_F(ArchiveComics, EncryptedArchivesTellTheUserTheyAreProtected) {
    const std::vector<ArchiveFile> secret = {{"p1.png", FlatPng(3, 2, 1, 2, 3), false, true}};
    const std::wstring paths[] = {
        Write(L"rar4-data.cbr", test::kRar4EncryptedDataSample),
        Write(L"rar4-headers.cbr", test::kRar4EncryptedHeaderSample),
        Write(L"rar5-data.cbr", test::MakeRar5(secret)),
        Write(L"rar5-headers.cbr", test::MakeRar5(secret, {.headersEncrypted = true})),
        Copy(L"encrypted-data.7z", L"7z-data.cbr"),
        Copy(L"encrypted-headers.7z", L"7z-headers.cbr"),
    };
    TestView view;
    for (const std::wstring& path : paths) {
        SCOPED_TRACE(testing::PrintToString(std::string(path.begin(), path.end())));
        auto reader = CreateReader(kComicFormat);
        ASSERT_TRUE(reader);
        EXPECT_EQ(OpenPath(reader.Get(), path), kOpenProtectedUnreadable);

        DocumentState state;
        test::DialogCapture capture;
        EXPECT_FALSE(OpenDocument(path, state, view));
        ASSERT_EQ(capture.Boxes().size(), 1u);
        EXPECT_EQ(capture.Boxes()[0].text, L"Can't open file: " + path +
                                               L". The archive is protected by a password, and encrypted archives "
                                               L"cannot be read.");
        EXPECT_EQ(capture.DialogCount(), 0);
        EXPECT_EQ(state.collection, nullptr);
        EXPECT_EQ(view.shown, -1);
    }
}

}  // namespace
}  // namespace pictrove
