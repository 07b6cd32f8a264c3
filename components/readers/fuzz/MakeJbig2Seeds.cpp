// Writes the JBIG2 fuzz target's seeds from the tests' stream writers: generic regions of every
// template, MMR, a striped page, two pages in both file organisations, and the embedded form.
#include <filesystem>
#include <fstream>
#include <string>

#include "Jbig2TestStreams.h"

using namespace pictrove::test;

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const Jbig2Bytes& bytes) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "Jbig2Fuzzer";
    const TestBitmap bitmap = TestBitmap::FromRows({"0110110", "1001001", "1111111", "1001001", "1001001"});
    for (int templ = 0; templ < 4; ++templ) {
        GenericEncoding encoding;
        encoding.templ = templ;
        encoding.typicalPrediction = templ % 2 == 1;
        if (templ > 0) encoding.at = {2, -1, 0, 0, 0, 0, 0, 0};
        const std::vector<TestSegment> segments = {{0, 48, 1, {}, PageInfo(9, 7)},
                                                   {1, 38, 1, {}, GenericRegion(bitmap, 1, 1, encoding)},
                                                   {2, 49, 1, {}, {}},
                                                   {3, 48, 2, {}, PageInfo(7, 0xFFFFFFFF, 0, true, 8)},
                                                   {4, 38, 2, {}, GenericRegion(bitmap, 0, 0, encoding, 2)},
                                                   {5, 50, 2, {}, {0, 0, 0, 4}},
                                                   {6, 49, 2, {}, {}}};
        Write(folder, "sequential" + std::to_string(templ) + ".jb2", Jbig2File(segments, true, 2));
        Write(folder, "random" + std::to_string(templ) + ".jb2", Jbig2File(segments, false, -1));
        Jbig2Bytes embedded = {0};
        const auto stream = Sequential(segments);
        embedded.insert(embedded.end(), stream.begin(), stream.end());
        Write(folder, "embedded" + std::to_string(templ), embedded);
    }
    Jbig2Bytes mmr = RegionInfo(23, 6, 0, 0);
    mmr.push_back(1);
    const Jbig2Bytes g4 = {0x26, 0xa8, 0xda, 0x36, 0x8d, 0xa0, 0x41, 0x6f, 0xff, 0x40, 0x81, 0x7f, 0xf6, 0x17,
                           0xfe, 0x22, 0x22, 0x21, 0xca, 0xb2, 0xac, 0xab, 0x2a, 0xc2, 0x80, 0x08, 0x00, 0x80};
    mmr.insert(mmr.end(), g4.begin(), g4.end());
    Write(folder, "mmr.jb2", Jbig2File({{0, 48, 1, {}, PageInfo(23, 6)}, {1, 38, 1, {}, mmr}}, true, 1));
    return 0;
}
