// The PNG, GIF, BMP, icon and WebP codecs against independent decodings of the same files,
// written by real tools (data/pictures/make-picture-samples.sh, make-webp-samples.sh), and their
// refusals at the limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "model/ByteReader.h"
#include "pictures/PortablePayloadDecoder.h"
#include "codecs/Bmp.h"
#include "codecs/Gif.h"
#include "codecs/Png.h"
#include "codecs/Webp.h"
#include "pictures/ImageHeader.h"
#include "pictures/StoredImage.h"
#include "tests/readers/AllocationProbe.h"

#ifdef _WIN32
#include "components/readers/com/ImageFileSource.h"
#include "tests/support/TestSupport.h"
#endif

namespace pictrove::readers::codecs {
namespace {

std::filesystem::path SampleFolder() {
#ifdef _WIN32
    return std::filesystem::path(test::ProgramFolder()) / L"readers-data" / L"pictures";
#else
    return PICTROVE_PICTURE_SAMPLES;
#endif
}

std::vector<std::uint8_t> ReadSample(const std::string& name) {
    std::ifstream stream(SampleFolder() / name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), {});
}

// A PAM file as ImageMagick writes it (gray or RGB, with or without alpha) as RGBA.
struct Rgba {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

Rgba ReadPam(const std::vector<std::uint8_t>& file) {
    Rgba out;
    const std::string text(file.begin(), file.end());
    const std::size_t end = text.find("ENDHDR\n");
    std::istringstream header(text.substr(0, end));
    std::string key;
    header >> key;  // P7
    int depth = 0;
    for (std::string value; header >> key;) {
        header >> value;
        if (key == "WIDTH") out.width = std::stoi(value);
        if (key == "HEIGHT") out.height = std::stoi(value);
        if (key == "DEPTH") depth = std::stoi(value);
    }
    const std::uint8_t* data = file.data() + end + 7;
    for (int i = 0; i < out.width * out.height; ++i, data += depth) {
        const bool gray = depth <= 2;
        out.pixels.insert(out.pixels.end(), {data[0], data[gray ? 0 : 1], data[gray ? 0 : 2],
                                             std::uint8_t(depth == 2 || depth == 4 ? data[depth - 1] : 255)});
    }
    return out;
}

Rgba ToRgba(const DecodedImage& image) {
    Rgba out{image.width, image.height, {}};
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* p = image.Row(y);
        for (int x = 0; x < image.width; ++x) {
            switch (image.type) {
                case PixelType::kGray8:
                    out.pixels.insert(out.pixels.end(), {p[x], p[x], p[x], 255});
                    break;
                case PixelType::kBgr24:
                    out.pixels.insert(out.pixels.end(), {p[3 * x + 2], p[3 * x + 1], p[3 * x], 255});
                    break;
                default:
                    out.pixels.insert(out.pixels.end(), {p[4 * x + 2], p[4 * x + 1], p[4 * x], p[4 * x + 3]});
            }
        }
    }
    return out;
}

// The lines of the sample lists: file, frame, reference, and the levels a sample may differ by.
std::vector<std::string> SampleLines() {
    std::vector<std::string> lines;
    for (const char* name : {"samples.txt", "webp-samples.txt"}) {
        std::ifstream list(SampleFolder() / name);
        for (std::string line; std::getline(list, line);) {
            if (!line.empty() && line[0] != '#') lines.push_back(line);
        }
    }
    return lines;
}

TEST(PictureCodecSamples, EveryPictureMatchesImageMagick) {
    int count = 0;
    for (const std::string& line : SampleLines()) {
        std::istringstream fields(line);
        std::string file, reference;
        unsigned frame = 0;
        int tolerance = 0;
        fields >> file >> frame >> reference >> tolerance;
        SCOPED_TRACE(file + " frame " + std::to_string(frame));
        ++count;
        const auto result = DecodePortable(ReadSample(file), frame);
        ASSERT_EQ(result.end, PictureEnd::kComplete);
        ASSERT_TRUE(result.image);
        const Rgba expected = ReadPam(ReadSample(reference));
        const Rgba actual = ToRgba(*result.image);
        ASSERT_EQ(actual.width, expected.width);
        ASSERT_EQ(actual.height, expected.height);
        int worst = 0;
        std::size_t where = 0;
        for (std::size_t i = 0; i < expected.pixels.size(); i += 4) {
            // The colour of a fully transparent pixel is not part of the picture.
            const int channels = expected.pixels[i + 3] == 0 ? 1 : 4;
            for (int c = 0; c < channels; ++c) {
                const std::size_t at = i + (channels == 1 ? 3 : c);
                const int difference = std::abs(int(actual.pixels[at]) - int(expected.pixels[at]));
                if (difference > worst) {
                    worst = difference;
                    where = i / 4;
                }
            }
        }
        EXPECT_LE(worst, tolerance) << "at x " << where % std::size_t(expected.width) << " y "
                                    << where / std::size_t(expected.width);
    }
    EXPECT_GE(count, 53);
}

TEST(PictureCodecSamples, FramesAndEntriesAreCountedWithoutDecoding) {
    PortablePayloadDecoder decoder;
    EXPECT_EQ(decoder.FrameCount(ReadSample("gif-animated.gif")), 4u);
    EXPECT_EQ(decoder.FrameCount(ReadSample("gif-static.gif")), 1u);
    EXPECT_EQ(decoder.FrameCount(ReadSample("ico-bitmaps.ico")), 4u);
    EXPECT_EQ(decoder.FrameCount(ReadSample("png-rgb8.png")), 1u);
    EXPECT_FALSE(decoder.DecodeFrame(ReadSample("gif-animated.gif"), 4));
    EXPECT_FALSE(decoder.DecodeFrame(ReadSample("ico-bitmaps.ico"), 4));
    EXPECT_EQ(decoder.FrameCount(ReadSample("webp-animated.webp")), 4u);
    EXPECT_EQ(decoder.FrameCount(ReadSample("webp-lossy-alpha.webp")), 1u);
    EXPECT_FALSE(decoder.DecodeFrame(ReadSample("webp-animated.webp"), 4));
    EXPECT_FALSE(decoder.DecodeFrame(ReadSample("webp-lossless.webp"), 1));
}

// WebP pictures are listed from their headers (an animation at its canvas's size), kept as
// stored, and come out in the narrowest type their pixels need.
TEST(PictureCodecSamples, WebpHeadersAndPixelTypes) {
    const struct {
        const char* file;
        PixelType type;
    } cases[] = {
        {"webp-lossy.webp", PixelType::kBgr24},           {"webp-lossy-alpha.webp", PixelType::kBgra32},
        {"webp-lossless.webp", PixelType::kBgr24},        {"webp-lossless-gray.webp", PixelType::kGray8},
        {"webp-lossless-alpha.webp", PixelType::kBgra32}, {"webp-animated.webp", PixelType::kBgra32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto file = ReadSample(c.file);
        const auto info = ReadImageHeader(file);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->format, ImageFormat::kWebp);
        EXPECT_EQ(info->width, 37);
        EXPECT_EQ(info->height, 23);
        const StoredInfo stored = StoredInfoOfFile(file);
        EXPECT_EQ(stored.format, StoredFormat::kWebp);
        EXPECT_FALSE(stored.undecodable);
        const auto result = DecodeWebp(file);
        ASSERT_TRUE(result.image);
        EXPECT_EQ(result.image->type, c.type);
    }
}

#ifdef _WIN32
// The image file reader lists every frame and icon entry the samples hold and hands out the
// codecs' pixels for each, on Windows as natively (Wine's GDI+ refused the 1-5-5-5 bitmap).
TEST(PictureCodecSamples, ImageFilesOpenWithTheCodecs) {
    std::map<std::string, unsigned> frames;
    for (const std::string& line : SampleLines()) {
        std::istringstream fields(line);
        std::string file;
        unsigned frame = 0;
        fields >> file >> frame;
        frames[file] = std::max(frames[file], frame + 1);
    }
    ASSERT_GE(frames.size(), 37u);
    for (const auto& [file, count] : frames) {
        SCOPED_TRACE(file);
        const auto bytes = ReadSample(file);
        ImageFileSource source;
        OpenRequest request;
        request.bytes.assign(bytes.data(), bytes.data() + bytes.size());
        request.path = u"C:\\samples\\picture";
        ASSERT_EQ(source.Open(std::move(request)), OpenStatus::kOpened);
        ASSERT_EQ(source.Images().size(), std::size_t(count));
        for (unsigned i = 0; i < count; ++i) {
            const auto image = source.Decode(i);
            const auto expected = DecodePortable(bytes, i).image;
            ASSERT_TRUE(image && expected) << "frame " << i;
            EXPECT_EQ(image->bytes, expected->bytes) << "frame " << i;
        }
    }
}
#endif

void PutU32LE(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) file[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

// An extended header's canvas: 24-bit width and height less one at 24 and 27.
void SetWebpCanvas(std::vector<std::uint8_t>& file, std::uint32_t width, std::uint32_t height) {
    for (int i = 0; i < 3; ++i) {
        file[24 + std::size_t(i)] = std::uint8_t((width - 1) >> (8 * i));
        file[27 + std::size_t(i)] = std::uint8_t((height - 1) >> (8 * i));
    }
}

// A lossless header's 14-bit width and height less one, after its signature byte: at 21.
void SetWebpLosslessSize(std::vector<std::uint8_t>& file, std::uint32_t width, std::uint32_t height) {
    const std::uint32_t bits = LoadU32LE(file.data() + 21);
    PutU32LE(file, 21, (bits & 0xF0000000u) | (width - 1) | (height - 1) << 14);
}

// A lossy key frame's 14-bit width and height after its start code, at 26 and 28.
void SetWebpLossySize(std::vector<std::uint8_t>& file, std::uint16_t width, std::uint16_t height) {
    file[26] = std::uint8_t(width);
    file[27] = std::uint8_t(width >> 8);
    file[28] = std::uint8_t(height);
    file[29] = std::uint8_t(height >> 8);
}

// Damaged and outsized files made from the samples: each ends as the codec promises, and a
// size the data cannot hold is refused before the picture's memory is taken.
TEST(PictureCodecLimits, DeclaredSizesAndDamage) {
    struct Case {
        const char* name;
        std::string sample;
        void (*change)(std::vector<std::uint8_t>&);
        PictureEnd end;
    };
    const Case cases[] = {
        {"png cut inside its pixel data keeps the rows it had", "png-rgb8.png",
         [](std::vector<std::uint8_t>& f) { f.resize(f.size() * 2 / 3); }, PictureEnd::kTruncated},
        {"png cut inside its header", "png-rgb8.png", [](std::vector<std::uint8_t>& f) { f.resize(30); },
         PictureEnd::kDamaged},
        {"png of 10000 x 10000 (within the pixel limit) in 2 KB", "png-rgb8.png",
         [](std::vector<std::uint8_t>& f) {
             // Width and height big-endian at 16 and 20, and the header chunk's CRC after them.
             f[16] = f[20] = 0;
             f[17] = f[21] = 0;
             f[18] = f[22] = 0x27;
             f[19] = f[23] = 0x10;
             const auto crc = std::uint32_t(crc32(0, f.data() + 12, 17));
             for (int i = 0; i < 4; ++i) f[29 + std::size_t(i)] = std::uint8_t(crc >> (24 - 8 * i));
         },
         PictureEnd::kOverLimit},
        {"gif screen of 65535 x 65535", "gif-static.gif",
         [](std::vector<std::uint8_t>& f) { f[6] = f[7] = f[8] = f[9] = 0xFF; }, PictureEnd::kOverLimit},
        {"gif screen of 10000 x 10000 (within the pixel limit) in 2 KB", "gif-static.gif",
         [](std::vector<std::uint8_t>& f) {
             f[6] = f[8] = 0x10;
             f[7] = f[9] = 0x27;
         },
         PictureEnd::kOverLimit},
        {"gif cut inside its frame keeps the rows it had", "gif-static.gif",
         [](std::vector<std::uint8_t>& f) { f.resize(f.size() - 400); }, PictureEnd::kTruncated},
        {"gif cut before its frame", "gif-static.gif", [](std::vector<std::uint8_t>& f) { f.resize(20); },
         PictureEnd::kDamaged},
        {"bmp rows the file cannot hold", "bmp3-24.bmp", [](std::vector<std::uint8_t>& f) { f.resize(f.size() - 200); },
         PictureEnd::kOverLimit},
        {"bmp without the last row's padding", "bmp3-24.bmp",
         [](std::vector<std::uint8_t>& f) { f.resize(f.size() - 1); }, PictureEnd::kComplete},
        {"bmp of 10000 x 10000 (within the pixel limit) in 2 KB", "bmp3-24.bmp",
         [](std::vector<std::uint8_t>& f) {
             PutU32LE(f, 18, 10000);
             PutU32LE(f, 22, 10000);
         },
         PictureEnd::kOverLimit},
        {"bmp rle8 of 10000 x 10000 in 2 KB", "bmp3-rle8.bmp",
         [](std::vector<std::uint8_t>& f) {
             PutU32LE(f, 18, 10000);
             PutU32LE(f, 22, 10000);
         },
         PictureEnd::kOverLimit},
        {"bmp rle8 cut short keeps the rows it drew", "bmp3-rle8.bmp",
         [](std::vector<std::uint8_t>& f) { f.resize(f.size() / 2); }, PictureEnd::kTruncated},
        {"bmp bit fields without a red mask", "bmp5-565.bmp", [](std::vector<std::uint8_t>& f) { PutU32LE(f, 54, 0); },
         PictureEnd::kComplete},
        {"bmp rle4 ending in an odd absolute run without its pad byte", "bmp3-rle4.bmp",
         [](std::vector<std::uint8_t>& f) {
             // The second row's run of five (three bytes and a pad) is where the data ends.
             f.resize(LoadU32LE(f.data() + 10) + 6 + 5);
         },
         PictureEnd::kTruncated},
        {"bmp of 3 bits a pixel", "bmp3-24.bmp", [](std::vector<std::uint8_t>& f) { f[28] = 3; }, PictureEnd::kDamaged},
        {"icon entry whose bitmap the file cannot hold", "ico-bitmaps.ico",
         [](std::vector<std::uint8_t>& f) { PutU32LE(f, 6 + 8, 60); }, PictureEnd::kOverLimit},
        {"webp animation of 2000 x 2000: its frames drawn in a corner of the canvas", "webp-animated.webp",
         [](std::vector<std::uint8_t>& f) { SetWebpCanvas(f, 2000, 2000); }, PictureEnd::kComplete},
        {"webp lossy of 2000 x 2000 in 500 bytes: more blocks than its data can hold", "webp-lossy.webp",
         [](std::vector<std::uint8_t>& f) { SetWebpLossySize(f, 2000, 2000); }, PictureEnd::kOverLimit},
        {"webp lossy of 1000 x 1000 in 500 bytes: refused by libwebp when its data ends", "webp-lossy.webp",
         [](std::vector<std::uint8_t>& f) { SetWebpLossySize(f, 1000, 1000); }, PictureEnd::kDamaged},
        {"webp lossless cut inside its pixels keeps the rows it had", "webp-lossless.webp",
         [](std::vector<std::uint8_t>& f) { f.resize(f.size() - 100); }, PictureEnd::kTruncated},
        {"webp lossy cut inside its pixels keeps the rows it had", "webp-lossy.webp",
         [](std::vector<std::uint8_t>& f) { f.resize(f.size() - 60); }, PictureEnd::kTruncated},
        {"webp lossy cut inside its header", "webp-lossy.webp", [](std::vector<std::uint8_t>& f) { f.resize(26); },
         PictureEnd::kDamaged},
        {"webp animation cut inside its last frame", "webp-animated.webp",
         [](std::vector<std::uint8_t>& f) { f.resize(f.size() - 100); }, PictureEnd::kDamaged},
        {"webp lossless with its pixel data broken", "webp-lossless.webp",
         [](std::vector<std::uint8_t>& f) { std::fill(f.begin() + 40, f.end(), std::uint8_t(0xFF)); },
         PictureEnd::kDamaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto file = ReadSample(c.sample);
        ASSERT_FALSE(file.empty());
        c.change(file);
        PictureResult result;
        switch (SniffPortableFormat(file)) {
            case PortableFormat::kPng:
                result = DecodePng(file);
                break;
            case PortableFormat::kGif:
                result = DecodeGif(file);
                break;
            case PortableFormat::kBmp:
                result = DecodeBmp(file);
                break;
            case PortableFormat::kWebp:
                result = DecodeWebp(file);
                break;
            default:
                result = DecodeIco(file);
        }
        EXPECT_EQ(result.end, c.end);
        EXPECT_EQ(result.image.has_value(), c.end == PictureEnd::kComplete || c.end == PictureEnd::kTruncated);
        // The readers take no picture cut short.
        EXPECT_EQ(DecodePortable(file, 0).image.has_value(), c.end == PictureEnd::kComplete);
    }
}

// A WebP header claiming a canvas the limits refuse takes none of the canvas's memory, and the
// refusal is told as the pixel limit's.
TEST(PictureCodecLimits, WebpCanvasRefusedBeforeItsMemoryIsTaken) {
    const struct {
        const char* sample;
        std::uint32_t side;
        bool animation;
    } cases[] = {
        {"webp-animated.webp", 16384, true},   // over the pixel limit
        {"webp-animated.webp", 8000, true},    // 64 megapixels, four canvases of them
        {"webp-lossless.webp", 12000, false},  // 144 megapixels, the decoder's copy beside them
        {"webp-lossless.webp", 16384, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.sample) + " " + std::to_string(c.side));
        auto file = ReadSample(c.sample);
        ASSERT_GT(file.size(), 30u);
        c.animation ? SetWebpCanvas(file, c.side, c.side) : SetWebpLosslessSize(file, c.side, c.side);
        TakeLimitBreach();
        test::ResetLargestAllocation();
        EXPECT_EQ(DecodeWebp(file).end, PictureEnd::kOverLimit);
        EXPECT_LT(test::LargestAllocation(), std::size_t{1} << 20);
        EXPECT_EQ(TakeLimitBreach(), LimitBreach::kPixels);
        // Listed at the size it claims all the same.
        const auto info = ReadImageHeader(file);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->width, int(c.side));
    }
}

// Writers that store fewer palette entries than the header's count point the pixel offset at
// the end of those they wrote; the offset decides where the palette ends.
TEST(PictureCodecLimits, BmpPaletteEndsAtThePixelOffset) {
    const auto original = ReadSample("bmp3-8.bmp");
    ASSERT_GT(original.size(), 1078u);
    std::vector<std::uint8_t> shorter(original);
    shorter.erase(shorter.begin() + 14 + 40 + 200 * 4, shorter.begin() + 1078);
    PutU32LE(shorter, 10, 14 + 40 + 200 * 4);
    PutU32LE(shorter, 46, 0);  // "all 256 colours"
    const auto expected = DecodeBmp(original);
    const auto actual = DecodeBmp(shorter);
    ASSERT_TRUE(expected.image && actual.image);
    EXPECT_EQ(actual.image->bytes, expected.image->bytes);
}

}  // namespace
}  // namespace pictrove::readers::codecs
