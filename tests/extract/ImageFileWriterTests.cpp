// Image files through the real GDI+ encoders, read back with GDI+ (the decode-check script
// reads the same kind of files with ImageMagick).
#include <gtest/gtest.h>

#include "extract/ExistingFilesQuestion.h"
#include "extract/GifTransparency.h"
#include "extract/ImageFileWriter.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/extract/ImageTestHelpers.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using test::FakeReaderImage;

CLSID Encoder(int typeIndex) {
    CLSID clsid{};
    EXPECT_TRUE(FindEncoderClsid(kEncoderMimeTypes[typeIndex], &clsid)) << "type " << typeIndex;
    return clsid;
}

const GUID& RawFormat(int typeIndex) {
    static const GUID kFormats[] = {Gdiplus::ImageFormatBMP, Gdiplus::ImageFormatGIF, Gdiplus::ImageFormatJPEG,
                                    Gdiplus::ImageFormatPNG};
    return kFormats[typeIndex];
}

TEST(FindEncoderClsid, FindsTheFourTypesByExactMimeType) {
    CLSID seen[kImageTypeCount]{};
    for (int t = 0; t < kImageTypeCount; ++t) {
        seen[t] = Encoder(t);
        std::wstring mime;
        EXPECT_TRUE(FindEncoderMimeType(seen[t], mime));
        EXPECT_EQ(mime, kEncoderMimeTypes[t]);
        for (int u = 0; u < t; ++u) EXPECT_FALSE(IsEqualCLSID(seen[t], seen[u])) << t << " vs " << u;
    }
    CLSID untouched = {0xdeadbeef};
    EXPECT_FALSE(FindEncoderClsid(L"image/GIF", &untouched));
    EXPECT_FALSE(FindEncoderClsid(L"image/x-none", &untouched));
    EXPECT_FALSE(FindEncoderClsid(L"", &untouched));
    EXPECT_EQ(untouched.Data1, 0xdeadbeefu);
    std::wstring mime;
    EXPECT_FALSE(FindEncoderMimeType(CLSID{0x12345678}, mime));
}

// Source pictures in each reader type and what they should read back as.
struct Source {
    int pixelType;
    int width, height;
    std::vector<BYTE> pixels;
    int bpp;
};

std::vector<BYTE> WithAlpha(const std::vector<BYTE>& bgr) {
    std::vector<BYTE> bgra;
    for (size_t i = 0; i + 2 < bgr.size(); i += 3) bgra.insert(bgra.end(), {bgr[i], bgr[i + 1], bgr[i + 2], 255});
    return bgra;
}

std::vector<BYTE> SmoothGray(int width, int height) {
    std::vector<BYTE> gray;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) gray.push_back(static_cast<BYTE>(30 + x * 12 + y * 9));
    return gray;
}

std::vector<Source> Sources() {
    return {
        {0, 13, 7, WithAlpha(test::SmoothBgr(13, 7, 1)), 4},
        {1, 9, 6, test::SmoothBgr(9, 6, 2), 3},
        {2, 10, 5, SmoothGray(10, 5), 1},
    };
}

TEST(SaveImageFile, EveryTypeDecodesBackToTheSourceAt96Dpi) {
    test::TempFolder folder;
    const wchar_t* extensions[] = {L".bmp", L".gif", L".jpg", L".png"};
    for (int t = 0; t < kImageTypeCount; ++t) {
        const CLSID encoder = Encoder(t);
        for (const Source& source : Sources()) {
            const std::string label =
                "type index " + std::to_string(t) + " pixel type " + std::to_string(source.pixelType);
            FakeReaderImage* image =
                FakeReaderImage::FromRows(source.pixelType, source.width, source.height, source.width * source.bpp + 2,
                                          kLayoutBottomUp, source.pixels);
            const std::wstring path = folder.File(L"out" + std::to_wstring(source.pixelType) + extensions[t]);
            WriteOutcome outcome{false, 0xdeadbeef};
            EXPECT_TRUE(SaveImageFile(image, kOutputDpi, encoder, path, outcome)) << label;
            EXPECT_TRUE(outcome.written) << label;
            EXPECT_EQ(outcome.error, 0u) << label;
            EXPECT_EQ(image->RefCount(), 1u) << label;
            image->Release();

            const test::DecodedImage decoded = test::DecodeFile(path);
            ASSERT_TRUE(decoded.ok) << label;
            EXPECT_TRUE(IsEqualGUID(decoded.format, RawFormat(t))) << label;
            EXPECT_EQ(decoded.width, source.width) << label;
            EXPECT_EQ(decoded.height, source.height) << label;
            if (t != 1) {  // GIF has no resolution field
                EXPECT_NEAR(decoded.dpiX, 96.0f, 0.05f) << label;
                EXPECT_NEAR(decoded.dpiY, 96.0f, 0.05f) << label;
            }
            const std::vector<std::uint32_t> expected = test::ToArgb(source.pixels, source.bpp);
            if (t == 0) {
                // The header's file size covers the whole file, palette included.
                const std::vector<unsigned char> bytes = test::ReadFileBytes(path);
                ASSERT_GE(bytes.size(), 6u) << label;
                const size_t recorded = bytes[2] | (bytes[3] << 8) | (bytes[4] << 16) | (size_t{bytes[5]} << 24);
                EXPECT_EQ(recorded, bytes.size()) << label;
            }
            switch (t) {
                case 0:
                case 3:
                    EXPECT_EQ(decoded.argb, expected) << label;
                    break;
                case 1:
                    // Few colours: the palette holds them all.
                    EXPECT_EQ(decoded.argb, expected) << label;
                    EXPECT_GT(test::ReadFileBytes(path).size(), 24u * 4) << label;
                    break;
                case 2:
                    EXPECT_LT(test::RmsDifference(decoded.argb, expected), 6.0) << label;
                    break;
            }
        }
    }
}

TEST(SaveImageFile, PngKeepsAlphaAndGifGivesTransparentPixelsTheirOwnEntry) {
    test::TempFolder folder;
    const std::vector<BYTE> pixels = test::PatternBgra(6, 4, true);
    for (int t : {1, 3}) {
        FakeReaderImage* image = FakeReaderImage::FromRows(0, 6, 4, 24, 0, pixels);
        const std::wstring path = folder.File(t == 1 ? L"alpha.gif" : L"alpha.png");
        EXPECT_TRUE(SaveImageFile(image, kOutputDpi, Encoder(t), path));
        image->Release();
        const test::DecodedImage decoded = test::DecodeFile(path);
        ASSERT_TRUE(decoded.ok) << "type " << t;
        const std::vector<std::uint32_t> expected = test::ToArgb(pixels, 4);
        for (size_t i = 0; i < expected.size(); ++i) {
            if ((expected[i] >> 24) != 0) {
                EXPECT_EQ(decoded.argb[i], expected[i]) << "type " << t << " pixel " << i;
            } else {
                // Transparent in both: the GIF through its graphic control extension, whatever
                // the encoder made of the palette's alpha.
                EXPECT_EQ(decoded.argb[i] >> 24, 0u)
                    << "type " << t << " pixel " << i << " " << std::hex << decoded.argb[i];
            }
        }
        if (t == 1) {
            const std::vector<unsigned char> bytes = test::ReadFileBytes(path);
            const int transparent = GifTransparentIndex(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
            EXPECT_GE(transparent, 0) << "the file itself names its transparent entry";
        }
    }
}

TEST(SaveImageFile, OpaqueGifsGetNoTransparentEntry) {
    test::TempFolder folder;
    FakeReaderImage* image = FakeReaderImage::FromRows(0, 6, 4, 24, 0, test::PatternBgra(6, 4, false));
    const std::wstring path = folder.File(L"opaque.gif");
    EXPECT_TRUE(SaveImageFile(image, kOutputDpi, Encoder(1), path));
    image->Release();
    const std::vector<unsigned char> bytes = test::ReadFileBytes(path);
    EXPECT_EQ(GifTransparentIndex(std::vector<std::uint8_t>(bytes.begin(), bytes.end())), -1);
    const test::DecodedImage decoded = test::DecodeFile(path);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.argb, test::ToArgb(test::PatternBgra(6, 4, false), 4));
}

TEST(SaveImageFile, ManyColoursBecomeAValidGifCloseToTheSource) {
    test::TempFolder folder;
    const int width = 200, height = 150;
    const std::vector<BYTE> ramp = test::RampBgra(width, height);
    for (int pixelType : {0, 1}) {
        std::vector<BYTE> pixels = ramp;
        if (pixelType == 1) {
            pixels.clear();
            for (size_t i = 0; i < ramp.size(); i += 4)
                pixels.insert(pixels.end(), {ramp[i], ramp[i + 1], ramp[i + 2]});
        }
        const int bpp = pixelType == 0 ? 4 : 3;
        FakeReaderImage* image = FakeReaderImage::FromRows(pixelType, width, height, width * bpp, 0, pixels);
        const std::wstring path = folder.File(L"ramp" + std::to_wstring(pixelType) + L".gif");
        WriteOutcome outcome;
        EXPECT_TRUE(SaveImageFile(image, kOutputDpi, Encoder(1), path, outcome));
        EXPECT_TRUE(outcome.written);
        image->Release();
        EXPECT_EQ(test::FileSignature(path, 4), "GIF8");
        const test::DecodedImage decoded = test::DecodeFile(path);
        ASSERT_TRUE(decoded.ok) << "pixel type " << pixelType;
        EXPECT_LE(test::MaxChannelDifference(decoded.argb, test::ToArgb(ramp, 4)), 24) << "pixel type " << pixelType;
        EXPECT_LT(test::RmsDifference(decoded.argb, test::ToArgb(ramp, 4)), 5.0) << "pixel type " << pixelType;
    }
}

TEST(SaveImageFile, AFailedSaveStillCountsAsABitmapButSaysWhy) {
    test::TempFolder folder;
    FakeReaderImage* image = FakeReaderImage::FromRows(1, 4, 4, 12, 0, test::PatternBgr(4, 4));
    const std::wstring missing = folder.Path() + L"no such folder\\x.png";
    WriteOutcome outcome{true, 0};
    EXPECT_TRUE(SaveImageFile(image, kOutputDpi, Encoder(3), missing, outcome));
    EXPECT_FALSE(outcome.written);
    EXPECT_NE(outcome.error, 0u);
    EXPECT_FALSE(test::FileExists(missing));

    const std::wstring invalid = folder.File(L"bad*name?.png");
    EXPECT_TRUE(SaveImageFile(image, kOutputDpi, Encoder(3), invalid, outcome));
    EXPECT_FALSE(outcome.written);
    EXPECT_NE(outcome.error, 0u);
    EXPECT_EQ(image->RefCount(), 1u);
    image->Release();

    EXPECT_FALSE(SaveImageFile(nullptr, kOutputDpi, Encoder(3), folder.File(L"none.png"), outcome));
    EXPECT_FALSE(outcome.written);
    auto* other = new test::FakeUnknown;
    EXPECT_FALSE(SaveImageFile(other, kOutputDpi, Encoder(3), folder.File(L"other.png")));
    EXPECT_FALSE(test::FileExists(folder.File(L"other.png")));
    other->Release();
}

TEST(ImageFileWriter, WritesImagesOfItsCollectionAndHoldsItsReferenceWhileAlive) {
    test::TempFolder folder;
    auto* collection = new test::FakeImageCollection;
    FakeReaderImage* image = FakeReaderImage::FromRows(2, 3, 3, 4, 0, test::PatternGray(3, 3));
    collection->Add(L"one", image);
    collection->Add(L"missing", nullptr);
    {
        ImageFileWriter writer(collection, 3);
        EXPECT_TRUE(writer.Enabled());
        EXPECT_EQ(collection->RefCount(), 2u);
        WriteOutcome outcome;
        EXPECT_TRUE(writer.WriteImage(0, folder.File(L"a.png"), outcome));
        EXPECT_TRUE(outcome.written);
        EXPECT_TRUE(test::DecodeFile(folder.File(L"a.png")).ok);
        EXPECT_FALSE(writer.WriteImage(1, folder.File(L"b.png"), outcome));
        EXPECT_FALSE(outcome.written);
        EXPECT_NE(outcome.error, 0u);
        EXPECT_FALSE(writer.WriteImage(5, folder.File(L"c.png")));
    }
    EXPECT_EQ(collection->RefCount(), 1u);
    {
        ImageFileWriter noEncoder(collection, 7);
        EXPECT_FALSE(noEncoder.Enabled());
        EXPECT_EQ(collection->RefCount(), 1u);
        EXPECT_FALSE(noEncoder.WriteImage(0, folder.File(L"d.png")));
        ImageFileWriter noCollection(nullptr, 3);
        EXPECT_FALSE(noCollection.Enabled());
    }
    EXPECT_FALSE(test::FileExists(folder.File(L"d.png")));
    EXPECT_EQ(image->RefCount(), 2u);  // the test's and the collection's
    collection->Release();
    EXPECT_EQ(image->RefCount(), 1u);
    image->Release();
}

TEST(WriteFailures, CountsFailuresAndNamesTheFirst) {
    WriteFailures failures;
    failures.Record(L"C:\\ok.png", {true, 0});
    EXPECT_EQ(failures.Count(), 0);
    failures.Record(L"C:\\first.png", {false, ERROR_PATH_NOT_FOUND});
    failures.Record(L"C:\\ok2.png", {true, 0});
    failures.Record(L"C:\\second.png", {false, ERROR_ACCESS_DENIED});
    EXPECT_EQ(failures.Count(), 2);
    EXPECT_EQ(failures.FirstPath(), L"C:\\first.png");
    EXPECT_EQ(failures.FirstError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    const std::wstring reason = SystemErrorText(ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(reason.empty());
    EXPECT_NE(reason.back(), L'\n');
    EXPECT_EQ(failures.Message(4), L"2 of 4 images could not be written.\n\nFirst failure: C:\\first.png\n" + reason);
    EXPECT_EQ(SystemErrorText(0x2badf00d).empty(), false);
}

constexpr int kFilterCombo = 0x470;  // cmb1
constexpr int kNameCombo = 0x47C;    // cmb13

void AnswerNow();

struct SaveAnswer {
    HWND dialog = nullptr;
    int filterIndex = 1;
    std::wstring path;
    std::wstring proposed;
} g_answer;

// The Explorer-style Save dialog: choose a filter and a name, then confirm. Done from a timer,
// since the dialog is activated before it has filled its controls.
void AnswerSaveDialog(HWND dialog, int filterIndex, const std::wstring& path) {
    g_answer.dialog = dialog;
    g_answer.filterIndex = filterIndex;
    g_answer.path = path;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        AnswerNow();
    });
}

void AnswerNow() {
    HWND dialog = g_answer.dialog;
    const int filterIndex = g_answer.filterIndex;
    const std::wstring& path = g_answer.path;
    g_answer.proposed = test::DialogItemText(dialog, kNameCombo);
    HWND filter = GetDlgItem(dialog, kFilterCombo);
    SendMessageW(filter, CB_SETCURSEL, static_cast<WPARAM>(filterIndex - 1), 0);
    // Wine's dialog takes the filter on CBN_SELENDOK, Windows' on CBN_SELCHANGE.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFilterCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(filter));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFilterCombo, CBN_SELENDOK), reinterpret_cast<LPARAM>(filter));
    SetDlgItemTextW(dialog, kNameCombo, path.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

// A collection of one 5x4 picture (index 0) and one of an unknown pixel type (index 1).
test::FakeImageCollection* SaveAsDocument() {
    auto* collection = new test::FakeImageCollection;
    FakeReaderImage* image = FakeReaderImage::FromRows(1, 5, 4, 16, 0, test::PatternBgr(5, 4));
    collection->Add(L"", image);
    image->Release();
    auto* broken = new FakeReaderImage(9, 5, 4, 16, 0, std::make_shared<std::vector<BYTE>>(64, BYTE{0}));
    collection->Add(L"broken", broken);
    broken->Release();
    return collection;
}

TEST(SaveSingleImage, AnImageExtensionTypedDecidesTheFormatOtherwiseTheFilterDoes) {
    test::TempFolder folder;
    auto* collection = SaveAsDocument();
    const struct {
        int filterIndex;
        const wchar_t* typed;
        const wchar_t* written;
        const char* signature;
    } cases[] = {
        {4, L"picture.jpg", L"picture.jpg", "\xFF\xD8\xFF"},
        {1, L"shot.PNG", L"shot.PNG", "\x89PN"},
        {2, L"anim.jpe", L"anim.jpe", "\xFF\xD8\xFF"},
        {4, L"v1.5", L"v1.5.png", "\x89PN"},
        {2, L"scan.tif", L"scan.tif.gif", "GIF"},
    };
    for (const auto& c : cases) {
        const std::string label(c.typed, c.typed + wcslen(c.typed));
        {
            test::DialogCapture capture(
                [&](HWND dialog) { AnswerSaveDialog(dialog, c.filterIndex, folder.File(c.typed)); });
            SaveSingleImage(collection, 0, L"Image000");
            EXPECT_EQ(capture.DialogCount(), 1) << label;
            EXPECT_TRUE(capture.Boxes().empty()) << label;
        }
        EXPECT_EQ(g_answer.proposed, L"Image000");
        EXPECT_EQ(test::FileSignature(folder.File(c.written), 3), c.signature) << label;
        if (wcscmp(c.typed, c.written) != 0) {
            EXPECT_FALSE(test::FileExists(folder.File(c.typed))) << label;
        }
    }
    EXPECT_EQ(collection->RefCount(), 1u);
    collection->Release();
}

TEST(SaveSingleImage, AnAppendedExtensionThatNamesAnExistingFileAsksFirst) {
    const std::vector<unsigned char> userBytes = {'k', 'e', 'e', 'p'};
    for (int button : {kReplaceFilesButton, kKeepBothFilesButton, IDCANCEL}) {
        test::TempFolder folder;
        ASSERT_TRUE(test::WriteFileBytes(folder.File(L"v1.5.png"), userBytes));
        auto* collection = SaveAsDocument();
        int questions = 0;
        std::wstring text;
        {
            test::DialogCapture capture([&](HWND dialog) {
                if (GetDlgItem(dialog, kFilterCombo)) {
                    AnswerSaveDialog(dialog, 4, folder.File(L"v1.5"));
                    return;
                }
                ++questions;
                text = test::AllWindowText(dialog);
                test::AnswerLater(dialog, static_cast<UINT>(button));
            });
            SaveSingleImage(collection, 0, L"Image000");
            EXPECT_TRUE(capture.Boxes().empty()) << "button " << button;
        }
        EXPECT_EQ(questions, 1) << "button " << button;
        EXPECT_NE(text.find(folder.File(L"v1.5.png")), std::wstring::npos) << "button " << button;
        if (button == kReplaceFilesButton) {
            EXPECT_EQ(test::FileSignature(folder.File(L"v1.5.png"), 3), "\x89PN");
        } else {
            EXPECT_EQ(test::ReadFileBytes(folder.File(L"v1.5.png")), userBytes) << "button " << button;
        }
        EXPECT_EQ(test::FileExists(folder.File(L"v1.5 (2).png")), button == kKeepBothFilesButton)
            << "button " << button;
        collection->Release();
    }
}

TEST(SaveSingleImage, FailuresAndAMissingEncoderAreReported) {
    test::TempFolder folder;
    auto* collection = SaveAsDocument();
    // An image that cannot be converted is not written, and the user hears of it.
    const std::wstring unwritable = folder.File(L"broken.gif");
    {
        test::DialogCapture capture([&](HWND dialog) { AnswerSaveDialog(dialog, 2, unwritable); });
        SaveSingleImage(collection, 1, L"broken");
        ASSERT_EQ(capture.Boxes().size(), 1u);
        const test::CapturedBox& box = capture.Boxes()[0];
        EXPECT_EQ(box.caption, LoadUiString(IDS_ERROR_CAPTION));
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONINFORMATION));
        EXPECT_FALSE(box.hasOwner);
        EXPECT_EQ(box.text.rfind(L"1 of 1 images could not be written.", 0), 0u)
            << std::string(box.text.begin(), box.text.end());
    }
    EXPECT_FALSE(test::FileExists(unwritable));

    // No PNG encoder on this system: said, nothing written.
    const EncoderLookup previous = SetEncoderLookup([](const wchar_t* mimeType, CLSID* clsid) {
        return wcscmp(mimeType, L"image/png") != 0 && FindEncoderClsid(mimeType, clsid);
    });
    {
        test::DialogCapture capture([&](HWND dialog) { AnswerSaveDialog(dialog, 4, folder.File(L"picture")); });
        SaveSingleImage(collection, 0, L"Image000");
        ASSERT_EQ(capture.Boxes().size(), 1u);
        EXPECT_EQ(capture.Boxes()[0].caption, LoadUiString(IDS_ERROR_CAPTION));
        EXPECT_EQ(capture.Boxes()[0].text,
                  L"This computer has no encoder for the type PNG image. Nothing was written.");
        EXPECT_EQ(capture.Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
    }
    SetEncoderLookup(previous);
    EXPECT_FALSE(test::FileExists(folder.File(L"picture.png")));
    EXPECT_FALSE(test::FileExists(folder.File(L"picture")));
    EXPECT_EQ(collection->RefCount(), 1u);
    collection->Release();
}

// What the Save As asked of the platform's dialog.
struct AskedSave {
    int calls = 0;
    DWORD flags = 0;
    std::wstring defaultExtension;
    DWORD filterIndex = 0;
    std::wstring firstFilterLabel, firstFilterPattern;
    bool hasTitle = true;
    std::wstring proposed;
    DWORD bufferSize = 0;
    HWND owner = nullptr;
} g_asked;

BOOL CaptureSaveDialog(OPENFILENAMEW* dialog) {
    ++g_asked.calls;
    g_asked.flags = dialog->Flags;
    g_asked.defaultExtension = dialog->lpstrDefExt ? dialog->lpstrDefExt : L"";
    g_asked.filterIndex = dialog->nFilterIndex;
    g_asked.firstFilterLabel = dialog->lpstrFilter;
    g_asked.firstFilterPattern = dialog->lpstrFilter + g_asked.firstFilterLabel.size() + 1;
    g_asked.hasTitle = dialog->lpstrTitle != nullptr;
    g_asked.proposed = dialog->lpstrFile;
    g_asked.bufferSize = dialog->nMaxFile;
    g_asked.owner = dialog->hwndOwner;
    return FALSE;  // the user cancels
}

TEST(SaveSingleImage, AsksWithOverwritePromptBmpFirstAndTheLabelAsName) {
    auto* collection = SaveAsDocument();
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                                 nullptr);
    SetActiveWindow(owner);
    const SaveFileDialog previous = SetSaveFileDialog(&CaptureSaveDialog);
    g_asked = {};
    SaveSingleImage(collection, 0, L"cover");
    EXPECT_EQ(g_asked.calls, 1);
    EXPECT_TRUE(g_asked.flags & OFN_OVERWRITEPROMPT);
    EXPECT_TRUE(g_asked.flags & OFN_EXPLORER);
    EXPECT_TRUE(g_asked.flags & OFN_ENABLESIZING);
    EXPECT_EQ(g_asked.defaultExtension, L"bmp");
    EXPECT_EQ(g_asked.filterIndex, 1u);
    EXPECT_EQ(g_asked.firstFilterLabel, L"Bitmap Files (*.bmp)");
    EXPECT_EQ(g_asked.firstFilterPattern, L"*.bmp");
    EXPECT_FALSE(g_asked.hasTitle) << "the platform's own title";
    EXPECT_EQ(g_asked.proposed, L"cover");
    EXPECT_EQ(g_asked.bufferSize, static_cast<DWORD>(MAX_PATH));
    EXPECT_EQ(g_asked.owner, owner);

    // A label longer than the buffer is cut to fit with its terminator.
    SaveSingleImage(collection, 0, std::wstring(300, L'x'));
    EXPECT_EQ(g_asked.proposed, std::wstring(MAX_PATH - 1, L'x'));
    SetSaveFileDialog(previous);
    DestroyWindow(owner);
    EXPECT_EQ(collection->GetImageCalls(), 0) << "cancelled: the image is not even fetched";
    collection->Release();
}

}  // namespace
}  // namespace pictrove
