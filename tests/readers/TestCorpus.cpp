// Documents of every reader for the checks that hold for all of them.
#include "TestCorpus.h"

#include <array>

#include "Jbig2TestStreams.h"
#include "TestArchives.h"
#include "TestDocumentFiles.h"
#include "TestDocuments.h"
#include "TestJpeg.h"
#include "TestPdf.h"

namespace pictrove::test {
namespace {

Bytes Ramp(std::size_t count, int step) {
    Bytes out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(i * step);
    return out;
}

Bytes GrayPng(int width, int height) {
    return MakePng(width, height, PngColour::kGray, Ramp(std::size_t(width) * height, 17));
}

Bytes ColourPng(int width, int height) {
    return MakePng(width, height, PngColour::kRgb, Ramp(std::size_t(width) * height * 3, 29));
}

Bytes TwoFrameGif(int width, int height) {
    const Bytes palette = {0, 0, 0, 255, 255, 255, 200, 30, 30};
    return MakeGif(width, height, palette,
                   {{Ramp(std::size_t(width) * height, 1), 10}, {Bytes(std::size_t(width) * height, 2), 10}});
}

Bytes ColourJpeg(int width, int height) {
    return JpegOfColour(width, height, Bytes{200, 40, 90}, JpegOptions{});
}

// A little-endian TIFF of 8-bit gray pages, one strip each, uncompressed.
Bytes GrayTiff(const std::vector<std::pair<int, int>>& pages) {
    Bytes out = {'I', 'I', 42, 0, 0, 0, 0, 0};
    const auto put16 = [&](std::uint16_t v) { out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); };
    const auto put32 = [&](std::uint32_t v) {
        out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
    };
    const auto set32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = std::uint8_t(v >> (8 * i));
    };
    std::size_t link = 4;  // where the offset of the next directory goes
    for (const auto& [width, height] : pages) {
        const std::uint32_t data = static_cast<std::uint32_t>(out.size());
        const Bytes samples = Ramp(std::size_t(width) * height, 7);
        out.insert(out.end(), samples.begin(), samples.end());
        if (out.size() % 2) out.push_back(0);
        set32(link, static_cast<std::uint32_t>(out.size()));
        const std::vector<std::array<std::uint32_t, 3>> tags = {{256, 4, std::uint32_t(width)},
                                                                {257, 4, std::uint32_t(height)},
                                                                {258, 3, 8},
                                                                {259, 3, 1},
                                                                {262, 3, 1},
                                                                {273, 4, data},
                                                                {277, 3, 1},
                                                                {278, 4, std::uint32_t(height)},
                                                                {279, 4, std::uint32_t(samples.size())}};
        put16(static_cast<std::uint16_t>(tags.size()));
        for (const auto& [tag, type, value] : tags) {
            put16(static_cast<std::uint16_t>(tag));
            put16(static_cast<std::uint16_t>(type));
            put32(1);
            if (type == 3) {
                put16(static_cast<std::uint16_t>(value));
                put16(0);
            } else {
                put32(value);
            }
        }
        link = out.size();
        put32(0);
    }
    return out;
}

std::string Ref(int number) {
    return std::to_string(number) + " 0 R";
}

Bytes Pdf() {
    PdfWriter writer;
    const int gray = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 5 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
        Ramp(15, 13));
    const int mask = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 3 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
        Bytes{255, 0, 128, 64, 32, 16});
    const int colour = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 3 /Height 2 /ColorSpace /DeviceRGB /BitsPerComponent 8 "
        "/Filter /FlateDecode /SMask " +
            Ref(mask) + " >>",
        ZlibCompress(Ramp(18, 11)));
    const int photo = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 8 /Height 4 /ColorSpace /DeviceRGB /BitsPerComponent 8 "
        "/Filter /DCTDecode >>",
        ColourJpeg(8, 4));
    const int root =
        AddPages(writer, {{"/G Do /C Do", "<< /XObject << /G " + Ref(gray) + " /C " + Ref(colour) + " >> >>", ""},
                          {"/P Do BI /W 2 /H 2 /CS /G /BPC 8 ID \x10\x20\x30\x40 EI",
                           "<< /XObject << /P " + Ref(photo) + " >> >>", ""}});
    return writer.Write(root);
}

Bytes Jbig2() {
    const TestBitmap first = TestBitmap::FromRows({"1100", "0110", "0011"});
    const TestBitmap second = TestBitmap::FromRows({"10101", "01010"});
    GenericEncoding encoding;
    const std::vector<TestSegment> segments = {
        {0, 48, 1, {}, PageInfo(6, 4)}, {1, 38, 1, {}, GenericRegion(first, 1, 1, encoding)},  {2, 49, 1, {}, {}},
        {3, 48, 2, {}, PageInfo(5, 2)}, {4, 38, 2, {}, GenericRegion(second, 0, 0, encoding)}, {5, 49, 2, {}, {}},
    };
    return Jbig2File(segments, true, 2);
}

Bytes Xps() {
    return MakeZip({
        {"_rels/.rels",
         ToBytes("<Relationships><Relationship Type=\"http://schemas.openxps.org/oxps/v1.0/"
                 "fixedrepresentation\" Target=\"/seq.fdseq\"/></Relationships>"),
         true},
        {"seq.fdseq", ToBytes("<FixedDocumentSequence><DocumentReference Source=\"d.fdoc\"/></FixedDocumentSequence>"),
         true},
        {"d.fdoc", ToBytes("<FixedDocument><PageContent Source=\"p/1.fpage\"/></FixedDocument>"), true},
        {"p/1.fpage",
         ToBytes("<FixedPage><Path><Path.Fill><ImageBrush ImageSource=\"../r/photo.png\"/></Path.Fill></Path>"
                 "<Path><Path.Fill><ImageBrush ImageSource=\"../r/snap.jpg\"/></Path.Fill></Path></FixedPage>"),
         true},
        {"r/photo.png", ColourPng(5, 2), true},
        {"r/snap.jpg", ColourJpeg(6, 3), false},
    });
}

Bytes FictionBook() {
    const Bytes png = Base64(ColourPng(4, 3));
    const Bytes gif = Base64(TwoFrameGif(3, 2));
    return ToBytes(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><FictionBook><body><image l:href=\"#pic.png\"/>"
        "<image l:href=\"#anim.gif\"/></body><binary id=\"pic.png\" content-type=\"image/png\">" +
        std::string(png.begin(), png.end()) + "</binary><binary id=\"anim.gif\" content-type=\"image/gif\">" +
        std::string(gif.begin(), gif.end()) + "</binary></FictionBook>");
}

Bytes Epub() {
    const char* container =
        "<?xml version=\"1.0\"?><container version=\"1.0\"><rootfiles><rootfile full-path=\"OEBPS/content.opf\" "
        "media-type=\"application/oebps-package+xml\"/></rootfiles></container>";
    const char* package =
        "<?xml version='1.0' encoding='utf-8'?><package version=\"2.0\"><metadata><meta name=\"cover\" "
        "content=\"cov\"/></metadata><manifest><item id=\"ch1\" href=\"ch1.xhtml\" "
        "media-type=\"application/xhtml+xml\"/><item id=\"cov\" href=\"cover.jpg\" media-type=\"image/jpeg\"/>"
        "</manifest><spine><itemref idref=\"ch1\"/></spine></package>";
    const char* chapter = "<html><body><img src=\"a.png\"/><img src=\"b.gif\"/></body></html>";
    return MakeZip({{"mimetype", ToBytes("application/epub+zip"), false},
                    {"META-INF/container.xml", ToBytes(container), true},
                    {"OEBPS/content.opf", ToBytes(package), true},
                    {"OEBPS/ch1.xhtml", ToBytes(chapter), true},
                    {"OEBPS/a.png", GrayPng(6, 2), true},
                    {"OEBPS/b.gif", TwoFrameGif(3, 4), false},
                    {"OEBPS/cover.jpg", ColourJpeg(10, 6), false}});
}

// An enhanced metafile header and end record alone: 25.4 mm x 12.7 mm.
Bytes HeaderOnlyEmf() {
    Bytes emf(88, 0);
    const auto set = [&](std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) emf[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    set(0, 1);
    set(4, 88);
    set(32, 2540);
    set(36, 1270);
    set(40, 0x464D4520);
    set(44, 0x10000);
    set(48, 88 + 20);
    set(52, 2);
    set(56, 1);
    set(72, 1024);
    set(76, 768);
    set(80, 320);
    set(84, 240);
    const Bytes end = {0x0E, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0, 20, 0, 0, 0};
    emf.insert(emf.end(), end.begin(), end.end());
    return emf;
}

Bytes Word() {
    const Bytes bmp = MakeBmp24(3, 2, Ramp(18, 9));
    const Bytes dib(bmp.begin() + 14, bmp.end());
    const Bytes wmf = {1, 0, 9, 0, 0, 3, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0};
    WordDocumentSpec layout;
    layout.pictures = {{MakeBlip(0xF01E, ColourPng(4, 3))},
                       {MakeBlip(0xF01D, ColourJpeg(9, 5)), true},
                       {MakeBlip(0xF01F, dib)},
                       {MakeMetafileBlip(0xF01A, HeaderOnlyEmf(), true, 100, 50, 914400, 457200)},
                       {MakeMetafileBlip(0xF01B, wmf, false, 1440, 720, 914400, 457200)}};
    layout.text = std::string("Pictures \x01 and \x08 and \x01 and \x01 and \x01\r");
    return MakeWordDocument(layout);
}

Bytes Mobi() {
    MobiBookLayout layout;
    layout.resources = {GrayPng(5, 4), ColourJpeg(7, 3), TwoFrameGif(2, 2)};
    layout.coverOffset = 1;
    return MakeMobi(layout);
}

}  // namespace

std::vector<CorpusDocument> ReaderCorpus() {
    std::vector<CorpusDocument> corpus;
    corpus.push_back({1, "pages.tif", GrayTiff({{7, 5}, {3, 9}})});
    corpus.push_back({3, "report.pdf", Pdf()});
    corpus.push_back({5, "photo.png", ColourPng(6, 5)});
    corpus.push_back({5, "frames.gif", TwoFrameGif(4, 3)});
    corpus.push_back({5, "shot.jpg", ColourJpeg(11, 7)});
    corpus.push_back({5, "dots.bmp", MakeBmp24(3, 2, Ramp(18, 5))});
    corpus.push_back({5, "app.ico", MakeIco({{16, 16, Ramp(16 * 16 * 4, 3), {}}, {32, 32, {}, ColourPng(32, 32)}})});
    corpus.push_back({5, "layers.psd", MakePsd({5, 3, 8, 3, {Ramp(15, 3), Ramp(15, 5), Ramp(15, 7)}})});
    corpus.push_back({6, "paper.xps", Xps()});
    corpus.push_back({7, "comic.cbz",
                      MakeZip({{"01.png", ColourPng(6, 4), true},
                               {"02.jpg", ColourJpeg(5, 8), false},
                               {"03.gif", TwoFrameGif(3, 3), true}})});
    corpus.push_back({7, "comic.cbr", MakeRar4({{"01.png", GrayPng(4, 4)}, {"02.jpg", ColourJpeg(6, 2)}})});
    corpus.push_back({9, "scan.jb2", Jbig2()});
    corpus.push_back({10, "book.fb2", FictionBook()});
    corpus.push_back({11, "pic.pcx", MakePcx({4, 2, 8, 3, 4, Ramp(24, 9), {}, {}, true})});
    corpus.push_back({11, "fax.dcx",
                      MakeDcx({MakePcx({2, 2, 8, 1, 2, Ramp(4, 50), {}, Ramp(768, 1), true}),
                               MakePcx({3, 1, 8, 3, 4, Ramp(12, 20), {}, {}, false})})});
    corpus.push_back({12, "novel.mobi", Mobi()});
    corpus.push_back({13, "novel.epub", Epub()});
    corpus.push_back({14, "letter.doc", Word()});
    return corpus;
}

}  // namespace pictrove::test
