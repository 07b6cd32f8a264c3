// Image files through the program's encoders, read back with GDI+ (the decode-check script
// reads the same kind of files with ImageMagick).
#include <gtest/gtest.h>

#include <cstring>

#include "extract/ExistingFilesQuestion.h"
#include "engine/writers/GifTransparency.h"
#include "extract/ImageFileWriter.h"
#include "extract/OutputNaming.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/support/ImageTestHelpers.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using test::FakeReaderImage;

const GUID& RawFormat(int typeIndex) {
    static const GUID kFormats[] = {Gdiplus::ImageFormatBMP, Gdiplus::ImageFormatGIF, Gdiplus::ImageFormatJPEG,
                                    Gdiplus::ImageFormatPNG};
    return kFormats[typeIndex];
}

TEST(SaveImageFile, EachImageTypeWritesItsOwnFormat) {
    test::TempFolder folder;
    // The original format's encoded pictures (those without a stored form) are PNG files.
    const struct {
        int typeIndex;
        const char* signature;
    } cases[] = {{0, "BM"}, {1, "GIF89a"}, {2, "\xFF\xD8\xFF\xE0"}, {3, "\x89PNG"}, {kOriginalImageType, "\x89PNG"}};
    for (const auto& c : cases) {
        FakeReaderImage* image = FakeReaderImage::FromRows(1, 4, 3, 12, 0, test::PatternBgr(4, 3));
        const std::wstring path = folder.File(L"type" + std::to_wstring(c.typeIndex));
        EXPECT_TRUE(SaveImageFile(image, c.typeIndex, path).written) << "type " << c.typeIndex;
        image->Release();
        EXPECT_EQ(test::FileSignature(path, std::strlen(c.signature)), c.signature) << "type " << c.typeIndex;
    }
    FakeReaderImage* image = FakeReaderImage::FromRows(1, 4, 3, 12, 0, test::PatternBgr(4, 3));
    for (int unknown : {-1, kImageTypeCount}) {
        const WriteOutcome outcome = SaveImageFile(image, unknown, folder.File(L"unknown"));
        EXPECT_FALSE(outcome.written) << unknown;
        EXPECT_EQ(outcome.error, static_cast<DWORD>(ERROR_INVALID_DATA)) << unknown;
    }
    image->Release();
    EXPECT_FALSE(test::FileExists(folder.File(L"unknown")));
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
    for (int t = 0; t < kEncodedImageTypeCount; ++t) {
        for (const Source& source : Sources()) {
            const std::string label =
                "type index " + std::to_string(t) + " pixel type " + std::to_string(source.pixelType);
            FakeReaderImage* image =
                FakeReaderImage::FromRows(source.pixelType, source.width, source.height, source.width * source.bpp + 2,
                                          kLayoutBottomUp, source.pixels);
            const std::wstring path = folder.File(L"out" + std::to_wstring(source.pixelType) + extensions[t]);
            const WriteOutcome outcome = SaveImageFile(image, t, path);
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
        EXPECT_TRUE(SaveImageFile(image, t, path).written);
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
    EXPECT_TRUE(SaveImageFile(image, 1, path).written);
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
        const WriteOutcome outcome = SaveImageFile(image, 1, path);
        EXPECT_TRUE(outcome.written);
        image->Release();
        EXPECT_EQ(test::FileSignature(path, 4), "GIF8");
        const test::DecodedImage decoded = test::DecodeFile(path);
        ASSERT_TRUE(decoded.ok) << "pixel type " << pixelType;
        EXPECT_LE(test::MaxChannelDifference(decoded.argb, test::ToArgb(ramp, 4)), 24) << "pixel type " << pixelType;
        EXPECT_LT(test::RmsDifference(decoded.argb, test::ToArgb(ramp, 4)), 5.0) << "pixel type " << pixelType;
    }
}

TEST(SaveImageFile, AFailedSaveSaysWhyAndLeavesNoFile) {
    test::TempFolder folder;
    FakeReaderImage* image = FakeReaderImage::FromRows(1, 4, 4, 12, 0, test::PatternBgr(4, 4));
    const std::wstring missing = folder.Path() + L"no such folder\\x.png";
    WriteOutcome outcome = SaveImageFile(image, 3, missing);
    EXPECT_FALSE(outcome.written);
    EXPECT_NE(outcome.error, 0u);
    EXPECT_FALSE(test::FileExists(missing));

    const std::wstring invalid = folder.File(L"bad*name?.png");
    outcome = SaveImageFile(image, 3, invalid);
    EXPECT_FALSE(outcome.written);
    EXPECT_NE(outcome.error, 0u);
    EXPECT_EQ(image->RefCount(), 1u);
    image->Release();

    outcome = SaveImageFile(nullptr, 3, folder.File(L"none.png"));
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.error, static_cast<DWORD>(ERROR_INVALID_DATA));
    auto* other = new test::FakeUnknown;
    EXPECT_FALSE(SaveImageFile(other, 3, folder.File(L"other.png")).written);
    EXPECT_FALSE(test::FileExists(folder.File(L"other.png")));
    other->Release();
}

TEST(SaveImageFile, PathsLongerThanMaxPathAreWritten) {
    test::TempFolder folder;
    // A folder name and a picture name of 200 characters each: the path is far past MAX_PATH.
    const std::wstring subfolder = folder.Path() + std::wstring(200, L'f');
    ASSERT_TRUE(CreateDirectoryW(LongPathForm(subfolder).c_str(), nullptr));
    const std::wstring path = subfolder + L"\\" + std::wstring(200, L'n') + L".png";
    ASSERT_GT(path.size(), static_cast<size_t>(MAX_PATH));
    FakeReaderImage* image = FakeReaderImage::FromRows(1, 4, 4, 12, 0, test::PatternBgr(4, 4));
    const WriteOutcome outcome = SaveImageFile(image, 3, path);
    image->Release();
    EXPECT_TRUE(outcome.written) << outcome.error;
    EXPECT_TRUE(OutputFileExists(path));
    EXPECT_NE(GetFileAttributesW(LongPathForm(path).c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(LongPathForm(path).c_str());
    RemoveDirectoryW(LongPathForm(subfolder).c_str());
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
        WriteOutcome outcome = writer.WriteImage(0, folder.File(L"a.png"));
        EXPECT_TRUE(outcome.written);
        EXPECT_TRUE(test::DecodeFile(folder.File(L"a.png")).ok);
        outcome = writer.WriteImage(1, folder.File(L"b.png"));
        EXPECT_FALSE(outcome.written);
        EXPECT_NE(outcome.error, 0u);
        EXPECT_FALSE(writer.WriteImage(5, folder.File(L"c.png")).written);
    }
    EXPECT_EQ(collection->RefCount(), 1u);
    {
        ImageFileWriter noEncoder(collection, 7);
        EXPECT_FALSE(noEncoder.Enabled());
        EXPECT_EQ(collection->RefCount(), 1u);
        EXPECT_FALSE(noEncoder.WriteImage(0, folder.File(L"d.png")).written);
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

}  // namespace
}  // namespace pictrove
