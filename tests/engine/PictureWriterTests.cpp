// The picture writers read back by independent decoders (ImageMagick, giflib, libjpeg's djpeg):
// every format over the four pixel types, the layouts and boundary sizes; and whole-file writing
// into folders that refuse writes or run full.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/writers/GifTransparency.h"
#include "engine/writers/PictureEncoders.h"

namespace pictrove {
namespace {

namespace fs = std::filesystem;

struct Rgba {
    int r, g, b, a;
};

// A picture of one pixel type, stored with a layout and padded rows, and its upright colours.
struct TestPicture {
    std::vector<std::uint8_t> buffer;
    ReaderImageFields fields;
    std::vector<Rgba> upright;  // top row first

    // colour(x, y) gives the upright pixel; grey types take its red as the grey level.
    template <typename Colour>
    TestPicture(int type, int layout, int width, int height, Colour colour) {
        const int bpp = ReaderBytesPerPixel(type);
        const int stride = width * bpp + 3;
        buffer.assign(static_cast<size_t>(stride) * height, 0xEE);
        fields.bits = buffer.data();
        fields.width = width;
        fields.height = height;
        fields.stride = stride;
        fields.pixelType = type;
        fields.layout = layout;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                Rgba c = colour(x, y);
                if (bpp == 1) c = {c.r, c.r, c.r, 255};
                if (bpp == 3) c.a = 255;
                upright.push_back(c);
                const int storedY = layout & kLayoutBottomUp ? height - 1 - y : y;
                const int storedX = layout & kLayoutMirroredRows ? width - 1 - x : x;
                std::uint8_t* p = buffer.data() + static_cast<size_t>(storedY) * stride + storedX * bpp;
                if (bpp == 1) {
                    p[0] = static_cast<std::uint8_t>(c.r + (type == kPixelGrayPlusOne8 ? 1 : 0));
                } else {
                    p[0] = static_cast<std::uint8_t>(c.b), p[1] = static_cast<std::uint8_t>(c.g);
                    p[2] = static_cast<std::uint8_t>(c.r);
                    if (bpp == 4) p[3] = static_cast<std::uint8_t>(c.a);
                }
            }
        }
        EXPECT_EQ(CheckReaderImageFields(fields), ReaderImageCheck::kOk);
    }
};

fs::path TestFolder(const std::string& name) {
    const fs::path folder = fs::temp_directory_path() / ("pictrove-writers-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file decoded by ImageMagick into 8-bit RGBA, top row first; empty when it cannot.
std::vector<Rgba> DecodeWithImageMagick(const fs::path& file) {
    const fs::path raw = file.string() + ".rgba";
    const std::string command = "convert '" + file.string() + "' -depth 8 'rgba:" + raw.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    const std::vector<std::uint8_t> bytes = ReadAll(raw);
    std::vector<Rgba> pixels;
    for (size_t i = 0; i + 3 < bytes.size(); i += 4)
        pixels.push_back({bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3]});
    return pixels;
}

std::string Output(const std::string& command) {
    std::string text;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[256];
        while (std::fgets(chunk, sizeof chunk, pipe)) text += chunk;
        pclose(pipe);
    }
    return text;
}

fs::path Write(const fs::path& folder, const std::string& name, PictureFormat format, const TestPicture& picture) {
    const fs::path path = folder / name;
    EXPECT_EQ(WriteEncodedPicture(format, picture.fields, path), WriteError::kNone) << name;
    return path;
}

const char* const kExtensions[] = {"bmp", "gif", "jpg", "png"};

// Few colours, alpha 0 / 128 / 255 in turn for 32-bit pictures: fits a GIF palette exactly.
Rgba FewColours(int x, int y) {
    return {(x * 40) & 0xFF, (y * 70) & 0xFF, ((x + y) * 50) & 0xFF, (x + y) % 3 == 0 ? 0 : (x % 2 ? 128 : 255)};
}

TEST(PictureWriters, LosslessFormatsDecodeBackExactly) {
    const fs::path folder = TestFolder("lossless");
    const struct { int width, height; } sizes[] = {{1, 1}, {3, 2}, {17, 5}, {8, 1}};
    for (PictureFormat format : {PictureFormat::kBmp, PictureFormat::kGif, PictureFormat::kPng}) {
        for (int type = 0; type < 4; ++type) {
            for (int layout = 0; layout < 4; ++layout) {
                for (const auto& size : sizes) {
                    const std::string name = std::string("t") + std::to_string(type) + "l" + std::to_string(layout) +
                                             "-" + std::to_string(size.width) + "x" + std::to_string(size.height) +
                                             "." + kExtensions[static_cast<int>(format)];
                    SCOPED_TRACE(name);
                    const TestPicture picture(type, layout, size.width, size.height, FewColours);
                    const std::vector<Rgba> decoded = DecodeWithImageMagick(Write(folder, name, format, picture));
                    ASSERT_EQ(decoded.size(), picture.upright.size());
                    for (size_t i = 0; i < decoded.size(); ++i) {
                        Rgba want = picture.upright[i];
                        // GIF keeps the colour of partly transparent pixels, opaque.
                        if (format == PictureFormat::kGif && want.a != 0) want.a = 255;
                        const Rgba& got = decoded[i];
                        EXPECT_EQ(got.a, want.a) << "pixel " << i;
                        if (want.a != 0) {
                            EXPECT_TRUE(got.r == want.r && got.g == want.g && got.b == want.b)
                                << "pixel " << i << ": " << got.r << "," << got.g << "," << got.b << " for " << want.r
                                << "," << want.g << "," << want.b;
                        }
                    }
                }
            }
        }
    }
}

TEST(PictureWriters, BmpHeadersFollowThePixelType) {
    const fs::path folder = TestFolder("bmp");
    const struct {
        int type;
        bool transparent;
        int bits, headerSize, coloursUsed;
    } cases[] = {
        {kPixelGray8, false, 8, 40, 256}, {kPixelGrayPlusOne8, false, 8, 40, 256}, {kPixelBgr24, false, 24, 40, 0},
        {kPixelBgra32, false, 24, 40, 0}, {kPixelBgra32, true, 32, 124, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << (c.transparent ? " with alpha" : ""));
        const TestPicture picture(c.type, 0, 5, 3, [&](int x, int y) {
            return Rgba{x * 50, y * 80, 7, c.transparent && x == 4 ? 0 : 255};
        });
        const std::vector<std::uint8_t> file = ReadAll(Write(folder, "h.bmp", PictureFormat::kBmp, picture));
        ASSERT_GE(file.size(), 54u);
        auto u32 = [&](size_t at) -> size_t {
            return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | static_cast<size_t>(file[at + 3]) << 24;
        };
        EXPECT_EQ(u32(2), file.size()) << "the file size field";
        EXPECT_EQ(static_cast<int>(u32(14)), c.headerSize);
        EXPECT_EQ(file[28], c.bits);
        EXPECT_EQ(u32(38), 3780u) << "96 dpi";
        EXPECT_EQ(u32(42), 3780u);
        EXPECT_EQ(static_cast<int>(u32(46)), c.coloursUsed);
        const size_t rowSize = (5 * c.bits / 8 + 3) & ~3u;
        EXPECT_EQ(u32(34), rowSize * 3) << "the image size field";
        EXPECT_EQ(u32(10) + rowSize * 3, file.size()) << "the pixels follow the header and palette";
    }
}

TEST(PictureWriters, GifPalettesAndTransparency) {
    const fs::path folder = TestFolder("gif");
    const struct {
        const char* label;
        int type;
        int colours;  // distinct opaque colours drawn
        bool transparent;
        int tableEntries;  // global colour table size
        bool exact;
    } cases[] = {
        {"one colour", kPixelBgr24, 1, false, 2, true},         {"three colours", kPixelBgr24, 3, false, 4, true},
        {"255 and clear", kPixelBgra32, 255, true, 256, true},  {"256 and clear", kPixelBgra32, 256, true, 256, false},
        {"1000 colours", kPixelBgr24, 1000, false, 256, false}, {"grey", kPixelGray8, 256, false, 256, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        // Noise-like indexes over 12000 pixels fill the code table and make the encoder start it again.
        const TestPicture picture(c.type, kLayoutBottomUp, 120, 100, [&](int x, int y) {
            const int n = (x * 7919 + y * 104729) % c.colours;
            const bool clear = c.transparent && (x + y) % 5 == 0;
            return Rgba{n & 0xFF, (n * 37) & 0xFF, (n >> 8) * 60, clear ? 0 : 255};
        });
        const fs::path path = Write(folder, "p.gif", PictureFormat::kGif, picture);
        const std::vector<std::uint8_t> file = ReadAll(path);
        ASSERT_GT(file.size(), 13u);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
        EXPECT_EQ(2 << (file[10] & 7), c.tableEntries);
        EXPECT_EQ(GifTransparentIndex(file) >= 0, c.transparent);
        const std::string text = Output("giftext '" + path.string() + "' 2>&1");
        EXPECT_NE(text.find("GIF file terminated normally"), std::string::npos) << text;
        const std::vector<Rgba> decoded = DecodeWithImageMagick(path);
        ASSERT_EQ(decoded.size(), picture.upright.size());
        int worst = 0;
        for (size_t i = 0; i < decoded.size(); ++i) {
            const Rgba& want = picture.upright[i];
            ASSERT_EQ(decoded[i].a == 0, want.a == 0) << "pixel " << i;
            if (want.a == 0) continue;
            worst = std::max({worst, std::abs(decoded[i].r - want.r), std::abs(decoded[i].g - want.g),
                              std::abs(decoded[i].b - want.b)});
        }
        if (c.exact)
            EXPECT_EQ(worst, 0);
        else
            EXPECT_LE(worst, 48) << "reduced colours stay close";
    }
}

TEST(PictureWriters, JpegIsCloseAndGreyStaysOneChannel) {
    const fs::path folder = TestFolder("jpeg");
    const struct {
        int type, layout, width, height;
        int components;
    } cases[] = {
        {kPixelBgr24, 0, 1, 1, 3},
        {kPixelBgr24, kLayoutBottomUp, 33, 17, 3},
        {kPixelBgra32, kLayoutMirroredRows, 31, 9, 3},
        {kPixelGray8, 3, 16, 16, 1},
        {kPixelGrayPlusOne8, kLayoutBottomUp, 7, 5, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " layout " << c.layout << " " << c.width);
        // Smooth ramps, what JPEG is for; partly transparent pixels keep their colour.
        const TestPicture picture(c.type, c.layout, c.width, c.height, [&](int x, int y) {
            return Rgba{40 + x * 5, 200 - y * 6, 90 + x + y, x % 2 ? 255 : 20};
        });
        const fs::path path = Write(folder, "p.jpg", PictureFormat::kJpeg, picture);
        const std::vector<std::uint8_t> file = ReadAll(path);
        ASSERT_GT(file.size(), 20u);
        // JFIF APP0 with dots per inch and 96 x 96.
        EXPECT_EQ(std::string(file.begin() + 6, file.begin() + 10), "JFIF");
        EXPECT_EQ(file[13], 1);
        EXPECT_EQ(file[14] << 8 | file[15], 96);
        EXPECT_EQ(file[16] << 8 | file[17], 96);
        const std::string components = Output("djpeg -verbose -outfile /dev/null '" + path.string() + "' 2>&1");
        EXPECT_NE(components.find("components=" + std::to_string(c.components)), std::string::npos) << components;
        const std::vector<Rgba> decoded = DecodeWithImageMagick(path);
        ASSERT_EQ(decoded.size(), picture.upright.size());
        double total = 0;
        for (size_t i = 0; i < decoded.size(); ++i) {
            const Rgba& want = picture.upright[i];
            EXPECT_EQ(decoded[i].a, 255);
            total +=
                std::abs(decoded[i].r - want.r) + std::abs(decoded[i].g - want.g) + std::abs(decoded[i].b - want.b);
        }
        EXPECT_LE(total / (3.0 * decoded.size()), 6.0) << "mean error per sample";
    }
}

TEST(PictureWriters, PicturesTheFormatsCannotHoldAreRefused) {
    std::vector<std::uint8_t> row(70000 * 4, 0);
    ReaderImageFields wide{row.data(), 70000, 1, 70000 * 4, kPixelBgra32, 0};
    EXPECT_EQ(EncodePicture(PictureFormat::kGif, wide).error, WriteError::kInvalidData);
    EXPECT_EQ(EncodePicture(PictureFormat::kJpeg, wide).error, WriteError::kInvalidData);
    EXPECT_EQ(EncodePicture(PictureFormat::kPng, wide).error, WriteError::kNone);
    ReaderImageFields unknown = wide;
    unknown.pixelType = 7;
    EXPECT_EQ(EncodePicture(PictureFormat::kBmp, unknown).error, WriteError::kInvalidData);
}

// Folders prepared by scripts/test-engine-native.sh: a tiny file system, and a read-only one.
fs::path PreparedFolder(const char* variable) {
    const char* value = std::getenv(variable);
    return value ? fs::path(value) : fs::path();
}

size_t EntriesIn(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(WritePictureFile, ReplacesWholeFilesAndLeavesNothingElse) {
    const fs::path folder = TestFolder("whole");
    const std::vector<std::uint8_t> first(1000, 1), second(10, 2);
    EXPECT_EQ(WritePictureFile(folder / "a.bin", first), WriteError::kNone);
    EXPECT_EQ(WritePictureFile(folder / "a.bin", second), WriteError::kNone);
    EXPECT_EQ(ReadAll(folder / "a.bin"), second);
    EXPECT_EQ(WritePictureFile(folder / "empty.bin", nullptr, 0), WriteError::kNone);
    EXPECT_EQ(fs::file_size(folder / "empty.bin"), 0u);
    const std::string longest(251, 'n');  // with ".png", as long as a name may be
    EXPECT_EQ(WritePictureFile(folder / (longest + ".png"), first), WriteError::kNone);
    fs::remove(folder / (longest + ".png"));
    EXPECT_EQ(EntriesIn(folder), 2u) << "no temporary file stays behind";
    EXPECT_EQ(WritePictureFile(folder / "missing" / "a.bin", first), WriteError::kPathNotFound);
    EXPECT_EQ(WritePictureFile(folder / "a.bin" / "b.bin", first), WriteError::kPathNotFound);
    EXPECT_EQ(EntriesIn(folder), 2u);
}

TEST(WritePictureFile, AFullDiskOrAReadOnlyFolderLeavesNoPartAndKeepsTheOldFile) {
    const fs::path full = PreparedFolder("PICTROVE_TEST_FULL_FOLDER");
    const fs::path readOnly = PreparedFolder("PICTROVE_TEST_READONLY_FOLDER");
    if (full.empty() || readOnly.empty()) GTEST_SKIP() << "needs the folders the native test script mounts";
    const std::vector<std::uint8_t> small(100, 3), large(1 << 20, 4);
    for (const auto& entry : fs::directory_iterator(full)) fs::remove(entry.path());
    ASSERT_EQ(WritePictureFile(full / "kept.bin", small), WriteError::kNone);
    EXPECT_EQ(WritePictureFile(full / "kept.bin", large), WriteError::kDiskFull);
    EXPECT_EQ(ReadAll(full / "kept.bin"), small) << "the earlier file is unchanged";
    EXPECT_EQ(WritePictureFile(full / "new.bin", large), WriteError::kDiskFull);
    EXPECT_EQ(EntriesIn(full), 1u) << "neither a part nor a new file stays";
    EXPECT_TRUE(StopsTheRun(WriteError::kDiskFull));
    EXPECT_EQ(WritePictureFile(readOnly / "a.bin", small), WriteError::kAccessDenied);
    EXPECT_EQ(EntriesIn(readOnly), 0u);
}

}  // namespace
}  // namespace pictrove
