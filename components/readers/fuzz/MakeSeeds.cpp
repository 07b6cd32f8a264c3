// Writes the seed corpora of the fuzz targets, one folder per target, from the same builders
// the reader tests use.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestArchives.h"
#include "TestDocumentFiles.h"
#include "TestDocuments.h"
#include "TestImageFiles.h"
#include "TestJpeg.h"
#include "TestJpx.h"
#include "TestPdf.h"

using namespace pictrove::test;

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes SmallPng() {
    return MakePng(3, 2, PngColour::kRgb, Bytes(18, 0x80));
}
Bytes SmallGif() {
    return MakeGif(2, 2, {0, 0, 0, 255, 255, 255}, {{{0, 1, 1, 0}, 10}});
}

// A page drawing an RGB image with a soft mask, a stencil, an inline image and a form.
Bytes SeedPdf(const PdfWriteOptions& options) {
    PdfWriter writer;
    const int mask = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceGray "
        "/BitsPerComponent 8 >>",
        Bytes{0, 80, 160, 255});
    const int image = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceRGB "
        "/BitsPerComponent 8 /Filter /FlateDecode /SMask " +
            std::to_string(mask) + " 0 R >>",
        ZlibCompress(Bytes(12, 0x7F)));
    const int stencil =
        writer.AddStream("<< /Type /XObject /Subtype /Image /Width 8 /Height 1 /ImageMask true >>", Bytes{0x5A});
    const int form = writer.AddStream("<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /S " +
                                          std::to_string(stencil) + " 0 R >> >> >>",
                                      Text("1 0 0 rg /S Do"));
    const int root = AddPages(
        writer,
        {{"/Im Do /F Do BI /W 2 /H 1 /CS /G /BPC 8 ID ab EI",
          "<< /XObject << /Im " + std::to_string(image) + " 0 R /F " + std::to_string(form) + " 0 R >> >>", ""}});
    return writer.Write(root, options);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::filesystem::path root = argv[1];

    const std::vector<ZipFileEntry> images = {{"a/page2.png", SmallPng(), true}, {"a/page10.gif", SmallGif(), false}};
    Write(root / "ZipFuzzer", "plain.zip", MakeZip(images));
    Write(root / "ZipFuzzer", "descriptors.zip", MakeZip(images, {.dataDescriptors = true}));
    Write(root / "ZipFuzzer", "zip64.zip", MakeZip(images, {.zip64 = true}));

    const auto text = [](const char* value) { return ToBytes(value); };
    Write(root / "EpubFuzzer", "book.epub",
          MakeZip({{"mimetype", text("application/epub+zip"), false},
                   {"META-INF/container.xml",
                    text("<container><rootfiles><rootfile full-path=\"o/c.opf\"/></rootfiles></container>"), true},
                   {"o/c.opf",
                    text("<package><metadata><meta name=\"cover\" content=\"i\"/></metadata><manifest>"
                         "<item id=\"t\" href=\"t.xhtml\"/><item id=\"i\" href=\"i/a.png\" media-type=\"image/png\"/>"
                         "</manifest><spine><itemref idref=\"t\"/></spine></package>"),
                    true},
                   {"o/t.xhtml", text("<html><img src=\"i/b.gif\"/><svg><image xlink:href=\"i/a.png\"/></svg></html>"),
                    true},
                   {"o/i/a.png", SmallPng(), true},
                   {"o/i/b.gif", SmallGif(), false}}));
    Write(root / "ComicFuzzer", "comic.cbz", MakeZip(images));
    Write(root / "ComicFuzzer", "comic64.cbz", MakeZip(images, {.dataDescriptors = true, .zip64 = true}));
    // RAR comics; the archive target's first byte picks the signature it puts in front.
    const std::vector<ArchiveFile> pages = {{"p2.png", SmallPng()}, {"d", {}, true}, {"d/p1.gif", SmallGif()}};
    Write(root / "ComicFuzzer", "comic4.cbr", MakeRar4(pages, {.solid = true}));
    Write(root / "ComicFuzzer", "comic5.cbr", MakeRar5(pages));
    const auto tagged = [](std::uint8_t tag, const Bytes& archive, std::size_t signature) {
        Bytes bytes = {tag};
        bytes.insert(bytes.end(), archive.begin() + static_cast<std::ptrdiff_t>(signature), archive.end());
        return bytes;
    };
    Write(root / "ArchiveFuzzer", "rar4", tagged(1, MakeRar4(pages), 7));
    Write(root / "ArchiveFuzzer", "rar5-solid", tagged(2, MakeRar5(pages, {.solid = true}), 8));
    Write(root / "ArchiveFuzzer", "rar5-encrypted",
          tagged(2, MakeRar5({{"p.png", SmallPng(), false, true}, {"q.png", SmallPng()}}), 8));
    Write(root / "ArchiveFuzzer", "rar5-compressed", tagged(2, kRar5CompressedSample, 8));
    Write(root / "ArchiveFuzzer", "rar5-solid-compressed", tagged(2, kRar5SolidSample, 8));
    Write(root / "ArchiveFuzzer", "rar4-encrypted", tagged(1, kRar4EncryptedDataSample, 7));
    Write(
        root / "XpsFuzzer", "doc.xps",
        MakeZip({{"_rels/.rels",
                  text("<Relationships><Relationship Type=\"x/fixedrepresentation\" Target=\"/s.fdseq\"/>"
                       "</Relationships>"),
                  true},
                 {"s.fdseq",
                  text("<FixedDocumentSequence><DocumentReference Source=\"d.fdoc\"/></FixedDocumentSequence>"), true},
                 {"d.fdoc", text("<FixedDocument><PageContent Source=\"1.fpage\"/></FixedDocument>"), true},
                 {"1.fpage", text("<FixedPage><ImageBrush ImageSource=\"r/a.png\"/></FixedPage>"), true},
                 {"r/a.png", SmallPng(), true}}));
    const Bytes png64 = Base64(SmallPng());
    const std::string book =
        "<?xml version=\"1.0\" encoding=\"windows-1251\"?><FictionBook><description><coverpage>"
        "<image l:href=\"#a\"/></coverpage></description><body><image l:href=\"#a\"/></body>"
        "<binary id=\"a\">" +
        std::string(png64.begin(), png64.end()) + "</binary></FictionBook>";
    Write(root / "Fb2Fuzzer", "book.fb2", ToBytes(book));
    Write(root / "Fb2Fuzzer", "book.fb2.zip", MakeZip({{"book.fb2", ToBytes(book), true}}));
    PcxPicture indexed{3, 2, 8, 1, 4, Bytes(8, 0xC5), {}, Bytes(768, 0x40), true};
    PcxPicture rgb{2, 2, 8, 3, 2, {10, 20, 30, 40, 50, 60, 11, 21, 31, 41, 51, 61}, {}, {}, true};
    PcxPicture planes{9, 1, 1, 4, 2, {0xFF, 0x80, 0x0F, 0, 0xF0, 0x80, 0x55, 0}, Bytes(48, 0x33), {}, true};
    Write(root / "PcxFuzzer", "indexed.pcx", MakePcx(indexed));
    Write(root / "PcxFuzzer", "rgb.pcx", MakePcx(rgb));
    Write(root / "PcxFuzzer", "planes.pcx", MakePcx(planes));
    Write(root / "PcxFuzzer", "pages.dcx", MakeDcx({MakePcx(indexed), MakePcx(rgb)}));

    // The PDF target's first byte picks the password: 0 none, 1 "user", 2 "owner".
    const auto pdfSeed = [&](const std::string& name, std::uint8_t password, const Bytes& file) {
        Bytes bytes{password};
        bytes.insert(bytes.end(), file.begin(), file.end());
        Write(root / "PdfFuzzer", name, bytes);
    };
    pdfSeed("table.pdf", 0, SeedPdf({}));
    pdfSeed("streams.pdf", 0, SeedPdf({.xrefStream = true, .objectStreams = true}));
    pdfSeed("broken.pdf", 0, SeedPdf({.xrefShift = 5}));
    const PdfEncryption rc4{3, 128, false, false, "", "owner"};
    const PdfEncryption rc4User{2, 40, false, false, "user", "owner"};
    const PdfEncryption aes{4, 128, true, false, "user", "owner"};
    const PdfEncryption aes256{6, 256, false, false, "user", "owner"};
    pdfSeed("rc4.pdf", 0, SeedPdf({.encryption = &rc4}));
    pdfSeed("rc4-user.pdf", 1, SeedPdf({.encryption = &rc4User}));
    pdfSeed("aes-owner.pdf", 2, SeedPdf({.encryption = &aes}));
    pdfSeed("aes256-user.pdf", 1, SeedPdf({.encryption = &aes256}));
    // Pictures the reader hands to the JPEG and JPEG 2000 codecs: gray, RGB and CMYK JPEG (an
    // Adobe-inverted one through Decode), and JPEG 2000 with and without its box wrapper.
    {
        PdfWriter writer;
        const auto image = [&](const std::string& colour, const std::string& filter, const Bytes& data,
                               const std::string& extra = "") {
            return writer.AddStream("<< /Type /XObject /Subtype /Image /Width 16 /Height 8 " + colour +
                                        " /BitsPerComponent 8 /Filter /" + filter + extra + " >>",
                                    data);
        };
        JpxPlane plane;
        for (int i = 0; i < 128; ++i) plane.values.push_back(i * 2);
        const int gray = image("/ColorSpace /DeviceGray", "DCTDecode", JpegOfColour(16, 8, {90}, {1}));
        const int rgb = image("/ColorSpace /DeviceRGB", "DCTDecode", JpegOfColour(16, 8, {9, 90, 200}, {3, true}));
        const int cmyk = image("/ColorSpace /DeviceCMYK", "DCTDecode",
                               JpegOfColour(16, 8, {1, 2, 3, 4}, {4, true, true}), " /Decode [1 0 1 0 1 0 1 0]");
        const int jp2 = image("", "JPXDecode", MakeJpx(16, 8, {plane}, {8, true, 2}));
        const int j2k = image("/ColorSpace /DeviceGray", "JPXDecode", MakeJpx(16, 8, {plane}, {8, false, 0}));
        const auto ref = [](int n) { return std::to_string(n) + " 0 R"; };
        const int root = AddPages(writer, {{"/A Do /B Do /C Do /D Do /E Do",
                                            "<< /XObject << /A " + ref(gray) + " /B " + ref(rgb) + " /C " + ref(cmyk) +
                                                " /D " + ref(jp2) + " /E " + ref(j2k) + " >> >>",
                                            ""}});
        pdfSeed("codecs.pdf", 0, writer.Write(root, {}));
    }
    const Bytes samples = Text("some sample bytes, some sample bytes, repeated");
    Bytes flate = {4};
    const Bytes compressed = ZlibCompress(samples);
    flate.insert(flate.end(), compressed.begin(), compressed.end());
    Write(root / "PdfFilterFuzzer", "flate", flate);
    Write(root / "PdfFilterFuzzer", "hex", Bytes{0, '4', '1', '4', '2', ' ', '4', '3', '>'});
    Write(root / "PdfFilterFuzzer", "a85", Bytes{1, '9', 'j', 'q', 'o', '^', '~', '>'});
    Write(root / "PdfFilterFuzzer", "runlength", Bytes{2, 2, 'a', 'b', 'c', 253, 'z', 128});
    Write(root / "PdfFilterFuzzer", "lzw", Bytes{3, 0x80, 0x0B, 0x60, 0x50, 0x22, 0x0C, 0x0C, 0x85, 0x01});
    Write(root / "PdfFilterFuzzer", "g4",
          Bytes{0x25, 0x26, 0xa8, 0xda, 0x36, 0x8d, 0xa0, 0x41, 0x6f, 0xff, 0x40, 0x81});
    Write(root / "PdfFilterFuzzer", "png", Bytes{0x0A, 2, 1, 2, 3, 4, 1, 9, 9, 9, 9});
    Write(root / "PdfSecurityFuzzer", "v2.txt",
          Text("<< /Filter /Standard /V 2 /R 3 /Length 128 /P -4 /O "
               "<00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF> "
               "/U <00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF> >> (cipher text)"));
    Write(root / "PdfSecurityFuzzer", "v4.txt",
          Text("<< /Filter /Standard /V 4 /R 4 /P -4 /CF << /StdCF << /CFM /AESV2 /Length 16 >> >> /StmF /StdCF "
               "/StrF /StdCF /O <00> /U <00> >> 0123456789abcdef0123456789abcdef"));
    // The security target reads an encryption dictionary, then data to decrypt, with the
    // password "user" and the first identifier "0123456789abcdef": dictionaries as the PDF
    // writer makes them for that identifier, revision 6 included (its password hash).
    const auto encryptionDictionary = [](const PdfEncryption& encryption) {
        const Bytes file = SeedPdf({.encryption = &encryption, .id = "0123456789abcdef"});
        const std::string text(file.begin(), file.end());
        const std::size_t standard = text.find("/Standard");
        const std::size_t start = text.rfind("obj", standard) + 3;
        const std::size_t end = text.find("endobj", standard);
        Bytes dict = Text(text.substr(start, end - start) + " (cipher text, 32 bytes of it..) ");
        dict.insert(dict.end(), 48, 0xA5);
        return dict;
    };
    for (const auto& [name, encryption] :
         std::vector<std::pair<std::string, PdfEncryption>>{{"r2.txt", {2, 40, false, false, "user", "owner"}},
                                                            {"r4-aes.txt", {4, 128, true, false, "user", "owner"}},
                                                            {"r4-identity.txt", {4, 128, true, true, "user", "owner"}},
                                                            {"r6.txt", {6, 256, false, false, "user", "owner"}},
                                                            {"r6-owner.txt", {6, 256, false, false, "", "user"}}}) {
        Write(root / "PdfSecurityFuzzer", name, encryptionDictionary(encryption));
    }
    // PictureCodecFuzzer: an even first byte for JPEG, an odd one for JPEG 2000.
    const auto withSelector = [](std::uint8_t selector, const Bytes& file) {
        Bytes out{selector};
        out.insert(out.end(), file.begin(), file.end());
        return out;
    };
    Write(root / "PictureCodecFuzzer", "gray.jpg", withSelector(0, JpegOfColour(24, 16, {90}, {1})));
    Write(root / "PictureCodecFuzzer", "progressive.jpg",
          withSelector(0, JpegOfColour(24, 16, {9, 90, 200}, {3, true, false, true})));
    Write(root / "PictureCodecFuzzer", "arithmetic.jpg",
          withSelector(0, JpegOfColour(24, 16, {9, 90, 200}, {3, true, false, false, true})));
    Write(root / "PictureCodecFuzzer", "ycck.jpg",
          withSelector(0, JpegOfColour(16, 16, {1, 2, 3, 4}, {4, true, true})));
    JpxPlane plane;
    for (int i = 0; i < 64; ++i) plane.values.push_back(i * 3);
    JpxPlane half;
    for (int i = 0; i < 16; ++i) half.values.push_back(i * 9);
    half.dx = half.dy = 2;
    Write(root / "PictureCodecFuzzer", "gray.jp2", withSelector(1, MakeJpx(8, 8, {plane}, {8, true, 2})));
    Write(root / "PictureCodecFuzzer", "sub.j2k", withSelector(1, MakeJpx(8, 8, {plane, half, half}, {8, false, 0})));
    PsdPicture psdRgb{3, 2, 8, 3, {Bytes(6, 10), Bytes(6, 20), Bytes(6, 30), Bytes(6, 255)}, true, true};
    PsdPicture psdGray{2, 2, 16, 1, {Bytes(8, 0x40)}, false, false};
    Write(root / "PsdFuzzer", "rgba-packed.psd", MakePsd(psdRgb));
    Write(root / "PsdFuzzer", "gray16.psd", MakePsd(psdGray));
    Write(root / "ImageHeaderFuzzer", "a.png", SmallPng());
    Write(root / "ImageHeaderFuzzer", "a.gif", SmallGif());
    Write(root / "ImageHeaderFuzzer", "a.ico", MakeIco({{2, 2, Bytes(16, 0xFF), {}}}));

    MobiBookLayout mobiBook;
    mobiBook.resources = {SmallPng(), ToBytes("FONT...."), SmallGif(), MakeJpegHeaderOnly(4, 4)};
    mobiBook.coverOffset = 2;
    mobiBook.thumbOffset = 3;
    Write(root / "PalmDatabaseFuzzer", "book.mobi", MakeMobi(mobiBook));
    mobiBook.boundaryAfterResources = true;
    Write(root / "PalmDatabaseFuzzer", "combined.azw3", MakeMobi(mobiBook));
    Bytes viewer(58, 0);
    viewer[32] = 1;
    viewer[55] = 16;
    viewer[57] = 2;
    viewer.insert(viewer.end(), {0x83, 0x1B, 3, 1, 2, 3, 4});
    Write(root / "PalmDatabaseFuzzer", "viewer.pdb", MakePalmDatabase("v", "vIMG", "View", {viewer}));
    Bytes ereader = ToBytes("PNG cover.png");
    ereader.resize(62, 0);
    const Bytes png = SmallPng();
    ereader.insert(ereader.end(), png.begin(), png.end());
    Write(root / "PalmDatabaseFuzzer", "ereader.pdb",
          MakePalmDatabase("e", "PNRd", "PPrs", {ToBytes("header"), ereader}));

    // A Plucker mobiBook: its index, then a raw 8 x 2 one-bit bitmap and the same bitmap packed by
    // scanline (versions 1 and 2 of the bitmap header).
    const Bytes pluckerIndex = {0, 1, 0, 1, 0, 0};
    const Bytes rawBitmap = {0, 8, 0, 2, 0, 2, 0, 0, 1, 1, 0, 0, 0, 0xFF, 0, 0, 0xA5, 0, 0x5A, 0};
    const Bytes packedBitmap = {0, 8, 0, 2, 0, 2, 0x80, 0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 8, 0xC0, 0xA5, 0, 0xC0, 0x5A, 0};
    Bytes rawRecord = {0, 2, 0, 0, 0, 20, 2, 0};
    rawRecord.insert(rawRecord.end(), rawBitmap.begin(), rawBitmap.end());
    Bytes packedRecord = {0, 3, 0, 0, 0, 24, 2, 0};
    packedRecord.insert(packedRecord.end(), packedBitmap.begin(), packedBitmap.end());
    Write(root / "PalmDatabaseFuzzer", "plucker.pdb",
          MakePalmDatabase("p", "Data", "Plkr", {pluckerIndex, rawRecord, packedRecord}));

    WordDocumentSpec word;
    word.text = std::string("a\x01 b \x08 c \x01\r");
    word.pictures = {{MakeBlip(0xF01E, SmallPng())},
                     {MakeBlip(0xF01F, Bytes(40, 0)), true, true},
                     {MakeMetafileBlip(0xF01B, Bytes(24, 3), true, 100, 50, 914400, 457200)}};
    Write(root / "CompoundFileFuzzer", "pictures.doc", MakeWordDocument(word));
    Write(root / "CompoundFileFuzzer", "streams.cfb",
          MakeCompoundFile({{u"Big", Bytes(5000, 1)}, {u"Small", Bytes(300, 2)}}));
    return 0;
}
