// TIFF files through COM (GDI+ frames first) and through the portable core's own decoder,
// against ImageMagick's decoding of the same samples: every common kind of page, multi-page
// files, and damaged files.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ReaderTestSupport.h"
#include "TestImageFiles.h"
#include "tiff/TiffSource.h"
#include "codecs/CmykModel.h"
#include "components/readers/com/GdiplusPayloadDecoder.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using namespace test::readers;
using readers::DecodedImage;
using readers::OpenStatus;
using readers::TiffSource;
using test::Bytes;

constexpr int kTiffFormat = 1;

std::wstring Sample(const wchar_t* name) {
    return test::ProgramFolder() + L"\\readers-data\\tiff\\" + name;
}

// Largest difference of any colour channel between a picture (pixel type 0, 1 or 2, rows of
// stride bytes) and an RGB reference.
int MaxDifference(int type, const std::uint8_t* bits, int stride, int width, int height, const Bytes& reference) {
    if (reference.size() != std::size_t(width) * height * 3) return 1000;
    static const int kBytes[] = {4, 3, 1, 1};
    int worst = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = bits + y * stride + x * kBytes[type];
            const std::uint8_t* q = &reference[(std::size_t(y) * width + x) * 3];
            const int rgb[3] = {type == 2 ? p[0] : p[2], type == 2 ? p[0] : p[1], p[0]};
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(rgb[c] - q[c]));
        }
    }
    return worst;
}

struct Kind {
    const wchar_t* file;
    int width;
    int height;
    int tolerance;     // 16-bit samples and CMYK round differently; JPEG decoders differ more
    bool coreDecodes;  // the portable decoder handles this compression (JPEG chunks with GDI+ help)
    bool ink = false;  // CMYK: the reference is ImageMagick's ink, shown through the readers' model
};

Bytes Reference(const std::wstring& base, const Kind& kind) {
    if (!kind.ink) return test::ReadFileBytes(base + L".rgb");
    const Bytes ink = test::ReadFileBytes(base + L".ink");
    Bytes rgb(ink.size() / 4 * 3);
    for (std::size_t i = 0; i + 3 < ink.size(); i += 4) {
        readers::codecs::CmykToRgb(ink[i], ink[i + 1], ink[i + 2], ink[i + 3], &rgb[i / 4 * 3]);
    }
    return rgb;
}

const Kind kKinds[] = {
    {L"plain", 23, 17, 1, true},   {L"lzw", 23, 17, 1, true},      {L"planar", 23, 17, 1, true},
    {L"tiled", 23, 17, 1, true},   {L"rgba", 23, 17, 1, true},     {L"palette", 23, 17, 1, true},
    {L"gray", 23, 17, 1, true},    {L"gray16", 23, 17, 1, true},   {L"cmyk", 23, 17, 1, true, true},
    {L"bilevel", 23, 17, 0, true}, {L"big", 300, 200, 0, true},    {L"g4", 23, 17, 0, false},
    {L"g3", 23, 17, 0, false},     {L"jpeg", 23, 17, 12, true},    {L"float32", 23, 17, 1, true},
    {L"float64", 23, 17, 1, true}, {L"signed16", 23, 17, 1, true},
};

TEST(TiffReader, EveryKindOfPageDecodesLikeImageMagick) {
    for (const Kind& kind : kKinds) {
        const std::string label(kind.file, kind.file + wcslen(kind.file));
        const std::wstring base = Sample(kind.file);
        const Bytes reference = Reference(base, kind);
        const Bytes file = test::ReadFileBytes(base + L".tif");
        ASSERT_FALSE(file.empty()) << label;

        const auto collection = OpenCollection(kTiffFormat, base + L".tif");
        ASSERT_TRUE(collection) << label;
        ASSERT_EQ(Count(collection.Get()), 1) << label;
        EXPECT_EQ(Name(collection.Get(), 0), std::wstring(kind.file)) << label;
        const Pixels pixels = ReadPixels(collection.Get(), 0);
        ASSERT_TRUE(pixels.image) << label;
        ASSERT_EQ(pixels.width, kind.width) << label;
        ASSERT_EQ(pixels.height, kind.height) << label;
        EXPECT_LE(MaxDifference(pixels.type, pixels.bits, pixels.stride, kind.width, kind.height, reference),
                  kind.tolerance)
            << label << " through COM";

        TiffSource core(std::make_shared<readers::GdiplusPayloadDecoder>());
        ASSERT_EQ(core.Open({file, u"x.tif", u""}), OpenStatus::kOpened) << label;
        const auto own = core.DecodeHere(0);
        EXPECT_EQ(own.has_value(), kind.coreDecodes) << label;
        if (own) {
            EXPECT_LE(MaxDifference(static_cast<int>(own->type), own->bytes.data(), own->stride, kind.width,
                                    kind.height, reference),
                      kind.tolerance)
                << label << " by the core";
        }
    }
}

TEST(TiffReader, EveryPageOfAMultiPageFile) {
    const auto collection = OpenCollection(kTiffFormat, Sample(L"multi.tif"));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 3);
    const struct {
        const wchar_t* reference;
        int width;
        int height;
    } pages[] = {{L"multi.rgb", 23, 17}, {L"multi-1.rgb", 11, 9}, {L"multi-2.rgb", 23, 17}};
    for (int i = 0; i < 3; ++i) {
        int width = 0xdeadbeef;
        collection->GetImageWidth(i, &width);
        EXPECT_EQ(width, pages[i].width) << "page " << i;
        EXPECT_EQ(Name(collection.Get(), i), L"multi_" + std::to_wstring(i + 1));
        const Pixels pixels = ReadPixels(collection.Get(), i);
        ASSERT_TRUE(pixels.image) << "page " << i;
        ASSERT_EQ(pixels.height, pages[i].height) << "page " << i;
        EXPECT_LE(MaxDifference(pixels.type, pixels.bits, pixels.stride, pages[i].width, pages[i].height,
                                test::ReadFileBytes(Sample(pages[i].reference))),
                  1)
            << "page " << i;
    }
}

// A file whose directory chain points back at itself, and one with an absurd size.
TEST(TiffReader, DamagedFilesFailCleanly) {
    TiffSource source(nullptr);
    // A loop in the chain lists its page once.
    ASSERT_EQ(source.Open({test::OnePageTiff(1, 8), u"loop.tif", u""}), OpenStatus::kOpened);
    EXPECT_EQ(source.Images().size(), 1u);
    const auto image = source.DecodeHere(0);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->Row(0)[0], 0);
    EXPECT_EQ(image->Row(1)[0], 255);
    EXPECT_EQ(source.Open({test::OnePageTiff(0x7FFFFFFF, 0), u"huge.tif", u""}), OpenStatus::kNotReadable);

    // Cut at every eighth: through COM the file opens with what is readable or not at all.
    for (const wchar_t* name : {L"lzw.tif", L"multi.tif", L"g4.tif"}) {
        const Bytes file = test::ReadFileBytes(Sample(name));
        test::TempFolder folder;
        for (int eighth = 0; eighth < 8; ++eighth) {
            const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() * eighth / 8));
            const std::wstring path = folder.File(L"cut.tif");
            ASSERT_TRUE(test::WriteFileBytes(path, cut));
            auto reader = CreateReader(kTiffFormat);
            ASSERT_TRUE(reader);
            if (OpenPath(reader.Get(), path) != S_OK) continue;
            ComPtr<ImageCollection> collection;
            ASSERT_EQ(Query(reader.Get(), kIidImageCollection, collection), S_OK);
            for (int i = 0; i < Count(collection.Get()); ++i) {
                ComPtr<IUnknown> object;
                collection->GetImage(i, object.GetAddressOf());  // an image or none, never a crash
            }
        }
    }
}

}  // namespace
}  // namespace pictrove
