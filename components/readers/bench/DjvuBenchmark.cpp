// Benchmark of the DjVu reader's portable core: opening a many-page bundled document (its page
// list), then drawing every page at full resolution, with the time per page and the peak
// memory of the process.
//   djvu-benchmark <document.djvu>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "djvu/DjvuSource.h"

using namespace pictrove::readers;

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::ifstream stream(argv[1], std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(stream)), {});
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    DjvuSource source;
    OpenRequest request;
    request.bytes = std::move(bytes);
    if (source.Open(std::move(request)) != OpenStatus::kOpened) {
        std::puts("cannot open");
        return 1;
    }
    const auto opened = Clock::now();
    std::size_t decoded = 0;
    std::uint64_t pixels = 0;
    for (std::size_t i = 0; i < source.Images().size(); ++i) {
        const auto image = source.Decode(i);
        if (!image) continue;
        ++decoded;
        pixels += std::uint64_t(image->width) * image->height;
    }
    const auto done = Clock::now();
    const double openMs = std::chrono::duration<double, std::milli>(opened - start).count();
    const double decodeMs = std::chrono::duration<double, std::milli>(done - opened).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("open: %.2f ms for %zu pages\n", openMs, source.Images().size());
    std::printf("decode: %zu pages, %.1f Mpixel, %.1f ms per page\n", decoded, pixels / 1e6,
                decoded ? decodeMs / decoded : 0.0);
    std::printf("peak memory: %ld KB\n", usage.ru_maxrss);
    return decoded == source.Images().size() ? 0 : 1;
}
