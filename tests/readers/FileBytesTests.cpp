// The document bytes the sources are opened on: a view that shares its bytes, and sources that
// keep the view they were given (sharing the file's bytes) rather than a copy of them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "model/FileBytes.h"
#include "pcx/PcxSource.h"
#include "psd/PsdSource.h"
#include "TestDocuments.h"
#include "TestImageFiles.h"
#include "tiff/TiffSource.h"

namespace pictrove::readers {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FileBytes, MovedVectorIsTakenOverAndCopiesShareTheBytes) {
    Bytes original = {1, 2, 3, 4, 5};
    const std::uint8_t* storage = original.data();
    FileBytes bytes(std::move(original));
    EXPECT_EQ(bytes.data(), storage);  // not copied on the way in
    ASSERT_EQ(bytes.size(), 5u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[4], 5);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), (Bytes{1, 2, 3, 4, 5}));

    const FileBytes copy = bytes;
    EXPECT_EQ(copy.data(), storage);
    EXPECT_EQ(copy.size(), 5u);
    const std::span<const std::uint8_t> span = copy;
    EXPECT_EQ(span.data(), storage);
    EXPECT_EQ(span.size(), 5u);

    // The shared bytes outlive the view they came from.
    bytes.clear();
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(copy[2], 3);
}

TEST(FileBytes, EmptyListedAndCopiedBytes) {
    const FileBytes none;
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.size(), 0u);
    EXPECT_EQ(none.begin(), none.end());
    EXPECT_TRUE(FileBytes(Bytes{}).empty());

    const FileBytes listed = {'%', 'P'};
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1], 'P');

    const std::uint8_t source[] = {9, 8, 7};
    FileBytes copied;
    copied.assign(source, source + 3);
    EXPECT_NE(copied.data(), source);
    EXPECT_EQ(Bytes(copied.begin(), copied.end()), (Bytes{9, 8, 7}));
    copied.assign(source, source);
    EXPECT_TRUE(copied.empty());
}

// Bytes whose owner says when it goes, as a file's mapping is unmapped.
class WatchedBytes final : public ByteOwner {
  public:
    WatchedBytes(std::vector<std::uint8_t> bytes, bool& gone) : bytes_(std::move(bytes)), gone_(gone) {}
    ~WatchedBytes() override { gone_ = true; }
    std::span<const std::uint8_t> Bytes() const override { return bytes_; }

  private:
    const std::vector<std::uint8_t> bytes_;
    bool& gone_;
};

// An uncompressed grey TIFF of one strip; pixel (x, y) is x + 16 * y.
Bytes GreyTiff(int width, int height) {
    Bytes file = {'I', 'I', 42, 0, 8, 0, 0, 0};
    struct Field {
        std::uint16_t tag;
        std::uint16_t type;
        std::uint32_t value;
    };
    const std::uint32_t pixelsAt = 8 + 2 + 8 * 12 + 4;
    const Field fields[] = {{256, 4, std::uint32_t(width)},
                            {257, 4, std::uint32_t(height)},
                            {258, 3, 8},
                            {259, 3, 1},
                            {262, 3, 1},
                            {273, 4, pixelsAt},
                            {278, 4, std::uint32_t(height)},
                            {279, 4, std::uint32_t(width * height)}};
    auto put = [&file](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    put(8, 2);
    for (const Field& field : fields) {
        put(field.tag, 2);
        put(field.type, 2);
        put(1, 4);
        put(field.value, 4);
    }
    put(0, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) file.push_back(static_cast<std::uint8_t>(x + 16 * y));
    }
    return file;
}

TEST(FileBytes, SourcesKeepTheGivenBytesUntilClosed) {
    test::PcxPicture pcx{2, 2, 8, 3, 2, {10, 20, 30, 40, 50, 60, 11, 21, 31, 41, 51, 61}, {}, {}, true};
    test::PsdPicture psd{3, 2, 8, 1, {Bytes{1, 2, 3, 4, 5, 6}}, false};
    const struct {
        const char* name;
        std::function<std::unique_ptr<DocumentSource>()> make;
        Bytes file;
        int width;
        int height;
    } cases[] = {
        {"tiff", [] { return std::make_unique<TiffSource>(nullptr); }, GreyTiff(3, 2), 3, 2},
        {"pcx", [] { return std::make_unique<PcxSource>(); }, test::MakePcx(pcx), 2, 2},
        {"psd", [] { return std::make_unique<PsdSource>(); }, test::MakePsd(psd), 3, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool gone = false;
        auto source = c.make();
        {
            OpenRequest request;
            request.bytes = FileBytes(std::make_shared<const WatchedBytes>(c.file, gone));
            request.path = u"C:\\docs\\picture";
            ASSERT_EQ(source->Open(std::move(request)), OpenStatus::kOpened);
        }
        // The caller's view is gone: only the source holds the bytes now.
        EXPECT_FALSE(gone);
        const auto image = source->Decode(0);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        source.reset();
        EXPECT_TRUE(gone);
    }
}

TEST(FileBytes, ReopeningGivesUpTheFormerBytes) {
    bool firstGone = false;
    bool secondGone = false;
    TiffSource source(nullptr);
    ASSERT_EQ(source.Open({FileBytes(std::make_shared<const WatchedBytes>(GreyTiff(4, 4), firstGone)), u"a.tif", u""}),
              OpenStatus::kOpened);
    EXPECT_FALSE(firstGone);
    ASSERT_EQ(source.Open({FileBytes(std::make_shared<const WatchedBytes>(GreyTiff(2, 2), secondGone)), u"b.tif", u""}),
              OpenStatus::kOpened);
    EXPECT_TRUE(firstGone);
    EXPECT_FALSE(secondGone);
    const auto image = source.Decode(0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->bytes[image->stride + 1], 1 + 16);  // pixel (1, 1) read through the shared bytes
}

}  // namespace
}  // namespace pictrove::readers
