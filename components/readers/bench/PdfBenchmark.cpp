// Benchmark of the PDF reader's portable core: builds a 1,000-page document with one distinct
// image per page (alternating Flate RGB, Flate gray with a PNG predictor, and 1-bit CCITT-free
// stencils), writes it for comparison with other tools, then measures opening, decoding every
// image, and the peak memory of the process.
//   pdf-benchmark <output.pdf> [pages]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "TestPdf.h"
#include "pdf/PdfSource.h"

using namespace pictrove;
using test::Bytes;

namespace {

Bytes BuildDocument(int pages) {
    test::PdfWriter writer;
    std::vector<test::PdfPageSpec> specs;
    for (int page = 0; page < pages; ++page) {
        const int width = 320 + page % 7;
        const int height = 240;
        std::string dict = "<< /Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
                           std::to_string(height) + " /BitsPerComponent 8 /Filter /FlateDecode ";
        Bytes samples;
        if (page % 2 == 0) {
            dict += "/ColorSpace /DeviceRGB >>";
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    samples.insert(samples.end(),
                                   {std::uint8_t(x + page), std::uint8_t(y * 2), std::uint8_t((x ^ y) + page)});
                }
            }
        } else {
            dict +=
                "/ColorSpace /DeviceGray /DecodeParms << /Predictor 12 /Columns " + std::to_string(width) + " >> >>";
            for (int y = 0; y < height; ++y) {
                samples.push_back(2);  // PNG Up
                for (int x = 0; x < width; ++x) samples.push_back(std::uint8_t(y == 0 ? x + page : 1));
            }
        }
        const int image = writer.AddStream(dict, test::ZlibCompress(samples));
        specs.push_back({"q 320 0 0 240 0 0 cm /Im" + std::to_string(page) + " Do Q",
                         "<< /XObject << /Im" + std::to_string(page) + " " + std::to_string(image) + " 0 R >> >>", ""});
    }
    const int root = test::AddPages(writer, specs);
    return writer.Write(root, {.xrefStream = true, .objectStreams = true});
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pdf-benchmark <output.pdf> [pages]\n");
        return 2;
    }
    const int pages = argc > 2 ? std::atoi(argv[2]) : 1000;
    const Bytes file = BuildDocument(pages);
    std::ofstream(argv[1], std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    std::printf("document: %d pages, %.1f MB\n", pages, file.size() / 1048576.0);

    readers::PdfSource source;
    readers::OpenRequest request;
    request.bytes = file;
    request.path = u"bench.pdf";
    auto start = std::chrono::steady_clock::now();
    const auto status = source.Open(std::move(request));
    const double openTime = Seconds(start);
    if (status != readers::OpenStatus::kOpened) {
        std::printf("open failed\n");
        return 1;
    }
    std::printf("open: %.3f s, %zu images listed\n", openTime, source.Images().size());

    start = std::chrono::steady_clock::now();
    std::size_t decoded = 0;
    std::uint64_t pixels = 0;
    for (std::size_t i = 0; i < source.Images().size(); ++i) {
        if (auto image = source.Decode(i)) {
            ++decoded;
            pixels += std::uint64_t(image->width) * std::uint64_t(image->height);
        }
    }
    const double decodeTime = Seconds(start);
    std::printf("decode all: %.3f s, %zu images, %.0f images/s, %.1f Mpixel/s\n", decodeTime, decoded,
                decoded / decodeTime, pixels / decodeTime / 1e6);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %.1f MB (includes the document held twice: built and opened)\n",
                usage.ru_maxrss / 1024.0);
    return decoded == source.Images().size() ? 0 : 1;
}
