// The DjVu reader's portable core against DjVuLibre's encoders and ddjvu's renderings: bilevel
// pages exactly, photo and compound pages within 35 dB, documents of every structure, and
// damaged files that fail page by page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "DjvuSamples.h"
#include "djvu/Bzz.h"
#include "djvu/DjvuDocument.h"
#include "djvu/DjvuSource.h"

namespace pictrove {
namespace {

using readers::DecodedImage;
using readers::DjvuSource;
using readers::OpenRequest;
using readers::OpenStatus;
using readers::PixelType;
using namespace test::djvu;

OpenStatus OpenSample(DjvuSource& source, const std::filesystem::path& name) {
    OpenRequest request;
    request.bytes = ReadSample(name);
    request.path = (SampleFolder() / name).u16string();
    return source.Open(std::move(request));
}

OpenStatus OpenBytes(DjvuSource& source, std::vector<std::uint8_t> bytes) {
    OpenRequest request;
    request.bytes = std::move(bytes);
    request.path = u"C:\\nowhere\\file.djvu";
    return source.Open(std::move(request));
}

// Where the data of the n-th chunk with this id starts in a file, and its length.
std::optional<std::pair<std::size_t, std::size_t>> ChunkAt(const std::vector<std::uint8_t>& file,
                                                           const char* id,
                                                           int n) {
    for (std::size_t at = 0; at + 8 <= file.size(); ++at) {
        if (std::memcmp(file.data() + at, id, 4) != 0 || n-- > 0) continue;
        const std::size_t size = std::size_t{file[at + 4]} << 24 | std::size_t{file[at + 5]} << 16 |
                                 std::size_t{file[at + 6]} << 8 | file[at + 7];
        return std::pair{at + 8, std::min(size, file.size() - at - 8)};
    }
    return std::nullopt;
}

std::pair<std::size_t, std::size_t> FindChunk(const std::vector<std::uint8_t>& file, const char* id, int n = 0) {
    const auto found = ChunkAt(file, id, n);
    if (!found) ADD_FAILURE() << "no chunk " << id;
    return found.value_or(std::pair<std::size_t, std::size_t>{0, 0});
}

TEST(DjvuBzz, DecodesWhatTheEncoderWrote) {
    const auto text = ReadSample("bzz.txt");
    const auto packed = ReadSample("bzz.bzz");
    ASSERT_GT(text.size(), 10000u);
    const auto decoded = readers::djvu::DecodeBzz(packed, 1 << 20);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(*decoded == text);
    // An output limit below the text's length refuses it rather than cutting it.
    EXPECT_FALSE(readers::djvu::DecodeBzz(packed, text.size() - 1));
    EXPECT_TRUE(readers::djvu::DecodeBzz(packed, text.size()));
    // Cut data never decodes to the text, and never crashes.
    for (std::size_t keep : {std::size_t{0}, std::size_t{3}, packed.size() / 2, packed.size() - 8}) {
        const auto cut = readers::djvu::DecodeBzz(std::span(packed).first(keep), 1 << 20);
        EXPECT_FALSE(cut && *cut == text) << "kept " << keep;
    }
}

TEST(DjvuPages, BilevelPagesMatchDdjvuExactly) {
    const struct {
        const char* file;
        int page;
    } cases[] = {{"text.djvu", 1},   {"lossy.djvu", 1}, {"shared.djvu", 1},  {"shared.djvu", 2}, {"shared.djvu", 3},
                 {"bundle.djvu", 1}, {"mmr.djvu", 1},   {"striped.djvu", 1}, {"black.djvu", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " page " + std::to_string(c.page));
        DjvuSource source;
        ASSERT_EQ(OpenSample(source, c.file), OpenStatus::kOpened);
        const auto image = source.Decode(c.page - 1);
        ASSERT_TRUE(image);
        const std::string stem = std::filesystem::path(c.file).stem().string();
        const Reference reference = ReadReference(stem + "-djvu-" + std::to_string(c.page) + ".pnm");
        EXPECT_EQ(image->type, PixelType::kGray8) << "a mask alone is a 1-bit picture";
        EXPECT_EQ(BilevelDifferences(*image, reference), 0u);
        // Only black and white: nothing in between.
        bool twoLevels = true;
        for (int y = 0; y < image->height; ++y) {
            for (int x = 0; x < image->width; ++x) twoLevels = twoLevels && (image->Row(y)[x] % 255 == 0);
        }
        EXPECT_TRUE(twoLevels);
    }
}

TEST(DjvuPages, PhotoAndCompoundPagesMatchDdjvu) {
    const struct {
        const char* file;
        int page;
        const char* reference;
        PixelType type;
    } cases[] = {
        {"photo.djvu", 1, "photo-djvu-1.pnm", PixelType::kBgr24},
        {"grey.djvu", 1, "grey-djvu-1.pnm", PixelType::kGray8},
        {"half.djvu", 1, "half-djvu-1.pnm", PixelType::kBgr24},
        {"full.djvu", 1, "full-djvu-1.pnm", PixelType::kBgr24},
        {"nodelay.djvu", 1, "nodelay-djvu-1.pnm", PixelType::kBgr24},
        {"blank.djvu", 1, "blank-djvu-1.pnm", PixelType::kBgr24},
        {"photo.iw4", 1, "photo-iw4-1.pnm", PixelType::kBgr24},
        {"grey.iw4", 1, "grey-iw4-1.pnm", PixelType::kGray8},
        {"palette.djvu", 1, "palette-djvu-1.pnm", PixelType::kBgr24},
        {"compound.djvu", 1, "compound-djvu-1.pnm", PixelType::kBgr24},
        {"bundle.djvu", 2, "bundle-djvu-2.pnm", PixelType::kBgr24},
        {"bundle.djvu", 3, "bundle-djvu-3.pnm", PixelType::kBgr24},
        {"bundle.djvu", 4, "bundle-djvu-4.pnm", PixelType::kGray8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " page " + std::to_string(c.page));
        DjvuSource source;
        ASSERT_EQ(OpenSample(source, c.file), OpenStatus::kOpened);
        const auto image = source.Decode(c.page - 1);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->type, c.type);
        EXPECT_EQ(image->width, source.Images()[c.page - 1].width);
        EXPECT_EQ(image->height, source.Images()[c.page - 1].height);
        EXPECT_GE(Psnr(*image, ReadReference(c.reference)), 35.0);
    }
}

TEST(DjvuPages, InfoOrientationTurnsThePage) {
    DjvuSource upright;
    ASSERT_EQ(OpenSample(upright, "compound.djvu"), OpenStatus::kOpened);
    const auto plain = upright.Decode(0);
    ASSERT_TRUE(plain);
    const struct {
        const char* file;
        const char* reference;
        int width;
        int height;
    } cases[] = {{"rotated5.djvu", "rotated5-djvu-1.pnm", 300, 400},
                 {"rotated2.djvu", "rotated2-djvu-1.pnm", 400, 300},
                 {"rotated6.djvu", "rotated6-djvu-1.pnm", 300, 400}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        DjvuSource source;
        ASSERT_EQ(OpenSample(source, c.file), OpenStatus::kOpened);
        EXPECT_EQ(source.Images()[0].width, c.width) << "listed turned, from INFO alone";
        EXPECT_EQ(source.Images()[0].height, c.height);
        const auto image = source.Decode(0);
        ASSERT_TRUE(image);
        const Reference reference = ReadReference(c.reference);
        EXPECT_GE(Psnr(*image, reference), 35.0);
        // The upright page read in the turned one's place is far from it.
        if (plain->width == image->width) {
            EXPECT_LT(Psnr(*plain, reference), 30.0);
        }
    }
}

TEST(DjvuSource, NamesArePaddedToThePageCount) {
    using readers::DjvuPageName;
    EXPECT_EQ(DjvuPageName(1, 1), u"Page1");
    EXPECT_EQ(DjvuPageName(9, 9), u"Page9");
    EXPECT_EQ(DjvuPageName(1, 10), u"Page01");
    EXPECT_EQ(DjvuPageName(10, 10), u"Page10");
    EXPECT_EQ(DjvuPageName(7, 100), u"Page007");
    EXPECT_EQ(DjvuPageName(100, 100), u"Page100");
    DjvuSource source;
    ASSERT_EQ(OpenSample(source, "bundle.djvu"), OpenStatus::kOpened);
    ASSERT_EQ(source.Images().size(), 4u);
    const int sizes[4][2] = {{320, 200}, {173, 91}, {300, 120}, {173, 91}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(source.Images()[i].name, u"Page" + std::u16string(1, char16_t(u'1' + i)));
        EXPECT_EQ(source.Images()[i].width, sizes[i][0]) << "page " << i;
        EXPECT_EQ(source.Images()[i].height, sizes[i][1]) << "page " << i;
    }
}

TEST(DjvuSource, ThumbnailsAreNotPages) {
    DjvuSource source;
    ASSERT_EQ(OpenSample(source, "thumbs.djvu"), OpenStatus::kOpened);
    ASSERT_EQ(source.Images().size(), 4u);
    const auto last = source.Decode(3);
    ASSERT_TRUE(last);
    EXPECT_GE(Psnr(*last, ReadReference("thumbs-djvu-4.pnm")), 35.0);
}

TEST(DjvuSource, IndirectDocumentsReadTheirPageFiles) {
    DjvuSource whole;
    ASSERT_EQ(OpenSample(whole, std::filesystem::path("indirect") / "index.djvu"), OpenStatus::kOpened);
    EXPECT_EQ(whole.Images().size(), 3u);
    EXPECT_TRUE(whole.MissingFiles().empty());
    for (int page = 0; page < 3; ++page) {
        const auto image = whole.Decode(page);
        ASSERT_TRUE(image) << "page " << page;
        EXPECT_EQ(BilevelDifferences(*image, ReadReference("shared-djvu-" + std::to_string(page + 1) + ".pnm")), 0u)
            << "page " << page;
    }

    // One page file gone: it is reported, the others are still listed and drawn.
    DjvuSource partial;
    ASSERT_EQ(OpenSample(partial, std::filesystem::path("indirect-missing") / "index.djvu"), OpenStatus::kOpened);
    ASSERT_EQ(partial.Images().size(), 2u);
    ASSERT_EQ(partial.MissingFiles().size(), 1u);
    EXPECT_EQ(partial.MissingFiles()[0], u"shared2.djvu");
    EXPECT_EQ(partial.Images()[1].name, u"Page2");
    const auto third = partial.Decode(1);
    ASSERT_TRUE(third);
    EXPECT_EQ(BilevelDifferences(*third, ReadReference("shared-djvu-3.pnm")), 0u);

    // A page file opened on its own finds the dictionary it includes beside it.
    DjvuSource single;
    ASSERT_EQ(OpenSample(single, std::filesystem::path("indirect") / "shared2.djvu"), OpenStatus::kOpened);
    ASSERT_EQ(single.Images().size(), 1u);
    EXPECT_TRUE(single.MissingFiles().empty());
    const auto second = single.Decode(0);
    ASSERT_TRUE(second);
    EXPECT_EQ(BilevelDifferences(*second, ReadReference("shared-djvu-2.pnm")), 0u);

    // Component names are files beside the index, never paths elsewhere.
    std::vector<std::u16string> asked;
    DjvuSource spy(nullptr, [&](const std::u16string& path) -> std::optional<std::vector<std::uint8_t>> {
        asked.push_back(path);
        return std::nullopt;
    });
    OpenRequest request;
    request.bytes = ReadSample(std::filesystem::path("indirect") / "index.djvu");
    request.path = u"/books/index.djvu";
    ASSERT_EQ(spy.Open(std::move(request)), OpenStatus::kOpened);
    EXPECT_TRUE(spy.Images().empty());
    ASSERT_EQ(asked.size(), 4u);
    for (const auto& path : asked) {
        EXPECT_EQ(std::filesystem::path(path).parent_path(), std::filesystem::path(u"/books"));
    }
}

// A page naming a shared component that is no valid UTF-8 (found by fuzzing: the name once
// went through a conversion that throws).
TEST(DjvuSource, ComponentNamesThatAreNotUtf8) {
    std::vector<std::uint8_t> page = {'F', 'O', 'R', 'M', 0,   0,   0,   38,  'D', 'J', 'V', 'U', 'I',
                                      'N', 'F', 'O', 0,   0,   0,   10,  0,   20,  0,   10,  24,  0,
                                      44,  1,   22,  1,   'I', 'N', 'C', 'L', 0,   0,   0,   6};
    for (int c : {0xc8, 0x19, 0xff, int('.'), int('i'), int('f')}) page.push_back(static_cast<std::uint8_t>(c));
    std::vector<std::u16string> asked;
    DjvuSource source(nullptr, [&](const std::u16string& path) -> std::optional<std::vector<std::uint8_t>> {
        asked.push_back(path);
        return std::nullopt;
    });
    OpenRequest request;
    request.bytes = page;
    request.path = u"C:\\books\\page.djvu";
    ASSERT_EQ(source.Open(std::move(request)), OpenStatus::kOpened);
    ASSERT_EQ(source.Images().size(), 1u);
    EXPECT_EQ(source.Images()[0].width, 20);
    ASSERT_EQ(asked.size(), 1u) << "a control character is still a plain file name";
    EXPECT_EQ(asked[0].rfind(u"C:\\books\\", 0), 0u);
    ASSERT_EQ(source.MissingFiles().size(), 1u);
    EXPECT_EQ(source.MissingFiles()[0].size(), 6u) << "one character per byte that is not UTF-8";
    const auto image = source.Decode(0);
    ASSERT_TRUE(image) << "a page of INFO alone is a blank page";
    EXPECT_EQ(image->Row(9)[19], 255);
}

TEST(DjvuSource, OpeningListsPagesWithoutDecodingThem) {
    // Every picture chunk's data overwritten: the pages are still listed from INFO alone.
    auto file = ReadSample("bundle.djvu");
    int overwritten = 0;
    for (const char* id : {"Sjbz", "BG44", "FGbz"}) {
        for (int n = 0; const auto chunk = ChunkAt(file, id, n); ++n, ++overwritten) {
            std::fill_n(file.begin() + chunk->first, chunk->second, std::uint8_t{0x5a});
        }
    }
    EXPECT_GE(overwritten, 8);
    DjvuSource source;
    ASSERT_EQ(OpenBytes(source, file), OpenStatus::kOpened);
    ASSERT_EQ(source.Images().size(), 4u);
    EXPECT_EQ(source.Images()[2].width, 300);
    EXPECT_EQ(source.Images()[2].height, 120);
}

TEST(DjvuSource, ADamagedPageFailsAlone) {
    auto file = ReadSample("bundle.djvu");
    const auto [start, size] = FindChunk(file, "Sjbz");
    std::fill_n(file.begin() + start + 4, size - 4, std::uint8_t{0xff});
    DjvuSource source;
    ASSERT_EQ(OpenBytes(source, file), OpenStatus::kOpened);
    ASSERT_EQ(source.Images().size(), 4u);
    const auto broken = source.Decode(0);
    EXPECT_FALSE(broken && BilevelDifferences(*broken, ReadReference("bundle-djvu-1.pnm")) == 0);
    for (int page = 2; page <= 4; ++page) {
        const auto image = source.Decode(page - 1);
        ASSERT_TRUE(image) << "page " << page;
        EXPECT_GE(Psnr(*image, ReadReference("bundle-djvu-" + std::to_string(page) + ".pnm")), 35.0) << page;
    }
}

TEST(DjvuSource, APhotoKeepsTheSlicesBeforeDamage) {
    // The last of three BG44 chunks cut inside its header: the first two still give a
    // coarser picture.
    auto file = ReadSample("photo.djvu");
    const auto [start, size] = FindChunk(file, "BG44", 2);
    file.resize(start + 1);
    DjvuSource source;
    ASSERT_EQ(OpenBytes(source, file), OpenStatus::kOpened);
    const auto image = source.Decode(0);
    ASSERT_TRUE(image);
    const double psnr = Psnr(*image, ReadReference("photo-djvu-1.pnm"));
    EXPECT_GE(psnr, 20.0);
    EXPECT_LT(psnr, 35.0) << "the missing slices refine the picture";
}

TEST(DjvuSource, RefusesWhatIsNotDjvu) {
    const std::vector<std::vector<std::uint8_t>> files = {
        {},
        {'A', 'T', '&', 'T'},
        {'A', 'T', '&', 'T', 'F', 'O', 'R', 'M', 0, 0, 0, 4, 'A', 'I', 'F', 'F'},
        {'F', 'O', 'R', 'M', 0, 0, 0, 2, 'D', 'J'},
        std::vector<std::uint8_t>(1000, 0x41),
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        DjvuSource source;
        EXPECT_EQ(OpenBytes(source, files[i]), OpenStatus::kNotReadable) << "file " << i;
        EXPECT_TRUE(source.Images().empty());
    }
    // Without the optional "AT&T" in front, a page is still a page.
    auto text = ReadSample("text.djvu");
    ASSERT_EQ(std::memcmp(text.data(), "AT&T", 4), 0);
    text.erase(text.begin(), text.begin() + 4);
    DjvuSource source;
    ASSERT_EQ(OpenBytes(source, text), OpenStatus::kOpened);
    const auto image = source.Decode(0);
    ASSERT_TRUE(image);
    EXPECT_EQ(BilevelDifferences(*image, ReadReference("text-djvu-1.pnm")), 0u);
}

TEST(DjvuSource, TruncatedFilesFailWithoutCrashing) {
    const auto whole = ReadSample("bundle.djvu");
    for (std::size_t keep = 0; keep < whole.size(); keep += 97) {
        DjvuSource source;
        if (OpenBytes(source, std::vector<std::uint8_t>(whole.begin(), whole.begin() + keep)) != OpenStatus::kOpened) {
            continue;
        }
        EXPECT_LE(source.Images().size(), 4u) << "kept " << keep;
        for (std::size_t page = 0; page < source.Images().size(); ++page) source.Decode(page);
    }
}

}  // namespace
}  // namespace pictrove
