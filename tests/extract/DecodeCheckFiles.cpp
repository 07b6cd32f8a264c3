// Writes files through an extraction job, with reference pictures beside them, for the
// decode-check script to read back with an independent decoder. Runs only when the script asks
// (disabled test, output folder from PICTROVE_DECODE_CHECK_DIR).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "extract/ExtractJob.h"
#include "tests/support/ImageTestHelpers.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

// A PAM file (RGB_ALPHA), which the independent decoder reads as the exact reference.
bool WritePam(const std::wstring& path, int width, int height, const std::vector<std::uint32_t>& argb) {
    const std::string header = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                               "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<unsigned char> bytes(header.begin(), header.end());
    for (std::uint32_t c : argb) {
        bytes.insert(bytes.end(), {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                                   static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 24)});
    }
    return test::WriteFileBytes(path, bytes);
}

TEST(DecodeCheck, DISABLED_WriteFilesForAnIndependentDecoder) {
    const wchar_t* out = _wgetenv(L"PICTROVE_DECODE_CHECK_DIR");
    ASSERT_NE(out, nullptr);
    std::wstring folder = out;
    if (folder.back() != L'\\') folder += L'\\';

    struct Picture {
        const wchar_t* name;
        int pixelType;
        int width, height;
        std::vector<BYTE> pixels;
        int bpp;
    };
    std::vector<BYTE> ramp24;
    const std::vector<BYTE> ramp = test::RampBgra(320, 240);
    for (size_t i = 0; i < ramp.size(); i += 4) ramp24.insert(ramp24.end(), {ramp[i], ramp[i + 1], ramp[i + 2]});
    std::vector<BYTE> gray;
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 47; ++x) gray.push_back(static_cast<BYTE>(x * 5 + y * 2));
    const std::vector<Picture> pictures = {
        {L"smooth", 1, 61, 43, test::SmoothBgr(61, 43, 3), 3},
        {L"gray", 2, 47, 33, gray, 1},
        {L"ramp", 1, 320, 240, ramp24, 3},
        {L"alpha", 0, 17, 9, test::PatternBgra(17, 9, true), 4},
    };

    auto* collection = new test::FakeImageCollection;
    for (const Picture& p : pictures) {
        auto* image = test::FakeReaderImage::FromRows(p.pixelType, p.width, p.height, p.width * p.bpp + 1,
                                                      kLayoutBottomUp | kLayoutMirroredRows, p.pixels);
        collection->Add(p.name, image);
        image->Release();
        ASSERT_TRUE(WritePam(folder + p.name + L".pam", p.width, p.height, test::ToArgb(p.pixels, p.bpp)));
    }
    const wchar_t* extensions[] = {L".bmp", L".gif", L".jpg", L".png"};
    for (int type = 0; type < kEncodedImageTypeCount; ++type) {
        ExtractJob job(collection, type, folder, std::wstring(L"%IN%") + extensions[type], {0, 1, 2, 3});
        EXPECT_EQ(job.RunModal(nullptr), IDOK);
        EXPECT_EQ(job.Failures().Count(), 0);
    }
    collection->Release();
}

}  // namespace
}  // namespace pictrove
