// Benchmark of the comic reader's libarchive path: a solid 7z comic (one LZMA2 stream for every
// page) is opened and every page extracted in list order, once with the pages stored in list
// order and once reversed, the worst order for a stream that only goes forward. It prints the
// open time, the extraction time, the time per page at the start and at the end of the list (flat
// when extraction is linear), how often the stream was restarted and the cost of one cold request
// for a page deep in the archive, which is what every page would cost without the remembered
// position and the cache.
//   archive-benchmark pages <folder> <count>     writes the page pictures
//   archive-benchmark run <archive> [archive...] measures
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "comic/ArchiveComicSource.h"
#include "pictures/ImageHeader.h"
#include "TestImageFiles.h"

using namespace pictrove;
using Clock = std::chrono::steady_clock;

namespace {

// Stands in for GDI+: the archive work is what is measured, not the picture decoding.
class HeaderDecoder final : public readers::PayloadDecoder {
  public:
    std::optional<readers::DecodedImage> DecodeFrame(std::span<const std::uint8_t> file, unsigned) override {
        const auto info = readers::ReadImageHeader(file);
        if (!info) return std::nullopt;
        bytes += file.size();
        return readers::DecodedImage::Allocate(readers::PixelType::kGray8, info->width, info->height);
    }
    unsigned FrameCount(std::span<const std::uint8_t>) override { return 1; }
    std::uint64_t bytes = 0;
};

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

int WritePages(const std::string& folder, int count) {
    for (int page = 1; page <= count; ++page) {
        const int width = 240;
        const int height = 160;
        test::Bytes samples(width * height);
        std::uint32_t seed = page * 2654435761u;
        for (auto& sample : samples) {
            seed = seed * 1103515245u + 12345u;
            sample = static_cast<std::uint8_t>((seed >> 24) & 0x3F);  // noise the compressor must keep
        }
        const test::Bytes png = test::MakePng(width, height, test::PngColour::kGray, samples);
        std::ofstream(folder + "/page" + std::to_string(page) + ".png", std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), png.size());
    }
    return 0;
}

int Measure(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t fileSize = bytes.size();

    auto decoder = std::make_shared<HeaderDecoder>();
    readers::ArchiveComicSource source(decoder, readers::DetectArchiveKind(bytes));
    auto start = Clock::now();
    if (source.Open({std::move(bytes), u"bench.cbr", u""}) != readers::OpenStatus::kOpened) {
        std::printf("%s: does not open\n", path.c_str());
        return 1;
    }
    const double open = Seconds(start);
    const std::size_t count = source.Images().size();
    const std::size_t tenth = std::max<std::size_t>(count / 10, 1);
    double first = 0;
    double last = 0;
    std::size_t failed = 0;
    start = Clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        const auto page = Clock::now();
        if (!source.Decode(i)) ++failed;
        const double took = Seconds(page);
        if (i < tenth) first += took;
        if (i >= count - tenth) last += took;
    }
    const double all = Seconds(start);
    const auto stats = source.Stats();

    // One cold request for the page stored last: a fresh source, so the stream starts over.
    std::ifstream again(path, std::ios::binary);
    std::vector<std::uint8_t> copy((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
    readers::ArchiveComicSource cold(decoder, readers::DetectArchiveKind(copy));
    cold.Open({std::move(copy), u"bench.cbr", u""});
    double deepest = 0;
    for (const std::size_t i : {std::size_t{0}, count - 1}) {
        // Each request below starts the stream over: the other page lies behind it or was the last.
        start = Clock::now();
        cold.Decode(i);
        deepest = std::max(deepest, Seconds(start));
        cold.Decode(i == 0 ? count - 1 : 0);
    }

    std::printf("%s: %zu bytes, %zu pages\n", path.c_str(), fileSize, count);
    std::printf("  open (headers and picture headers, one pass): %.3f s\n", open);
    std::printf("  extract all in list order: %.3f s (%.2f ms a page, %zu failed), %.1f MB unpacked\n", all,
                1000.0 * all / count, failed, decoder->bytes / 1e6);
    std::printf("  first tenth of the list: %.2f ms a page; last tenth: %.2f ms a page\n", 1000.0 * first / tenth,
                1000.0 * last / tenth);
    std::printf("  stream restarts: %zu, entries unpacked: %zu, pages from the cache: %zu\n", stats.restarts,
                stats.entriesUnpacked, stats.cacheHits);
    std::printf("  one cold request (worst page): %.2f ms; %zu of those would take about %.1f s\n", 1000.0 * deepest,
                count, deepest * count / 2);
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "pages") return WritePages(argv[2], std::stoi(argv[3]));
    if (argc < 3 || std::string(argv[1]) != "run") {
        std::fprintf(stderr, "usage: archive-benchmark pages <folder> <count> | run <archive>...\n");
        return 2;
    }
    int status = 0;
    for (int i = 2; i < argc; ++i) status |= Measure(argv[i]);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return status;
}
