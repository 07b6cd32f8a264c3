// Writes the seed corpora of the fuzz targets, one folder per target, from the same builders
// the reader tests use.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestDocuments.h"
#include "TestImageFiles.h"

using namespace pictrove::test;

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                         static_cast<std::streamsize>(bytes.size()));
}

Bytes SmallPng() { return MakePng(3, 2, PngColour::kRgb, Bytes(18, 0x80)); }
Bytes SmallGif() { return MakeGif(2, 2, {0, 0, 0, 255, 255, 255}, {{{0, 1, 1, 0}, 10}}); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::filesystem::path root = argv[1];

    const std::vector<ZipFileEntry> images = {{"a/page2.png", SmallPng(), true}, {"a/page10.gif", SmallGif(), false}};
    Write(root / "ZipFuzzer", "plain.zip", MakeZip(images));
    Write(root / "ZipFuzzer", "descriptors.zip", MakeZip(images, {.dataDescriptors = true}));
    Write(root / "ZipFuzzer", "zip64.zip", MakeZip(images, {.zip64 = true}));

    Write(root / "ImageHeaderFuzzer", "a.png", SmallPng());
    Write(root / "ImageHeaderFuzzer", "a.gif", SmallGif());
    Write(root / "ImageHeaderFuzzer", "a.ico", MakeIco({{2, 2, Bytes(16, 0xFF), {}}}));
    return 0;
}
