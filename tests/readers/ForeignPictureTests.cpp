// Pictures of kinds no decoder here reads, written by their own encoders: recognised with the
// size their header gives, listed by the comics that hold them, and refused one by one when
// decoded while the other pages still decode.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "comic/ComicSource.h"
#include "pictures/ForeignPicture.h"
#include "pictures/PortablePayloadDecoder.h"
#include "pictures/StoredImage.h"

#ifdef _WIN32
#include "tests/support/TestSupport.h"
#endif

namespace pictrove::readers {
namespace {

std::filesystem::path ForeignFolder() {
#ifdef _WIN32
    return std::filesystem::path(test::ProgramFolder()) / L"readers-data" / L"foreign";
#else
    return std::filesystem::path(PICTROVE_READER_DATA) / "foreign";
#endif
}

std::vector<std::uint8_t> ReadForeign(const std::string& name) {
    std::ifstream stream(ForeignFolder() / name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), {});
}

struct KindCase {
    const char* file;
    ForeignKind kind;
    int width;
    int height;
    StoredFormat stored;
};

// Sizes as make-foreign-samples.sh drew them; the stored format only where the signature says it.
constexpr KindCase kKinds[] = {
    {"lossy.webp", ForeignKind::kWebp, 24, 16, StoredFormat::kWebp},
    {"lossless.webp", ForeignKind::kWebp, 20, 10, StoredFormat::kWebp},
    {"alpha.webp", ForeignKind::kWebp, 18, 12, StoredFormat::kWebp},
    {"anim.webp", ForeignKind::kWebp, 14, 9, StoredFormat::kWebp},
    {"photo.avif", ForeignKind::kAvif, 30, 18, StoredFormat::kAvif},
    {"photo.jxl", ForeignKind::kJpegXl, 40, 25, StoredFormat::kNone},
    {"small.jxl", ForeignKind::kJpegXl, 64, 48, StoredFormat::kNone},
    {"boxed.jxl", ForeignKind::kJpegXl, 33, 21, StoredFormat::kNone},
    {"fake.webp", ForeignKind::kWebp, 0, 0, StoredFormat::kNone},
};

TEST(ForeignPictureTest, EncodersFilesAreKnownWithTheirSize) {
    for (const KindCase& c : kKinds) {
        const auto file = ReadForeign(c.file);
        ASSERT_FALSE(file.empty()) << c.file;
        const auto foreign = RecognizeForeignPicture(file, c.file);
        ASSERT_TRUE(foreign) << c.file;
        EXPECT_EQ(foreign->kind, c.kind) << c.file;
        EXPECT_EQ(foreign->width, c.width) << c.file;
        EXPECT_EQ(foreign->height, c.height) << c.file;
        const StoredInfo stored = ForeignStoredInfo(*foreign);
        EXPECT_EQ(stored.format, c.stored) << c.file;
        EXPECT_TRUE(stored.undecodable) << c.file;
    }
}

TEST(ForeignPictureTest, CutHeadersKeepTheKindWithoutASize) {
    // Each cut one byte short of the size fields, after a signature that still says the kind.
    const std::pair<const char*, std::size_t> cuts[] = {
        {"lossy.webp", 29}, {"lossless.webp", 24}, {"alpha.webp", 29}, {"photo.avif", 40}, {"photo.jxl", 3},
    };
    for (const auto& [name, size] : cuts) {
        auto file = ReadForeign(name);
        const auto whole = RecognizeForeignPicture(file, {});
        ASSERT_TRUE(whole && whole->width > 0) << name;
        file.resize(size);
        const auto foreign = RecognizeForeignPicture(file, {});
        ASSERT_TRUE(foreign) << name;
        EXPECT_EQ(foreign->kind, whole->kind) << name;
        EXPECT_EQ(foreign->width, 0) << name;
        EXPECT_EQ(foreign->height, 0) << name;
    }
}

TEST(ForeignPictureTest, NamesAndMediaTypesCountOnlyWhenTheSignatureIsSilent) {
    const auto png = ReadForeign("page.png");
    const auto fake = ReadForeign("fake.webp");
    const std::string svg = "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>";
    const std::vector<std::uint8_t> svgBytes(svg.begin(), svg.end());
    const std::string page = "<?xml version=\"1.0\"?>\n<!-- cover --><html><body><svg/></body></html>";
    const std::vector<std::uint8_t> pageBytes(page.begin(), page.end());
    struct Case {
        const std::vector<std::uint8_t>* file;
        const char* name;
        const char* mediaType;
        bool known;
        ForeignKind kind;
    } cases[] = {
        {&png, "page.webp", "", false, ForeignKind::kWebp},  // decodable whatever its name
        {&fake, "fake.bin", "", false, ForeignKind::kWebp},
        {&fake, "fake.bin", "image/avif", true, ForeignKind::kAvif},
        {&fake, "PAGE.HEIC", "", true, ForeignKind::kHeic},
        {&fake, "page.svgz", "", true, ForeignKind::kSvg},
        {&svgBytes, "drawing", "", true, ForeignKind::kSvg},
        {&pageBytes, "page.xhtml", "", false, ForeignKind::kSvg},  // a drawing inside a page
    };
    for (const Case& c : cases) {
        const auto foreign = RecognizeForeignPicture(*c.file, c.name, c.mediaType);
        EXPECT_EQ(foreign.has_value(), c.known) << c.name << " " << c.mediaType;
        if (foreign && c.known) {
            EXPECT_EQ(foreign->kind, c.kind) << c.name;
        }
    }
}

// Every page of a comic is listed in page order, whether zip or 7z holds it; only the PNG
// decodes, each other page fails alone, and WebP and AVIF pages hand out their bytes as stored.
TEST(ForeignPictureTest, ComicsListPagesTheyCannotDecode) {
    const std::u16string names[] = {u"02-lossy", u"03-lossless", u"04-alpha", u"05-anim", u"06-photo",
                                    u"07-photo", u"08-small",    u"09-boxed", u"10-fake"};
    for (const char* comic : {"kinds.cbz", "kinds.cb7"}) {
        ComicSource source(std::make_shared<PortablePayloadDecoder>(nullptr));
        ASSERT_EQ(source.Open({ReadForeign(comic), u"kinds.cbz", u""}), OpenStatus::kOpened) << comic;
        ASSERT_EQ(source.Images().size(), 10u) << comic;
        const auto page = source.Decode(0);
        ASSERT_TRUE(page) << comic;
        EXPECT_EQ(page->width, 8);
        EXPECT_FALSE(source.Stored(0).undecodable);
        for (std::size_t i = 1; i < 10; ++i) {
            const KindCase& c = kKinds[i - 1];
            const auto& image = source.Images()[i];
            EXPECT_EQ(image.name, names[i - 1]) << comic << " " << c.file;
            EXPECT_EQ(image.width, c.width) << comic << " " << c.file;
            EXPECT_EQ(image.height, c.height) << comic << " " << c.file;
            EXPECT_FALSE(source.Decode(i)) << comic << " " << c.file;
            EXPECT_TRUE(source.Stored(i).undecodable) << comic << " " << c.file;
            EXPECT_EQ(source.Stored(i).format, c.stored) << comic << " " << c.file;
            const auto stored = source.StoredBytes(i);
            EXPECT_EQ(stored.has_value(), c.stored != StoredFormat::kNone) << comic << " " << c.file;
            if (stored) {
                EXPECT_EQ(*stored, ReadForeign(c.file)) << comic << " " << c.file;
            }
        }
    }
}

}  // namespace
}  // namespace pictrove::readers
