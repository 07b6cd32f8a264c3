// Inputs whose headers declare far more than their data holds, found by fuzzing: each picture
// fails alone or is still listed, and none makes a reader reserve more than its data could fill.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AllocationProbe.h"
#include "fb2/Fb2Source.h"
#include "FindingsSamples.h"
#include "jbig2/Jbig2Source.h"
#include "model/Limits.h"
#include "pictures/PayloadDecoder.h"
#include "pdb/PdbSource.h"
#include "TestJpx.h"
#include "codecs/Jpx.h"
#include "djvu/DjvuSource.h"
#include "pdf/PdfSource.h"

namespace pictrove::readers {
namespace {

// Far more than any of these files could fill, far less than what their headers declare.
constexpr std::size_t kModestAllocation = std::size_t{64} << 20;

class NoPictures final : public PayloadDecoder {
  public:
    std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t>, unsigned) override { return std::nullopt; }
    unsigned FrameCount(std::span<const std::uint8_t>) override { return 0; }
};

// Opens the file and decodes every picture it lists; returns how many it listed.
std::size_t OpenAndDecodeAll(DocumentSource& source, const std::vector<std::uint8_t>& bytes, const char16_t* path) {
    OpenRequest request;
    request.bytes = bytes;
    request.path = path;
    source.Open(std::move(request));
    for (std::size_t i = 0; i < source.Images().size(); ++i) source.Decode(i);
    return source.Images().size();
}

TEST(Findings, PalmBitmapsDeclaringGigabytesReserveOnlyWhatTheirDataFills) {
    for (const auto* bytes : {&test::kPalmBitmap138, &test::kPalmBitmap170}) {
        SCOPED_TRACE(bytes->size());
        PdbSource source(std::make_shared<NoPictures>());
        test::ResetLargestAllocation();
        OpenAndDecodeAll(source, *bytes, u"finding.pdb");
        EXPECT_LT(test::LargestAllocation(), kModestAllocation);
    }
}

TEST(Findings, ZipEntriesAreNotReservedAtTheirDeclaredSize) {
    for (const auto* bytes : {&test::kZippedFb2Declared30, &test::kZippedFb2Inflates315}) {
        SCOPED_TRACE(bytes->size());
        Fb2Source source(std::make_shared<NoPictures>());
        test::ResetLargestAllocation();
        OpenAndDecodeAll(source, *bytes, u"finding.fb2.zip");
        EXPECT_LT(test::LargestAllocation(), kModestAllocation);
    }
}

TEST(Findings, APdfPictureFarLargerThanItsDataFailsAloneAndStaysListed) {
    PdfSource source;
    test::ResetLargestAllocation();
    ASSERT_EQ(OpenAndDecodeAll(source, test::kPdfDeclares16000Square, u"finding.pdf"), 1u);
    EXPECT_LT(test::LargestAllocation(), kModestAllocation);
    EXPECT_EQ(source.Images()[0].width, 16000);
    EXPECT_FALSE(source.Decode(0).has_value());
}

// Found by the fuzzing campaign: a page's background layer that declares itself larger than
// the page (damage) had its wavelet coefficients allocated before the size was compared with
// the page's. The page is still listed at its own size.
TEST(Findings, ADjvuLayerLargerThanItsPageIsRefusedBeforeAllocating) {
    DjvuSource source;
    test::ResetLargestAllocation();
    ASSERT_EQ(OpenAndDecodeAll(source, test::kDjvuLayerLargerThanPage, u"finding.djvu"), 1u);
    EXPECT_LT(test::LargestAllocation(), kModestAllocation);
    EXPECT_EQ(source.Images()[0].width, 400);
    EXPECT_EQ(source.Images()[0].height, 300);
}

// Found by the fuzzing campaign (a page of 3025 x 32990 that took seconds): an upright page
// was copied whole on its way out, doubling the memory and time of every large page. A page of
// nothing but its size, upright and turned, allocates the page once, and once more to turn it.
TEST(Findings, AnUprightDjvuPageIsNotCopiedOnItsWayOut) {
    const auto pageOfNothing = [](std::uint8_t orientation) {
        // "AT&T" FORM:DJVU holding one INFO chunk: 2000 x 1500, version 24, 300 dpi, gamma 2.2.
        return std::vector<std::uint8_t>{'A',  'T',  '&',  'T',  'F', 'O', 'R',  'M',  0,  0,          0, 22,
                                         'D',  'J',  'V',  'U',  'I', 'N', 'F',  'O',  0,  0,          0, 10,
                                         0x07, 0xD0, 0x05, 0xDC, 24,  0,   0x2C, 0x01, 22, orientation};
    };
    const std::size_t page = 2000 * 1500;
    const struct {
        std::uint8_t orientation;
        int width;
        std::size_t pages;  // allocations of the page's size
    } cases[] = {{1, 2000, 1}, {2, 2000, 2}, {5, 1500, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.orientation));
        DjvuSource source;
        OpenRequest request;
        request.bytes = pageOfNothing(c.orientation);
        request.path = u"finding.djvu";
        ASSERT_EQ(source.Open(std::move(request)), OpenStatus::kOpened);
        test::ResetLargestAllocation();
        const auto image = source.Decode(0);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, c.width);
        EXPECT_LT(test::TotalAllocated(), c.pages * page + page / 2);
        EXPECT_GE(test::TotalAllocated(), c.pages * page);
    }
}

// Found by the fuzzing campaign: a 265-byte codestream declaring a grid of 43692 tiles made
// the JPEG 2000 library allocate for the whole grid while reading its header, seconds of work
// before the declared size was refused. The grid is now read first: the size must be within
// the limits and every tile needs a tile-part of 14 bytes or more in the data.
TEST(Findings, AJpeg2000TileGridLargerThanItsDataIsRefusedBeforeTheLibraryReadsIt) {
    EXPECT_FALSE(codecs::JpxGridFitsData(test::kJpxGridOf43692Tiles));
    EXPECT_FALSE(codecs::DecodeJpx(test::kJpxGridOf43692Tiles));

    test::JpxPlane plane;
    for (int i = 0; i < 64; ++i) plane.values.push_back(i * 4);
    for (const bool jp2 : {false, true}) {
        SCOPED_TRACE(jp2);
        const test::Bytes file = test::MakeJpx(8, 8, {plane}, {8, jp2, 0});
        ASSERT_TRUE(codecs::JpxGridFitsData(file));
        ASSERT_TRUE(codecs::DecodeJpx(file));
    }
    // Tiles of one pixel: 64 of them need 64 x 14 bytes of codestream, padding after its end
    // included; one byte fewer is too few.
    test::Bytes bare = test::MakeJpx(8, 8, {plane}, {8, false, 0});
    ASSERT_EQ(bare[2], 0xFF);
    ASSERT_EQ(bare[3], 0x51);
    for (const std::size_t at : {std::size_t{24} + 3, std::size_t{28} + 3}) bare[at] = 1;  // XTsiz, YTsiz
    for (int i = 0; i < 3; ++i) bare[24 + i] = bare[28 + i] = 0;
    ASSERT_LT(bare.size(), 64u * 14);
    bare.resize(64 * 14 - 1, 0);
    EXPECT_FALSE(codecs::JpxGridFitsData(bare));
    bare.push_back(0);
    EXPECT_TRUE(codecs::JpxGridFitsData(bare));
    // A size past the limits is refused whatever the data.
    test::Bytes wide = test::MakeJpx(8, 8, {plane}, {8, false, 0});
    wide[8] = 0x01;  // Xsiz 0x010000xx
    EXPECT_FALSE(codecs::JpxGridFitsData(wide));
}

// Second round. A JPEG 2000 picture's decoding holds the codec's 32-bit samples of each
// component at its own size and the 8-bit picture: together within a picture's bytes. A
// 15000 x 15000 x 3 codestream needs 3.4 GB and is refused before the codec decodes it, bare or
// in a PDF (which still lists it); one of 2047 x 44800 whose components are sub-sampled needs
// 445 MB and decodes, though counted at full size it would not fit.
TEST(Findings, AJpeg2000PictureIsBoundedByWhatItsDecodingHolds) {
    test::ResetLargestAllocation();
    TakeLimitBreach();
    EXPECT_FALSE(codecs::DecodeJpx(test::kJpxDeclares15000Square));
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kPixels);
    PdfSource pdf;
    ASSERT_EQ(OpenAndDecodeAll(pdf, test::kPdfJpxDeclares15000Square, u"finding.pdf"), 1u);
    EXPECT_EQ(pdf.Images()[0].width, 15000);
    EXPECT_LT(test::LargestAllocation(), kModestAllocation);

    const auto subsampled = codecs::DecodeJpx(test::kJpxSubsampled2047x44800);
    ASSERT_TRUE(subsampled);
    EXPECT_EQ(subsampled->width, 2047);
    EXPECT_EQ(subsampled->height, 44800);
    EXPECT_EQ(subsampled->samples.size(), std::size_t{2047} * 44800 * 3);

    // A real encoder's white page codes in 2 KB: it decodes, mark and paper.
    const auto page = codecs::DecodeJpx(test::kOpjWhitePage4000x3000);
    ASSERT_TRUE(page);
    ASSERT_EQ(page->components, 3);
    const auto grey = [&](std::size_t x, std::size_t y) { return page->samples[(y * 4000 + x) * 3 + 1]; };
    EXPECT_EQ(grey(200, 140), 0);
    EXPECT_EQ(grey(3999, 2999), 255);
}

// A 15000 x 15000 JBIG2 page whose one generic region has four data bytes ending in a marker:
// the marker's fill counts as made-up data, so decoding stops after the first row, and the
// region holds only the rows it reached. What is left is the page and its picture.
TEST(Findings, AJbig2RegionWhoseDataEndsHoldsOnlyTheRowsItReached) {
    Jbig2Source source;
    test::ResetLargestAllocation();
    ASSERT_EQ(OpenAndDecodeAll(source, test::kJbig2Region15000Square, u"finding.jb2"), 1u);
    const std::size_t page = std::size_t{15000} * 15000;
    EXPECT_LT(test::TotalAllocated(), 2 * page + kModestAllocation);
    ASSERT_TRUE(source.Decode(0));
}

// A real page's background chunk with its sizes set to 15000 x 15000: its data runs out before
// the slices it declares, so the page has no background; its coefficients were allocated only
// for blocks the data reached. What is left is the page's own picture.
TEST(Findings, ADjvuBackgroundItsDataCannotDescribeIsNotDrawn) {
    DjvuSource source;
    test::ResetLargestAllocation();
    ASSERT_EQ(OpenAndDecodeAll(source, test::kDjvuBackground15000Square, u"finding.djvu"), 1u);
    EXPECT_EQ(source.Images()[0].width, 15000);
    EXPECT_LT(test::TotalAllocated(), std::size_t{15000} * 15000 + kModestAllocation);
}

// A DCTDecode picture with no data gave no samples, and the plain RGB rows were read from a
// null pointer. It fails alone.
TEST(Findings, APdfJpegPictureWithoutSamplesFailsAlone) {
    PdfSource source;
    ASSERT_GE(OpenAndDecodeAll(source, test::kPdfDctWithoutSamples, u"finding.pdf"), 1u);
    EXPECT_FALSE(source.Decode(0).has_value());
}

}  // namespace
}  // namespace pictrove::readers
