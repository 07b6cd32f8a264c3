// The portable parsing core of the readers: names, byte reading, icon directories, the merged
// picture of layered paint files and pixel conversion.
#include <gtest/gtest.h>

#include <cstring>

#include "model/ByteReader.h"
#include "model/DocumentSource.h"
#include "pictures/IcoDirectory.h"
#include "model/ImageNames.h"
#include "psd/PsdSource.h"
#include "TestImageFiles.h"

namespace pictrove::readers {
namespace {

using test::Bytes;

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

TEST(SanitizeImageName, ReplacesCharactersWindowsRefuses) {
    EXPECT_EQ(SanitizeImageName(u"a<b>c:d\"e/f\\g|h?i*j"), u"a_b_c_d_e_f_g_h_i_j");
    EXPECT_EQ(SanitizeImageName(u"tab\there\x01\x1F"), u"tab_here__");
    EXPECT_EQ(SanitizeImageName(u"..\\..\\windows\\win.ini"), u".._.._windows_win.ini");
    EXPECT_EQ(SanitizeImageName(u"caf\u00e9 \u65e5\u672c"), u"caf\u00e9 \u65e5\u672c");
}

TEST(SanitizeImageName, TrimsBlanksAndTrailingDots) {
    EXPECT_EQ(SanitizeImageName(u"  cover . . "), u"cover");
    EXPECT_EQ(SanitizeImageName(u"name..."), u"name");
    EXPECT_EQ(SanitizeImageName(u".hidden"), u".hidden");
    EXPECT_EQ(SanitizeImageName(u"..."), u"");
    EXPECT_EQ(SanitizeImageName(u"   "), u"");
    EXPECT_EQ(SanitizeImageName(u""), u"");
}

TEST(SanitizeImageName, GuardsDeviceNames) {
    EXPECT_EQ(SanitizeImageName(u"CON"), u"_CON");
    EXPECT_EQ(SanitizeImageName(u"nul.png"), u"_nul.png");
    EXPECT_EQ(SanitizeImageName(u"Com1"), u"_Com1");
    EXPECT_EQ(SanitizeImageName(u"lpt9.tar.gz"), u"_lpt9.tar.gz");
    EXPECT_EQ(SanitizeImageName(u"aux ."), u"_aux");
    // Near misses are ordinary names.
    EXPECT_EQ(SanitizeImageName(u"COM0"), u"COM0");
    EXPECT_EQ(SanitizeImageName(u"CONSOLE"), u"CONSOLE");
    EXPECT_EQ(SanitizeImageName(u"LPT10"), u"LPT10");
    EXPECT_EQ(SanitizeImageName(u"my con"), u"my con");
}

TEST(SanitizeImageName, CutsLongNamesWithoutSplittingCharacters) {
    EXPECT_EQ(SanitizeImageName(std::u16string(300, u'x')).size(), kMaxImageNameLength);
    // A pair that would straddle the limit is dropped whole.
    std::u16string pairAtEnd(kMaxImageNameLength - 1, u'x');
    pairAtEnd += u"\U0001F600tail";
    EXPECT_EQ(SanitizeImageName(pairAtEnd), std::u16string(kMaxImageNameLength - 1, u'x'));
    // The cut leaves no trailing dot or blank.
    std::u16string dotted(kMaxImageNameLength - 2, u'x');
    dotted += u". more";
    EXPECT_EQ(SanitizeImageName(dotted), std::u16string(kMaxImageNameLength - 2, u'x'));
}

TEST(SanitizeImageName, KeepsPairsAndReplacesLoneSurrogates) {
    EXPECT_EQ(SanitizeImageName(u"smile\U0001F600"), u"smile\U0001F600");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    EXPECT_EQ(SanitizeImageName(lone), u"a_b_");
}

TEST(DocumentStem, TakesFileNameWithoutLastExtension) {
    EXPECT_EQ(DocumentStem(u"C:\\Pictures\\photo.png"), u"photo");
    EXPECT_EQ(DocumentStem(u"/tmp/archive.tar.gz"), u"archive.tar");
    EXPECT_EQ(DocumentStem(u"C:\\my.docs\\readme"), u"readme");
    EXPECT_EQ(DocumentStem(u"D:\\icons\\.png"), u".png");
    EXPECT_EQ(DocumentStem(u"plain"), u"plain");
}

TEST(UniqueNames, SuffixesRepeatsRegardlessOfCase) {
    UniqueNames names;
    EXPECT_EQ(names.Add(u"cover"), u"cover");
    EXPECT_EQ(names.Add(u"Cover"), u"Cover_2");
    EXPECT_EQ(names.Add(u"cover_2"), u"cover_2_2");  // the real "cover_2" arrives after the made one
    EXPECT_EQ(names.Add(u"COVER"), u"COVER_3");
    EXPECT_EQ(names.Add(u"\u0444\u043e\u0442\u043e"), u"\u0444\u043e\u0442\u043e");
    EXPECT_EQ(names.Add(u"\u0424\u041e\u0422\u041e"), u"\u0424\u041e\u0422\u041e_2");
    EXPECT_EQ(names.Add(u""), u"");
    EXPECT_EQ(names.Add(u""), u"");
}

TEST(UniqueNames, SuffixStaysInsideLengthLimit) {
    UniqueNames names;
    const std::u16string longName(kMaxImageNameLength, u'n');
    EXPECT_EQ(names.Add(longName), longName);
    const std::u16string second = names.Add(longName);
    EXPECT_EQ(second.size(), kMaxImageNameLength);
    EXPECT_TRUE(second.ends_with(u"_2")) << Narrow(second);
}

TEST(NamesFromFile, OneImageTakesStemSeveralAreNumbered) {
    EXPECT_EQ(NamesFromFile(u"C:\\x\\photo.png", 1), std::vector<std::u16string>{u"photo"});
    EXPECT_EQ(NamesFromFile(u"C:\\x\\anim.gif", 3), (std::vector<std::u16string>{u"anim_1", u"anim_2", u"anim_3"}));
    const auto numbered = NamesFromFile(u"C:\\x\\" + std::u16string(200, u'y') + u".ico", 12);
    EXPECT_TRUE(numbered[11].ends_with(u"_12"));
    EXPECT_LE(numbered[11].size(), kMaxImageNameLength);
}

// A source that lists the names it is given, to see what Open makes of them.
class ListedNamesSource : public DocumentSource {
  public:
    explicit ListedNamesSource(std::vector<std::u16string> names) : names_(std::move(names)) {}
    std::optional<DecodedImage> Decode(std::size_t) override { return std::nullopt; }

  protected:
    OpenStatus OpenDocument(OpenRequest request) override {
        if (request.bytes.empty()) return OpenStatus::kNotReadable;
        for (const auto& name : names_) images_.push_back({name, 1, 1});
        return OpenStatus::kOpened;
    }

  private:
    std::vector<std::u16string> names_;
};

TEST(DocumentSource, OpenMakesEveryNameSafeAndUnique) {
    ListedNamesSource source({u"a/b", u"a:b", u"PRN", u"", u"x. "});
    ASSERT_EQ(source.Open({{1}, u"doc", u""}), OpenStatus::kOpened);
    std::vector<std::u16string> names;
    for (const auto& image : source.Images()) names.push_back(image.name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"a_b", u"a_b_2", u"_PRN", u"", u"x"}));
    // A failed open leaves nothing listed.
    EXPECT_EQ(source.Open({{}, u"doc", u""}), OpenStatus::kNotReadable);
    EXPECT_TRUE(source.Images().empty());
}

TEST(ByteReader, ReadsBothByteOrdersAndFailsPastTheEnd) {
    const Bytes data = {0x01, 0x02, 0x03, 0x04, 0x05};
    ByteReader reader(data);
    EXPECT_EQ(reader.U16LE(), 0x0201);
    EXPECT_EQ(reader.U16BE(), 0x0304);
    EXPECT_TRUE(reader.Ok());
    EXPECT_EQ(reader.U32LE(), 0u);  // only one byte left
    EXPECT_FALSE(reader.Ok());
    EXPECT_EQ(reader.U8(), 0);  // failure is sticky
    EXPECT_EQ(reader.Remaining(), 0u);

    ByteReader spans(data);
    EXPECT_EQ(spans.Bytes(5).size(), 5u);
    EXPECT_TRUE(spans.Bytes(0).empty());
    EXPECT_TRUE(spans.Ok());
    EXPECT_TRUE(spans.Bytes(1).empty());
    EXPECT_FALSE(spans.Ok());

    ByteReader seeking(data);
    EXPECT_TRUE(seeking.Seek(4));
    EXPECT_EQ(seeking.U8(), 0x05);
    EXPECT_FALSE(seeking.Seek(6));
    EXPECT_FALSE(ByteReader(data, 9).Ok());
    // A huge skip must not wrap around.
    ByteReader skipping(data, 2);
    EXPECT_FALSE(skipping.Skip(SIZE_MAX));
}

Bytes TwoIconFile() {
    test::IconImage small{16, 16, Bytes(16 * 16 * 4, 0x80), {}};
    test::IconImage large{48, 48, {}, test::MakePng(48, 48, test::PngColour::kRgba, Bytes(48 * 48 * 4, 0xC0))};
    return test::MakeIco({small, large});
}

TEST(IcoDirectory, ListsEveryEntry) {
    const Bytes file = TwoIconFile();
    ASSERT_TRUE(LooksLikeIco(file));
    const auto entries = ParseIcoDirectory(file);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].width, 16);
    EXPECT_EQ((*entries)[0].height, 16);
    EXPECT_EQ((*entries)[0].bitCount, 32);
    EXPECT_FALSE((*entries)[0].isPng);
    EXPECT_EQ((*entries)[0].offset, 6u + 2 * 16);
    EXPECT_EQ((*entries)[1].width, 48);
    EXPECT_TRUE((*entries)[1].isPng);
    EXPECT_EQ((*entries)[1].offset + (*entries)[1].size, file.size());
}

TEST(IcoDirectory, ZeroSizeMeans256) {
    test::IconImage big{256, 256, {}, test::MakePng(1, 1, test::PngColour::kGray, {0})};
    const auto entries = ParseIcoDirectory(test::MakeIco({big}));
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ((*entries)[0].width, 256);
    EXPECT_EQ((*entries)[0].height, 256);
}

TEST(IcoDirectory, SkipsEntriesOutsideTheFileAndRefusesOtherFiles) {
    Bytes file = TwoIconFile();
    // Second entry's offset (bytes 6 + 16 + 12) pointed past the end.
    const std::uint32_t past = static_cast<std::uint32_t>(file.size());
    std::memcpy(&file[6 + 16 + 12], &past, 4);
    auto entries = ParseIcoDirectory(file);
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(entries->size(), 1u);
    // First entry's size 0: no entry left.
    std::memset(&file[6 + 8], 0, 4);
    EXPECT_FALSE(ParseIcoDirectory(file).has_value());

    Bytes header = TwoIconFile();
    header[2] = 3;  // neither icon nor cursor
    EXPECT_FALSE(ParseIcoDirectory(header).has_value());
    EXPECT_FALSE(ParseIcoDirectory(Bytes{0, 0, 1, 0}).has_value());
    // A file that ends inside its directory.
    Bytes truncated = TwoIconFile();
    truncated.resize(6 + 16 + 10);
    EXPECT_FALSE(ParseIcoDirectory(truncated).has_value());
}

TEST(IcoDirectory, ExtractsAnEntryAsAFileOfItsOwn) {
    const Bytes file = TwoIconFile();
    const auto entries = *ParseIcoDirectory(file);
    const Bytes single = ExtractIcoEntry(file, entries[0]);
    ASSERT_EQ(single.size(), 22u + entries[0].size);
    const auto reparsed = ParseIcoDirectory(single);
    ASSERT_TRUE(reparsed.has_value());
    ASSERT_EQ(reparsed->size(), 1u);
    EXPECT_EQ((*reparsed)[0].width, 16);
    EXPECT_EQ((*reparsed)[0].offset, 22u);
    EXPECT_EQ(0, std::memcmp(single.data() + 22, file.data() + entries[0].offset, entries[0].size));
    // A PNG entry comes out as the PNG itself.
    const Bytes png = ExtractIcoEntry(file, entries[1]);
    EXPECT_EQ(png, Bytes(file.begin() + entries[1].offset, file.end()));
    IcoEntry outside = entries[1];
    outside.offset += 1;
    EXPECT_TRUE(ExtractIcoEntry(file, outside).empty());
}

// Planes of a 3 x 2 RGB picture: red, green, blue values distinct per pixel.
std::vector<Bytes> RgbPlanes() {
    return {{10, 20, 30, 40, 50, 60}, {11, 21, 31, 41, 51, 61}, {12, 22, 32, 42, 52, 62}};
}

std::optional<DecodedImage> OpenAndDecodePsd(const Bytes& file, OpenStatus expected = OpenStatus::kOpened) {
    PsdSource source;
    EXPECT_EQ(source.Open({file, u"C:\\art\\poster.psd", u""}), expected);
    if (expected != OpenStatus::kOpened) return std::nullopt;
    EXPECT_EQ(source.Images().size(), 1u);
    EXPECT_EQ(source.Images()[0].name, u"poster");
    return source.Decode(0);
}

TEST(PsdSource, ReadsRawAndPackedRgb) {
    for (bool packed : {false, true}) {
        SCOPED_TRACE(packed ? "packed" : "raw");
        const auto image = OpenAndDecodePsd(test::MakePsd({3, 2, 8, 3, RgbPlanes(), packed}));
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->type, PixelType::kBgr24);
        EXPECT_EQ(image->width, 3);
        EXPECT_EQ(image->height, 2);
        EXPECT_EQ(image->stride, 12);
        // Second row, third pixel: blue, green, red.
        const std::uint8_t* pixel = image->Row(1) + 2 * 3;
        EXPECT_EQ(pixel[0], 62);
        EXPECT_EQ(pixel[1], 61);
        EXPECT_EQ(pixel[2], 60);
        EXPECT_EQ(image->Row(0)[0], 12);
        EXPECT_EQ(image->Row(0)[2], 10);
    }
}

TEST(PsdSource, TransparencyOnlyWhenFlagged) {
    auto planes = RgbPlanes();
    planes.push_back({255, 0, 128, 255, 255, 7});
    const auto opaque = OpenAndDecodePsd(test::MakePsd({3, 2, 8, 3, planes, true, false}));
    ASSERT_TRUE(opaque.has_value());
    EXPECT_EQ(opaque->type, PixelType::kBgr24);
    const auto flagged = OpenAndDecodePsd(test::MakePsd({3, 2, 8, 3, planes, true, true}));
    ASSERT_TRUE(flagged.has_value());
    EXPECT_EQ(flagged->type, PixelType::kBgra32);
    EXPECT_EQ(flagged->Row(0)[4 + 3], 0);
    EXPECT_EQ(flagged->Row(1)[8 + 3], 7);
    EXPECT_EQ(flagged->Row(1)[8 + 2], 60);
}

TEST(PsdSource, GrayAndSixteenBit) {
    // A run long enough to pack as a repeat plus a literal tail.
    Bytes gray(20, 200);
    gray[19] = 3;
    const auto image = OpenAndDecodePsd(test::MakePsd({10, 2, 8, 1, {gray}, true}));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->type, PixelType::kGray8);
    EXPECT_EQ(image->stride, 12);
    EXPECT_EQ(image->Row(0)[0], 200);
    EXPECT_EQ(image->Row(1)[9], 3);

    // Sixteen-bit samples keep their significant byte.
    const Bytes wide = {0x12, 0x34, 0xAB, 0xCD};
    const auto deep = OpenAndDecodePsd(test::MakePsd({2, 1, 16, 1, {wide}, false}));
    ASSERT_TRUE(deep.has_value());
    EXPECT_EQ(deep->Row(0)[0], 0x12);
    EXPECT_EQ(deep->Row(0)[1], 0xAB);
}

TEST(PsdSource, RefusesWhatItCannotDraw) {
    // CMYK, 1-bit, a truncated raw plane, and a packed file whose rows run past the end.
    OpenAndDecodePsd(test::MakePsd({3, 2, 8, 4, {Bytes(6), Bytes(6), Bytes(6), Bytes(6)}}), OpenStatus::kNotReadable);
    OpenAndDecodePsd(test::MakePsd({3, 2, 1, 3, RgbPlanes()}), OpenStatus::kNotReadable);
    Bytes raw = test::MakePsd({3, 2, 8, 3, RgbPlanes()});
    raw.pop_back();
    OpenAndDecodePsd(raw, OpenStatus::kNotReadable);
    Bytes packed = test::MakePsd({3, 2, 8, 3, RgbPlanes(), true});
    packed.resize(packed.size() - 3);
    OpenAndDecodePsd(packed, OpenStatus::kNotReadable);
    OpenAndDecodePsd(Bytes{'8', 'B', 'P', 'S', 0, 1}, OpenStatus::kNotReadable);
    Bytes huge = test::MakePsd({3, 2, 8, 3, RgbPlanes()});
    huge[14] = 0x7F;  // height far beyond any real picture
    OpenAndDecodePsd(huge, OpenStatus::kNotReadable);
}

TEST(PsdSource, DamagedPackedRowFailsDecodeOnly) {
    Bytes file = test::MakePsd({3, 2, 8, 3, RgbPlanes(), true});
    // Row sizes start after the 26-byte header, three empty section lengths and the compression.
    const std::size_t firstRow = 26 + 12 + 2 + 6 * 2;
    file[firstRow] = 0x7F;  // a literal run longer than the row
    const auto image = OpenAndDecodePsd(file);
    EXPECT_FALSE(image.has_value());
}

TEST(ImageFromBgra, ConvertsToEachTypeWithPaddedRows) {
    // 3 x 2, rows of 12 bytes plus 4 of padding.
    Bytes bgra(2 * 16, 0xEE);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            std::uint8_t* p = &bgra[y * 16 + x * 4];
            p[0] = static_cast<std::uint8_t>(10 * x + y);
            p[1] = static_cast<std::uint8_t>(100 + 10 * x + y);
            p[2] = static_cast<std::uint8_t>(200 + x + y);
            p[3] = static_cast<std::uint8_t>(x * 50);
        }
    }
    const auto bgr = ImageFromBgra(bgra.data(), 16, 3, 2, PixelType::kBgr24);
    ASSERT_TRUE(bgr.has_value());
    EXPECT_EQ(bgr->stride, 12);
    EXPECT_EQ(bgr->Row(1)[2 * 3 + 0], 21);
    EXPECT_EQ(bgr->Row(1)[2 * 3 + 1], 121);
    EXPECT_EQ(bgr->Row(1)[2 * 3 + 2], 203);
    EXPECT_EQ(bgr->Row(1)[9], 0);  // padding is zero, not copied from the source

    const auto gray = ImageFromBgra(bgra.data(), 16, 3, 2, PixelType::kGray8);
    ASSERT_TRUE(gray.has_value());
    EXPECT_EQ(gray->stride, 4);
    EXPECT_EQ(gray->Row(1)[1], 111);

    const auto alpha = ImageFromBgra(bgra.data(), 16, 3, 2, PixelType::kBgra32);
    ASSERT_TRUE(alpha.has_value());
    EXPECT_EQ(alpha->Row(0)[2 * 4 + 3], 100);

    // A negative stride walks from the last row upwards.
    const auto flipped = ImageFromBgra(bgra.data() + 16, -16, 3, 2, PixelType::kBgr24);
    ASSERT_TRUE(flipped.has_value());
    EXPECT_EQ(flipped->Row(0)[0], 1);
    EXPECT_EQ(flipped->Row(1)[0], 0);

    EXPECT_FALSE(ImageFromBgra(bgra.data(), 8, 3, 2, PixelType::kBgr24).has_value());
    EXPECT_FALSE(ImageFromBgra(nullptr, 16, 3, 2, PixelType::kBgr24).has_value());
    EXPECT_FALSE(ImageFromBgra(bgra.data(), 16, 0, 2, PixelType::kBgr24).has_value());
}

TEST(NarrowestType, AlphaBeatsColourBeatsGray) {
    // 2 x 2 with a padding pixel per row that must not be looked at.
    Bytes bgra = {9, 9, 9, 255, 200, 200, 200, 255, 1, 2, 3, 0,  //
                  0, 0, 0, 255, 255, 255, 255, 255, 1, 2, 3, 0};
    EXPECT_EQ(NarrowestType(bgra.data(), 12, 2, 2), PixelType::kGray8);
    bgra[13] = 1;  // one pixel not gray
    EXPECT_EQ(NarrowestType(bgra.data(), 12, 2, 2), PixelType::kBgr24);
    bgra[13] = 0;
    bgra[19] = 254;  // the last pixel not quite opaque
    EXPECT_EQ(NarrowestType(bgra.data(), 12, 2, 2), PixelType::kBgra32);
    EXPECT_EQ(NarrowestType(bgra.data(), 12, 2, 1), PixelType::kGray8);
}

TEST(DecodedImage, RefusesSizesBeyondTheLimits) {
    EXPECT_TRUE(DecodedImage::Allocate(PixelType::kGray8, 1, 1).has_value());
    EXPECT_FALSE(DecodedImage::Allocate(PixelType::kGray8, 0, 1).has_value());
    EXPECT_FALSE(DecodedImage::Allocate(PixelType::kGray8, -5, 1).has_value());
    EXPECT_FALSE(DecodedImage::Allocate(PixelType::kGray8, kMaxImageSide + 1, 1).has_value());
    EXPECT_FALSE(DecodedImage::Allocate(PixelType::kBgra32, kMaxImageSide, kMaxImageSide).has_value());
    EXPECT_FALSE(DecodedImage::Allocate(static_cast<PixelType>(7), 1, 1).has_value());
}

TEST(DecodedImage, PixelLimitIsOneNumberAndItsRefusalsAreNoted) {
    TakeLimitBreach();
    // The limit itself passes, one pixel more does not, whatever the shape.
    EXPECT_TRUE(WithinPixelLimit(kMaxPicturePixels, 1));
    EXPECT_TRUE(WithinPixelLimit(50000, 5000));
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kNone);
    EXPECT_FALSE(WithinPixelLimit(kMaxPicturePixels + 1, 1));
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kPixels);
    EXPECT_FALSE(WithinPixelLimit(50000, 5001));
    EXPECT_FALSE(WithinPixelLimit(std::uint64_t{1} << 32, 1));  // sides that would wrap the product
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kPixels);
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kNone) << "taking the note clears it";
    // Streams: the same rule in bytes.
    EXPECT_TRUE(WithinStreamLimit(kMaxStreamBytes));
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kNone);
    EXPECT_FALSE(WithinStreamLimit(kMaxStreamBytes + 1));
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kStreamBytes);
    // The first refusal stands until taken.
    WithinStreamLimit(kMaxStreamBytes + 1);
    WithinPixelLimit(kMaxPicturePixels, 2);
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kStreamBytes);
    // Allocation refuses before taking memory and notes why; a side no file may have is damage,
    // not a picture over the limit.
    EXPECT_FALSE(DecodedImage::Allocate(PixelType::kGray8, 20000, 20000).has_value());
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kPixels);
    EXPECT_FALSE(DecodedImage::Allocate(PixelType::kGray8, kMaxImageSide + 1, 1).has_value());
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kNone);
    EXPECT_EQ(kMaxImageBytes, kMaxPicturePixels * 4);
}

}  // namespace
}  // namespace pictrove::readers
