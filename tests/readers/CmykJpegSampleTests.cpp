// CMYK JPEGs as real producers write them (Ghostscript's pdfwrite, ImageMagick; made by
// data/cmyk-jpeg/make-cmyk-jpeg-samples.sh), held to what independent decoders show for them:
// pdftoppm for the PDF pages, ImageMagick's ink amounts for the JPEG file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/CmykModel.h"
#include "codecs/Jpeg.h"
#include "pdf/PdfSource.h"

#ifdef _WIN32
#include "tests/support/TestSupport.h"
#endif

namespace pictrove::readers {
namespace {

std::filesystem::path SampleFolder() {
#ifdef _WIN32
    return std::filesystem::path(test::ProgramFolder()) / L"readers-data" / L"cmyk-jpeg";
#else
    return PICTROVE_CMYK_JPEG_SAMPLES;
#endif
}

std::vector<std::uint8_t> ReadSample(const std::string& name) {
    std::ifstream stream(SampleFolder() / name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), {});
}

// One row of expected.txt: a patch's centre in a file's page and what the oracle shows there.
struct Patch {
    std::string file;
    int page = 0;
    int x = 0;
    int y = 0;
    std::string kind;  // "rgb" or "cmyk"
    std::vector<int> values;
};

std::vector<Patch> ReadPatches() {
    std::ifstream stream(SampleFolder() / "expected.txt");
    std::vector<Patch> patches;
    std::string line;
    while (std::getline(stream, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Patch patch;
        fields >> patch.file >> patch.page >> patch.x >> patch.y >> patch.kind;
        for (int value; fields >> value;) patch.values.push_back(value);
        patches.push_back(std::move(patch));
    }
    return patches;
}

// The reader's CMYK model against pdftoppm's: within 16 levels on these solid inks and
// their overprints. A negative misses paper, solids or the mix by a hundred levels or more.
constexpr int kRendererTolerance = 20;
// The same ink through the same model: only JPEG's rounding between two decoders.
constexpr int kInkTolerance = 3;

void ExpectColour(const DecodedImage& image, const Patch& patch, const std::uint8_t rgb[3], int tolerance) {
    ASSERT_EQ(image.type, PixelType::kBgr24);
    ASSERT_LT(patch.x, image.width);
    ASSERT_LT(patch.y, image.height);
    const std::uint8_t* bgr = image.Row(patch.y) + 3 * patch.x;
    int worst = 0;
    for (int channel = 0; channel < 3; ++channel) worst = std::max(worst, std::abs(bgr[2 - channel] - rgb[channel]));
    EXPECT_LE(worst, tolerance) << "ours " << int(bgr[2]) << " " << int(bgr[1]) << " " << int(bgr[0]) << ", oracle "
                                << int(rgb[0]) << " " << int(rgb[1]) << " " << int(rgb[2]);
}

// Stands in for the platform's decoder, which these pictures never need.
class NoPlatformJpeg final : public PayloadDecoder {
  public:
    std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t>, unsigned) override { return std::nullopt; }
    unsigned FrameCount(std::span<const std::uint8_t>) override { return 0; }
};

TEST(CmykJpegSamples, PdfPicturesShowWhatPdfRenderersShow) {
    const auto patches = ReadPatches();
    ASSERT_EQ(patches.size(), 42u);
    std::map<std::string, std::unique_ptr<PdfSource>> sources;
    std::map<std::pair<std::string, int>, std::optional<DecodedImage>> pages;
    for (const auto& patch : patches) {
        if (patch.kind != "rgb") continue;
        SCOPED_TRACE(patch.file + " page " + std::to_string(patch.page) + " x " + std::to_string(patch.x));
        auto& source = sources[patch.file];
        if (!source) {
            source = std::make_unique<PdfSource>(std::make_shared<NoPlatformJpeg>());
            OpenRequest request;
            request.bytes = ReadSample(patch.file);
            request.path = u"C:\\docs\\cmyk.pdf";
            ASSERT_EQ(source->Open(std::move(request)), OpenStatus::kOpened);
        }
        // One picture a page, listed in page order.
        auto [page, fresh] = pages.try_emplace({patch.file, patch.page});
        if (fresh) page->second = source->Decode(static_cast<std::size_t>(patch.page - 1));
        ASSERT_TRUE(page->second);
        const std::uint8_t rgb[3] = {std::uint8_t(patch.values[0]), std::uint8_t(patch.values[1]),
                                     std::uint8_t(patch.values[2])};
        ExpectColour(*page->second, patch, rgb, kRendererTolerance);
    }
    EXPECT_EQ(pages.size(), 6u);
}

// A picture's JPEG is handed out as a file of its own only where a JPEG file's reader shows what
// the page shows; the others are written from their pixels.
TEST(CmykJpegSamples, StoredJpegsAreFilesOnlyWhereTheyShowThePicture) {
    struct Case {
        const char* file;
        std::size_t index;
        bool asFile;
    };
    const Case cases[] = {
        {"pdfwrite.pdf", 0, false}, {"pdfwrite-ycck.pdf", 0, false}, {"decode.pdf", 0, false},
        {"decode.pdf", 1, true},    {"decode.pdf", 2, false},        {"decode.pdf", 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " picture " + std::to_string(c.index));
        PdfSource source(std::make_shared<NoPlatformJpeg>());
        OpenRequest request;
        request.bytes = ReadSample(c.file);
        request.path = u"C:\\docs\\cmyk.pdf";
        ASSERT_EQ(source.Open(std::move(request)), OpenStatus::kOpened);
        EXPECT_EQ(source.Stored(c.index).format, c.asFile ? StoredFormat::kJpeg : StoredFormat::kNone);
        EXPECT_EQ(source.Stored(c.index).pixelType, PixelType::kBgr24);
        const auto bytes = source.StoredBytes(c.index);
        ASSERT_EQ(bytes.has_value(), c.asFile);
        if (!bytes) continue;
        const auto page = source.Decode(c.index);
        const auto file = codecs::JpegToImage(*bytes);
        ASSERT_TRUE(page && file);
        ASSERT_EQ(file->width, page->width);
        for (int x = 8; x < page->width; x += 16) {
            const std::uint8_t* bgr = page->Row(8) + 3 * x;
            const std::uint8_t rgb[3] = {bgr[2], bgr[1], bgr[0]};
            ExpectColour(*file, {c.file, 1, x, 8, "rgb", {}}, rgb, kInkTolerance);
        }
    }
}

TEST(CmykJpegSamples, JpegFileShowsImageMagicksInk) {
    auto image = codecs::JpegToImage(ReadSample("imagemagick.jpg"));
    ASSERT_TRUE(image);
    int checked = 0;
    for (const auto& patch : ReadPatches()) {
        if (patch.kind != "cmyk") continue;
        SCOPED_TRACE(patch.file + " x " + std::to_string(patch.x));
        std::uint8_t rgb[3];
        codecs::CmykToRgb(std::uint8_t(patch.values[0]), std::uint8_t(patch.values[1]), std::uint8_t(patch.values[2]),
                          std::uint8_t(patch.values[3]), rgb);
        ExpectColour(*image, patch, rgb, kInkTolerance);
        ++checked;
    }
    EXPECT_EQ(checked, 6);
}

}  // namespace
}  // namespace pictrove::readers
