// JBIG2 benchmark: a 300 dpi A4 page of text-like content coded as one generic region and as
// symbols placed by a text region, each wrapped in a one-page PDF; times the core's decoding of
// the picture (best of several runs). scripts/bench-jbig2.sh builds and runs it.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Jbig2TestStreams.h"
#include "TestPdf.h"
#include "jbig2/Jbig2Document.h"
#include "pdf/PdfSource.h"

using namespace pictrove;

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;

struct Glyphs {
    std::vector<test::TestBitmap> shapes;
    struct Place {
        int id;
        int x;
        int y;
    };
    std::vector<Place> places;
};

// Blobby glyphs 18 x 26 on lines 40 pixels apart, 24-pixel advance, with margins.
Glyphs MakeGlyphs() {
    std::mt19937 random(42);
    Glyphs glyphs;
    for (int g = 0; g < 64; ++g) {
        test::TestBitmap shape;
        shape.width = 18;
        shape.height = 26;
        for (int y = 0; y < 26; ++y) {
            for (int x = 0; x < 18; ++x) {
                const bool stroke = (x > 2 && x < 6) || (y > 10 + g % 5 && y < 14 + g % 5) || ((x + y + g) % 9 == 0);
                shape.pixels.push_back(stroke && random() % 7 != 0 ? 1 : 0);
            }
        }
        glyphs.shapes.push_back(shape);
    }
    for (int y = 200; y + 26 < kHeight - 200; y += 40) {
        for (int x = 200; x + 18 < kWidth - 200; x += 24) {
            if (random() % 9 == 0) continue;  // spaces
            glyphs.places.push_back({static_cast<int>(random() % 64), x, y});
        }
    }
    return glyphs;
}

test::Jbig2Bytes GenericStream(const Glyphs& glyphs) {
    test::TestBitmap page;
    page.width = kWidth;
    page.height = kHeight;
    page.pixels.assign(static_cast<std::size_t>(kWidth) * kHeight, 0);
    for (const auto& p : glyphs.places) {
        const auto& shape = glyphs.shapes[static_cast<std::size_t>(p.id)];
        for (int y = 0; y < shape.height; ++y)
            for (int x = 0; x < shape.width; ++x)
                page.pixels[static_cast<std::size_t>(p.y + y) * kWidth + static_cast<std::size_t>(p.x + x)] |=
                    static_cast<std::uint8_t>(shape.Get(x, y));
    }
    test::GenericEncoding encoding;
    encoding.typicalPrediction = true;
    return test::Sequential({{0, 48, 1, {}, test::PageInfo(kWidth, kHeight)},
                             {1, 38, 1, {}, test::GenericRegion(page, 0, 0, encoding)},
                             {2, 49, 1, {}, {}}});
}

test::Jbig2Bytes SymbolStream(const Glyphs& glyphs) {
    test::Jbig2Bytes dict;
    test::PutU16(dict, 0);
    for (int v : {3, -1, -3, -1, 2, -2, -2, -2}) dict.push_back(static_cast<std::uint8_t>(v));
    test::PutU32(dict, 64);
    test::PutU32(dict, 64);
    test::MqEncoder mq;
    test::ArithCoding coding(6);
    coding.dh.Encode(mq, 26);
    for (std::size_t g = 0; g < glyphs.shapes.size(); ++g) {
        coding.dw.Encode(mq, g == 0 ? 18 : 0);
        test::EncodeGeneric(mq, coding.generic, glyphs.shapes[g], {});
    }
    coding.dw.Oob(mq);
    coding.ex.Encode(mq, 0);
    coding.ex.Encode(mq, 64);
    auto coded = mq.Finish();
    dict.insert(dict.end(), coded.begin(), coded.end());

    test::Jbig2Bytes text = test::RegionInfo(kWidth, kHeight, 0, 0);
    test::PutU16(text, 1 << 4);
    test::PutU32(text, static_cast<std::uint32_t>(glyphs.places.size()));
    test::MqEncoder textMq;
    test::ArithCoding textCoding(6);
    textCoding.dt.Encode(textMq, 0);
    int stripT = 0;
    int firstS = 0;
    for (std::size_t i = 0; i < glyphs.places.size();) {
        const int y = glyphs.places[i].y;
        textCoding.dt.Encode(textMq, y - stripT);
        stripT = y;
        int curS = 0;
        bool first = true;
        for (; i < glyphs.places.size() && glyphs.places[i].y == y; ++i) {
            const auto& p = glyphs.places[i];
            if (first) {
                textCoding.fs.Encode(textMq, p.x - firstS);
                firstS = p.x;
                first = false;
            } else {
                textCoding.ds.Encode(textMq, p.x - curS);
            }
            textCoding.id.Encode(textMq, static_cast<std::uint32_t>(p.id));
            curS = p.x + 17;
        }
        textCoding.ds.Oob(textMq);
    }
    coded = textMq.Finish();
    text.insert(text.end(), coded.begin(), coded.end());
    return test::Sequential({{0, 48, 1, {}, test::PageInfo(kWidth, kHeight)},
                             {1, 0, 1, {}, dict},
                             {2, 6, 1, {1}, text},
                             {3, 49, 1, {}, {}}});
}

test::Bytes WrapInPdf(const test::Jbig2Bytes& stream) {
    test::PdfWriter writer;
    const int image = writer.AddStream("<< /Type /XObject /Subtype /Image /Width " + std::to_string(kWidth) +
                                           " /Height " + std::to_string(kHeight) +
                                           " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode >>",
                                       stream);
    const int root = test::AddPages(
        writer, {{"q 595 0 0 842 0 0 cm /Im Do Q", "<< /XObject << /Im " + std::to_string(image) + " 0 R >> >>",
                  "/MediaBox [0 0 595 842]"}});
    return writer.Write(root);
}

template <class Work>
double BestSeconds(int runs, Work work) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    const Glyphs glyphs = MakeGlyphs();
    for (const bool symbols : {false, true}) {
        const auto stream = symbols ? SymbolStream(glyphs) : GenericStream(glyphs);
        const auto pdf = WrapInPdf(stream);
        const std::string name = folder + (symbols ? "/jbig2-symbol.pdf" : "/jbig2-generic.pdf");
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(pdf.data()), static_cast<std::streamsize>(pdf.size()));
        const double page = BestSeconds(5, [&] {
            readers::jbig2::Jbig2Document document;
            document.ParseEmbedded({}, stream);
            if (!document.DecodePage(0)) std::printf("decoding failed\n");
        });
        readers::PdfSource source;
        readers::OpenRequest request;
        request.bytes = pdf;
        source.Open(std::move(request));
        const double picture = BestSeconds(5, [&] {
            if (!source.Decode(0)) std::printf("PDF picture failed\n");
        });
        std::printf("%s mode: %zu bytes of JBIG2 data (%zu instances); page %.1f ms, PDF picture %.1f ms; %s\n",
                    symbols ? "symbol" : "generic", stream.size(), glyphs.places.size(), page * 1000, picture * 1000,
                    name.c_str());
    }
    return 0;
}
