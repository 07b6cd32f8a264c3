// Writes JBIG2 streams of the kinds the tests build, each wrapped in a one-page PDF, beside
// the page the core decodes from it (as PBM), so that scripts/check-jbig2-oracle.sh can have
// an independent decoder (poppler's pdfimages) decode the same PDFs and compare. A check run
// by hand, not part of the test run: it guards the coding details our own encoder and decoder
// could share by mistake (context numbering, typical prediction contexts, Gray coding).
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Jbig2TestStreams.h"
#include "TestPdf.h"
#include "jbig2/Jbig2Document.h"

using namespace pictrove;
using test::Jbig2Bytes;
using test::TestBitmap;

namespace {

TestBitmap Random(int width, int height, unsigned seed, double ones) {
    std::mt19937 random(seed);
    std::bernoulli_distribution bit(ones);
    TestBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    for (int i = 0; i < width * height; ++i) bitmap.pixels.push_back(bit(random) ? 1 : 0);
    // Repeated rows, so typical prediction has rows to skip.
    for (int y = 3; y < height; y += 4) {
        for (int x = 0; x < width; ++x) bitmap.pixels[static_cast<std::size_t>(y * width + x)] = bitmap.Get(x, y - 1);
    }
    return bitmap;
}

void Save(const std::string& folder, const std::string& name, int width, int height, const Jbig2Bytes& stream) {
    test::PdfWriter writer;
    const int image = writer.AddStream("<< /Type /XObject /Subtype /Image /Width " + std::to_string(width) +
                                           " /Height " + std::to_string(height) +
                                           " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode >>",
                                       stream);
    const int root =
        test::AddPages(writer, {{"/Im Do", "<< /XObject << /Im " + std::to_string(image) + " 0 R >> >>", ""}});
    const auto pdf = writer.Write(root);
    std::ofstream(folder + "/" + name + ".pdf", std::ios::binary)
        .write(reinterpret_cast<const char*>(pdf.data()), static_cast<std::streamsize>(pdf.size()));
    readers::jbig2::Jbig2Document document;
    document.ParseEmbedded({}, stream);
    auto page = document.DecodePage(0);
    std::ofstream pbm(folder + "/" + name + ".ours.pbm", std::ios::binary);
    pbm << "P1\n" << width << " " << height << "\n";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) pbm << (page && page->Get(x, y) ? "1 " : "0 ");
        pbm << "\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    const TestBitmap bitmap = Random(64, 40, 3, 0.35);
    for (int templ = 0; templ < 4; ++templ) {
        for (int variant = 0; variant < 2; ++variant) {
            test::GenericEncoding encoding;
            encoding.templ = templ;
            encoding.typicalPrediction = true;
            encoding.at = templ == 0 ? std::array<int, 8>{3, -1, -3, -1, 2, -2, -2, -2}
                                     : std::array<int, 8>{templ == 1 ? 3 : 2, -1, 0, 0, 0, 0, 0, 0};
            if (variant == 1) encoding.at = {-5, -1, 4, -2, 1, -3, -7, 0};
            Save(folder, "generic" + std::to_string(templ) + "-" + std::to_string(variant), 64, 40,
                 test::Sequential({{0, 48, 1, {}, test::PageInfo(64, 40)},
                                   {1, 38, 1, {}, test::GenericRegion(bitmap, 0, 0, encoding)}}));
        }
    }
    // Refinement of an intermediate region, both templates, with typical prediction.
    const TestBitmap rough = Random(48, 30, 9, 0.4);
    TestBitmap fine = rough;
    for (std::size_t i = 0; i < fine.pixels.size(); i += 37) fine.pixels[i] ^= 1;
    for (int kind = 0; kind < 4; ++kind) {
        const int templ = kind % 2;
        test::RefinementEncoding refinement;
        refinement.templ = templ;
        refinement.typicalPrediction = kind >= 2;
        refinement.at = {-1, -1, -1, -1};
        Jbig2Bytes data = test::RegionInfo(48, 30, 0, 0);
        data.push_back(static_cast<std::uint8_t>(templ | (refinement.typicalPrediction ? 2 : 0)));
        if (templ == 0) {
            for (int v : refinement.at) data.push_back(static_cast<std::uint8_t>(v));
        }
        test::MqEncoder mq;
        std::vector<std::uint8_t> contexts;
        test::EncodeRefinement(mq, contexts, fine, rough, refinement);
        const auto coded = mq.Finish();
        data.insert(data.end(), coded.begin(), coded.end());
        const std::string suffix = std::to_string(templ) + (refinement.typicalPrediction ? "-typical" : "");
        // Of an intermediate region (this mutool leaves it blank, this pdfimages decodes typical
        // prediction differently, so only without it).
        if (!refinement.typicalPrediction) {
            Save(folder, "refinement" + suffix, 48, 30,
                 test::Sequential({{0, 48, 1, {}, test::PageInfo(48, 30)},
                                   {1, 36, 1, {}, test::GenericRegion(rough, 0, 0, {})},
                                   {2, 42, 1, {1}, data}}));
        }
        // The page itself refined: the rough picture drawn, then refined where it lies.
        Save(folder, "page-refinement" + suffix, 48, 30,
             test::Sequential({{0, 48, 1, {}, test::PageInfo(48, 30)},
                               {1, 38, 1, {}, test::GenericRegion(rough, 0, 0, {})},
                               {2, 42, 1, {}, data}}));
    }
    // A halftone: four patterns, a 6 x 5 grid of gray values on a 3-pixel step.
    TestBitmap collective;
    collective.width = 12;
    collective.height = 3;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 12; ++x) collective.pixels.push_back(static_cast<std::uint8_t>((x % 3) + y < x / 3 + 1));
    Jbig2Bytes dictionary = {0, 3, 3};
    test::PutU32(dictionary, 3);
    test::GenericEncoding patternEncoding;
    patternEncoding.at = {-3, 0, -3, -1, 2, -2, -2, -2};
    test::MqEncoder patternMq;
    std::vector<std::uint8_t> patternContexts;
    test::EncodeGeneric(patternMq, patternContexts, collective, patternEncoding);
    auto coded = patternMq.Finish();
    dictionary.insert(dictionary.end(), coded.begin(), coded.end());
    Jbig2Bytes region = test::RegionInfo(18, 15, 0, 0);
    region.push_back(0);
    test::PutU32(region, 6);
    test::PutU32(region, 5);
    test::PutU32(region, 0);
    test::PutU32(region, 0);
    test::PutU16(region, 3 * 256);
    test::PutU16(region, 0);
    test::MqEncoder mq;
    std::vector<std::uint8_t> contexts;
    for (int plane = 1; plane >= 0; --plane) {
        TestBitmap bits;
        bits.width = 6;
        bits.height = 5;
        for (int m = 0; m < 5; ++m) {
            for (int n = 0; n < 6; ++n) {
                const int value = (m * 7 + n * 3) % 4;
                bits.pixels.push_back(
                    static_cast<std::uint8_t>(((value >> plane) & 1) ^ (plane == 1 ? 0 : (value >> 1) & 1)));
            }
        }
        test::EncodeGeneric(mq, contexts, bits, {});
    }
    coded = mq.Finish();
    region.insert(region.end(), coded.begin(), coded.end());
    Save(folder, "halftone", 18, 15,
         test::Sequential(
             {{0, 48, 1, {}, test::PageInfo(18, 15)}, {1, 16, 1, {}, dictionary}, {2, 22, 1, {1}, region}}));
    // Symbols: a dictionary of three, a text region placing them in two strips, one refined.
    const TestBitmap a = TestBitmap::FromRows({"1111", "1001", "1111", "1000", "1000"});
    const TestBitmap b = TestBitmap::FromRows({"01110", "10001", "11111", "10001", "10001"});
    const TestBitmap c = TestBitmap::FromRows({"111", "100", "111", "001", "111", "000", "111"});
    const TestBitmap refined = TestBitmap::FromRows({"11111", "10011", "11111", "10000", "10000"});
    Jbig2Bytes dict;
    test::PutU16(dict, 0x0000);
    for (int v : {3, -1, -3, -1, 2, -2, -2, -2}) dict.push_back(static_cast<std::uint8_t>(v));
    test::PutU32(dict, 3);
    test::PutU32(dict, 3);
    test::MqEncoder dictMq;
    test::ArithCoding dictCoding(2);
    dictCoding.dh.Encode(dictMq, 5);
    dictCoding.dw.Encode(dictMq, 4);
    test::EncodeGeneric(dictMq, dictCoding.generic, a, {});
    dictCoding.dw.Encode(dictMq, 1);
    test::EncodeGeneric(dictMq, dictCoding.generic, b, {});
    dictCoding.dw.Oob(dictMq);
    dictCoding.dh.Encode(dictMq, 2);
    dictCoding.dw.Encode(dictMq, 3);
    test::EncodeGeneric(dictMq, dictCoding.generic, c, {});
    dictCoding.dw.Oob(dictMq);
    dictCoding.ex.Encode(dictMq, 0);
    dictCoding.ex.Encode(dictMq, 3);
    coded = dictMq.Finish();
    dict.insert(dict.end(), coded.begin(), coded.end());
    for (int corner = 0; corner < 4; ++corner) {
        Jbig2Bytes text = test::RegionInfo(40, 24, 0, 0);
        test::PutU16(text, static_cast<std::uint16_t>(2 | 1 << 2 | corner << 4));  // refinement, two strips
        for (int v : {-1, -1, -1, -1}) text.push_back(static_cast<std::uint8_t>(v));
        test::PutU32(text, 5);
        test::MqEncoder textMq;
        test::ArithCoding coding(2);
        coding.dt.Encode(textMq, 2);  // strip T starts at -4
        coding.dt.Encode(textMq, 4);  // T 4
        coding.fs.Encode(textMq, 3);
        coding.it.Encode(textMq, 1);
        coding.id.Encode(textMq, 0);
        coding.ri.Encode(textMq, 0);
        coding.ds.Encode(textMq, 2);
        coding.it.Encode(textMq, 0);
        coding.id.Encode(textMq, 1);
        coding.ri.Encode(textMq, 1);
        coding.rdw.Encode(textMq, 0);
        coding.rdh.Encode(textMq, 0);
        coding.rdx.Encode(textMq, 0);
        coding.rdy.Encode(textMq, 0);
        test::EncodeRefinement(textMq, coding.refinement, refined, b, {});
        coding.ds.Encode(textMq, 25);
        coding.it.Encode(textMq, 1);
        coding.id.Encode(textMq, 2);
        coding.ri.Encode(textMq, 0);
        coding.ds.Oob(textMq);
        coding.dt.Encode(textMq, 4);  // T 12
        coding.fs.Encode(textMq, -1);
        coding.it.Encode(textMq, 0);
        coding.id.Encode(textMq, 2);
        coding.ri.Encode(textMq, 0);
        coding.ds.Encode(textMq, 300);
        coding.it.Encode(textMq, 1);
        coding.id.Encode(textMq, 0);
        coding.ri.Encode(textMq, 0);
        coding.ds.Oob(textMq);
        coded = textMq.Finish();
        text.insert(text.end(), coded.begin(), coded.end());
        Save(folder, "text-corner" + std::to_string(corner), 40, 24,
             test::Sequential({{0, 48, 1, {}, test::PageInfo(40, 24)}, {1, 0, 1, {}, dict}, {2, 6, 1, {1}, text}}));
    }
    // Symbols made from symbols: a refinement of a and an aggregate of a and b, then placed.
    const TestBitmap d = TestBitmap::FromRows({"1111", "1101", "1111", "1010", "1000"});
    Jbig2Bytes aggregate;
    test::PutU16(aggregate, 0x0002);
    for (int v : {3, -1, -3, -1, 2, -2, -2, -2}) aggregate.push_back(static_cast<std::uint8_t>(v));
    for (int v : {-1, -1, -1, -1}) aggregate.push_back(static_cast<std::uint8_t>(v));
    test::PutU32(aggregate, 2);
    test::PutU32(aggregate, 2);
    test::MqEncoder aggregateMq;
    test::ArithCoding aggregateCoding(3);
    aggregateCoding.dh.Encode(aggregateMq, 5);
    aggregateCoding.dw.Encode(aggregateMq, 4);
    aggregateCoding.ai.Encode(aggregateMq, 1);
    aggregateCoding.id.Encode(aggregateMq, 0);
    aggregateCoding.rdx.Encode(aggregateMq, 0);
    aggregateCoding.rdy.Encode(aggregateMq, 0);
    test::EncodeRefinement(aggregateMq, aggregateCoding.refinement, d, a, {});
    aggregateCoding.dw.Encode(aggregateMq, 6);
    aggregateCoding.ai.Encode(aggregateMq, 2);
    aggregateCoding.dt.Encode(aggregateMq, 0);
    aggregateCoding.dt.Encode(aggregateMq, 0);
    aggregateCoding.fs.Encode(aggregateMq, 0);
    aggregateCoding.id.Encode(aggregateMq, 0);
    aggregateCoding.ri.Encode(aggregateMq, 0);
    aggregateCoding.ds.Encode(aggregateMq, 1);
    aggregateCoding.id.Encode(aggregateMq, 1);
    aggregateCoding.ri.Encode(aggregateMq, 0);
    aggregateCoding.ds.Oob(aggregateMq);
    aggregateCoding.dw.Oob(aggregateMq);
    aggregateCoding.ex.Encode(aggregateMq, 3);
    aggregateCoding.ex.Encode(aggregateMq, 2);
    coded = aggregateMq.Finish();
    aggregate.insert(aggregate.end(), coded.begin(), coded.end());
    Jbig2Bytes placed = test::RegionInfo(24, 12, 0, 0);
    test::PutU16(placed, 1 << 4);
    test::PutU32(placed, 2);
    test::MqEncoder placedMq;
    test::ArithCoding placedCoding(1);
    placedCoding.dt.Encode(placedMq, 0);
    placedCoding.dt.Encode(placedMq, 1);
    placedCoding.fs.Encode(placedMq, 1);
    placedCoding.id.Encode(placedMq, 0);
    placedCoding.ds.Encode(placedMq, 3);
    placedCoding.id.Encode(placedMq, 1);
    placedCoding.ds.Oob(placedMq);
    coded = placedMq.Finish();
    placed.insert(placed.end(), coded.begin(), coded.end());
    Save(folder, "aggregate", 24, 12,
         test::Sequential({{0, 48, 1, {}, test::PageInfo(24, 12)},
                           {1, 0, 1, {}, dict},
                           {2, 0, 1, {1}, aggregate},
                           {3, 6, 1, {2}, placed}}));
    return 0;
}
