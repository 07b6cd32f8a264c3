// The transparent index written into GIF bytes: inserted or set graphic control extensions,
// every image of a file, and files that are left alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/writers/GifTransparency.h"

namespace pictrove {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kScreen = {1, 0, 1, 0, 0x80, 0, 0};               // 1x1, global table of 2 colours
const Bytes kColours = {0, 0, 0, 255, 255, 255};              // black, white
const Bytes kImage = {0x2C, 0, 0,    0,    0, 1, 0, 1, 0, 0,  // descriptor, no local table
                      2,    2, 0x44, 0x01, 0};                // LZW size, one sub-block, end
const Bytes kControl = {0x21, 0xF9, 4, 0x08, 5, 0, 0, 0};     // disposal 2, delay 5, no transparency
const Bytes kApplication = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};

Bytes Gif(const char* version, std::initializer_list<Bytes> blocks) {
    Bytes gif(version, version + 6);
    for (const Bytes* part : {&kScreen, &kColours}) gif.insert(gif.end(), part->begin(), part->end());
    for (const Bytes& block : blocks) gif.insert(gif.end(), block.begin(), block.end());
    gif.push_back(0x3B);
    return gif;
}

TEST(SetGifTransparentIndex, InsertsAControlBlockBeforeAnImageWithoutOne) {
    Bytes gif = Gif("GIF87a", {kApplication, kImage});
    EXPECT_EQ(GifTransparentIndex(gif), -1);
    ASSERT_TRUE(SetGifTransparentIndex(gif, 1));
    EXPECT_EQ(gif, Gif("GIF89a", {kApplication, {0x21, 0xF9, 4, 0x01, 0, 0, 1, 0}, kImage}))
        << "version 89a, which extensions need";
    EXPECT_EQ(GifTransparentIndex(gif), 1);
}

TEST(SetGifTransparentIndex, SetsTheFlagAndIndexOfAnExistingBlockAndKeepsTheRest) {
    Bytes gif = Gif("GIF89a", {kControl, kImage});
    ASSERT_TRUE(SetGifTransparentIndex(gif, 0));
    EXPECT_EQ(gif, Gif("GIF89a", {{0x21, 0xF9, 4, 0x09, 5, 0, 0, 0}, kImage}));
    EXPECT_EQ(GifTransparentIndex(gif), 0);
    ASSERT_TRUE(SetGifTransparentIndex(gif, 1)) << "a second time changes only the index";
    EXPECT_EQ(gif, Gif("GIF89a", {{0x21, 0xF9, 4, 0x09, 5, 0, 1, 0}, kImage}));
}

TEST(SetGifTransparentIndex, CoversEveryImageOfTheFile) {
    Bytes gif = Gif("GIF89a", {kImage, kControl, kImage});
    ASSERT_TRUE(SetGifTransparentIndex(gif, 1));
    EXPECT_EQ(gif,
              Gif("GIF89a", {{0x21, 0xF9, 4, 0x01, 0, 0, 1, 0}, kImage, {0x21, 0xF9, 4, 0x09, 5, 0, 1, 0}, kImage}));
}

TEST(SetGifTransparentIndex, LeavesWhatIsNoWellFormedGifAlone) {
    const Bytes good = Gif("GIF89a", {kImage});
    Bytes truncated(good.begin(), good.end() - 3);
    Bytes noImage = Gif("GIF89a", {});
    Bytes png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 0, 0, 0};
    Bytes badControl = Gif("GIF89a", {{0x21, 0xF9, 3, 0, 0, 0, 0}, kImage});
    Bytes unknownBlock = Gif("GIF89a", {{0x55}, kImage});
    for (Bytes* bytes : {&truncated, &noImage, &png, &badControl, &unknownBlock}) {
        const Bytes before = *bytes;
        EXPECT_FALSE(SetGifTransparentIndex(*bytes, 1));
        EXPECT_EQ(*bytes, before);
        EXPECT_EQ(GifTransparentIndex(*bytes), -1);
    }
    Bytes gif = good;
    EXPECT_FALSE(SetGifTransparentIndex(gif, 256));
    EXPECT_FALSE(SetGifTransparentIndex(gif, -1));
    EXPECT_EQ(gif, good);
}

}  // namespace
}  // namespace pictrove
