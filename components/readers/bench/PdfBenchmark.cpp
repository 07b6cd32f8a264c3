// Benchmark of the PDF reader's portable core: builds a document with one distinct image per
// page (kind flate: alternating Flate RGB and Flate gray with a PNG predictor; kind jpeg: RGB
// photographs through DCTDecode; kind jpx: RGB pictures through JPXDecode), writes it for
// comparison with other tools, then measures opening, decoding every image, and the peak memory
// of the process.
//   pdf-benchmark <output.pdf> [pages] [flate|jpeg|jpx]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "TestJpeg.h"
#include "TestJpx.h"
#include "TestPdf.h"
#include "pdf/PdfSource.h"

using namespace pictrove;
using test::Bytes;

namespace {

// A smooth picture with some detail, different on every page: what a camera or scanner gives
// a codec to work on, rather than flat colour.
Bytes Photo(int width, int height, int page) {
    Bytes samples;
    samples.reserve(std::size_t(width) * std::size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int ripple = ((x * 7 + y * 13 + page * 31) % 23);
            samples.insert(samples.end(), {std::uint8_t(x / 4 + page + ripple), std::uint8_t(y / 3 + ripple),
                                           std::uint8_t((x + y) / 6 + 3 * page)});
        }
    }
    return samples;
}

// One codec-compressed RGB picture per page: DCTDecode or JPXDecode.
Bytes BuildCodecDocument(int pages, bool jpx) {
    test::PdfWriter writer;
    std::vector<test::PdfPageSpec> specs;
    const int width = jpx ? 640 : 1024;
    const int height = jpx ? 480 : 768;
    for (int page = 0; page < pages; ++page) {
        const Bytes samples = Photo(width, height, page);
        Bytes data;
        if (jpx) {
            std::vector<test::JpxPlane> planes(3);
            for (std::size_t i = 0; i < samples.size(); ++i) planes[i % 3].values.push_back(samples[i]);
            data = test::MakeJpx(width, height, planes, {8, false, 0});
        } else {
            data = test::MakeJpeg(width, height, samples, {3, true, false, false, false, 85});
        }
        const std::string dict = "<< /Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
                                 std::to_string(height) + " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /" +
                                 (jpx ? "JPXDecode" : "DCTDecode") + " >>";
        const int image = writer.AddStream(dict, data);
        specs.push_back({"q 320 0 0 240 0 0 cm /Im" + std::to_string(page) + " Do Q",
                         "<< /XObject << /Im" + std::to_string(page) + " " + std::to_string(image) + " 0 R >> >>", ""});
    }
    const int root = test::AddPages(writer, specs);
    return writer.Write(root, {.xrefStream = true, .objectStreams = true});
}

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
    const std::string kind = argc > 3 ? argv[3] : "flate";
    const Bytes file = kind == "flate" ? BuildDocument(pages) : BuildCodecDocument(pages, kind == "jpx");
    std::ofstream(argv[1], std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    std::printf("document (%s): %d pages, %.1f MB\n", kind.c_str(), pages, file.size() / 1048576.0);

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
