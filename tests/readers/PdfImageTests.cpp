// The PDF reader from whole files: structure and recovery, which images are listed in which
// order under which names, their pixels for every colour space, depth, filter and mask kind,
// and encrypted documents of every revision with user and owner passwords.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include <lcms2.h>

#include "AllocationProbe.h"
#include "TestJpeg.h"
#include "TestJpx.h"
#include "TestPdf.h"
#include "codecs/CmykModel.h"
#include "codecs/Jpeg.h"
#include "pdf/PdfSource.h"

namespace pictrove::readers {
namespace {

using test::Bytes;
using test::PdfEncryption;
using test::PdfPageSpec;
using test::PdfWriteOptions;
using test::PdfWriter;

std::string Narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

std::string HexString(const Bytes& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out = "<";
    for (auto b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out + ">";
}

// Stands in for the platform's JPEG decoder: checks it was handed the embedded bytes and
// returns a fixed 2 x 1 picture (gray 10 and 200, or red and blue).
class StandInJpeg final : public PayloadDecoder {
  public:
    std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t> file, unsigned) override {
        if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8) return std::nullopt;
        const bool colour = file[2] == 'C';
        auto image = DecodedImage::Allocate(colour ? PixelType::kBgr24 : PixelType::kGray8, 2, 1);
        if (colour) {
            const std::uint8_t row[] = {0, 0, 255, 255, 0, 0};
            std::memcpy(image->Row(0), row, 6);
        } else {
            image->Row(0)[0] = 10;
            image->Row(0)[1] = 200;
        }
        return image;
    }
    unsigned FrameCount(std::span<const std::uint8_t>) override { return 1; }
};

struct Opened {
    std::unique_ptr<PdfSource> source = std::make_unique<PdfSource>(std::make_shared<StandInJpeg>());
    OpenStatus status = OpenStatus::kNotReadable;

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& image : source->Images()) names.push_back(Narrow(image.name));
        return names;
    }
    std::optional<DecodedImage> Decode(std::size_t index) const { return source->Decode(index); }
};

Opened Open(const Bytes& file, const std::u16string& password = u"") {
    Opened opened;
    OpenRequest request;
    request.bytes = file;
    request.path = u"C:\\docs\\test.pdf";
    request.password = password;
    opened.status = opened.source->Open(std::move(request));
    return opened;
}

// An image XObject dictionary with its data; returns the object number.
int AddImage(PdfWriter& writer, int width, int height, const std::string& rest, const Bytes& data) {
    return writer.AddStream("<< /Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
                                std::to_string(height) + " " + rest + " >>",
                            data);
}

std::string Ref(int number) {
    return std::to_string(number) + " 0 R";
}

// One page drawing the named image XObjects in order.
Bytes OnePage(PdfWriter& writer,
              const std::vector<std::pair<std::string, int>>& images,
              const PdfWriteOptions& options = {},
              const std::string& extraResources = "") {
    std::string content;
    std::string xobjects;
    for (const auto& [name, number] : images) {
        content += "q 10 0 0 10 0 0 cm /" + name + " Do Q\n";
        xobjects += "/" + name + " " + Ref(number) + " ";
    }
    const int root =
        test::AddPages(writer, {{content, "<< /XObject << " + xobjects + " >> " + extraResources + " >>", ""}});
    return writer.Write(root, options);
}

std::vector<int> Pixel(const DecodedImage& image, int x, int y) {
    const int bpp = BytesPerPixel(image.type);
    const std::uint8_t* p = image.Row(y) + x * bpp;
    return std::vector<int>(p, p + bpp);
}

// --- structure ----------------------------------------------------------------------------

// Page 1 draws Im2 then Im1, page 2 draws Im1 again (listed once) and Im3.
Bytes TwoPageDocument(const PdfWriteOptions& options) {
    PdfWriter writer;
    const int a = AddImage(writer, 3, 2, "/ColorSpace /DeviceGray /BitsPerComponent 8", Bytes(6, 0x40));
    const int b = AddImage(writer, 5, 4, "/ColorSpace /DeviceGray /BitsPerComponent 8", Bytes(20, 0x80));
    const int c = AddImage(writer, 1, 7, "/ColorSpace /DeviceGray /BitsPerComponent 8", Bytes(7, 0xC0));
    const std::string resources = "<< /XObject << /Im1 " + Ref(a) + " /Im2 " + Ref(b) + " /Im3 " + Ref(c) + " >> >>";
    const int root = test::AddPages(writer, {{"/Im2 Do /Im1 Do", resources, ""}, {"/Im1 Do /Im3 Do", resources, ""}});
    return writer.Write(root, options);
}

void ExpectTwoPageList(const Opened& opened) {
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    EXPECT_EQ(opened.Names(), (std::vector<std::string>{"Page1_Im2", "Page1_Im1", "Page2_Im3"}));
    const auto& images = opened.source->Images();
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0].width, 5);
    EXPECT_EQ(images[0].height, 4);
    EXPECT_EQ(images[2].width, 1);
    EXPECT_EQ(images[2].height, 7);
    auto pixels = opened.Decode(2);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->type, PixelType::kGray8);
    EXPECT_EQ(Pixel(*pixels, 0, 6), std::vector<int>{0xC0});
}

TEST(PdfStructure, EveryCrossReferenceFormGivesTheSameImages) {
    const struct {
        const char* label;
        PdfWriteOptions options;
        bool repaired;
    } cases[] = {
        {"classic table", {}, false},
        {"cross-reference stream", {.xrefStream = true}, false},
        {"object streams", {.xrefStream = true, .objectStreams = true}, false},
        {"hybrid: table and cross-reference stream", {.objectStreams = true, .hybrid = true}, false},
        {"offsets 7 bytes late", {.xrefShift = 7}, true},
        {"offsets 3 bytes early", {.xrefShift = -3}, true},
        {"stream offsets wrong", {.xrefStream = true, .xrefShift = 11}, true},
        {"no table at all", {.omitXref = true}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto opened = Open(TwoPageDocument(c.options));
        ExpectTwoPageList(opened);
        EXPECT_EQ(opened.source->Repaired(), c.repaired);
        EXPECT_FALSE(opened.source->Damaged()) << "a rebuilt table of a whole file is no damage";
    }
    // Cut short, the file loses its end marker with its table: a rebuilt list may lack pictures.
    const Bytes whole = TwoPageDocument({});
    for (const std::size_t lost : {std::size_t{8}, whole.size() / 3}) {
        SCOPED_TRACE("lost " + std::to_string(lost) + " bytes");
        const auto cut = Open(Bytes(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(lost)));
        ASSERT_EQ(cut.status, OpenStatus::kOpened);
        EXPECT_TRUE(cut.source->Damaged());
    }
}

TEST(PdfStructure, IncrementalUpdateReplacesObjectsNewestFirst) {
    PdfWriter writer;
    const int image = AddImage(writer, 4, 4, "/ColorSpace /DeviceGray /BitsPerComponent 8", Bytes(16, 1));
    const int root = test::AddPages(writer, {{"/Im0 Do", "<< /XObject << /Im0 " + Ref(image) + " >> >>", ""}});
    const Bytes base = writer.Write(root);
    ASSERT_EQ(Open(base).source->Images()[0].width, 4);

    PdfWriter update;
    for (std::size_t i = 0; i < writer.Count(); ++i) update.Reserve();
    update.SetStream(image,
                     "<< /Type /XObject /Subtype /Image /Width 8 /Height 2 /ColorSpace /DeviceGray "
                     "/BitsPerComponent 8 >>",
                     Bytes(16, 99));
    const Bytes updated = update.AppendUpdate(base, root, test::StartXref(base));
    auto opened = Open(updated);
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    ASSERT_EQ(opened.source->Images().size(), 1u);
    EXPECT_EQ(opened.source->Images()[0].width, 8);
    auto pixels = opened.Decode(0);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(Pixel(*pixels, 7, 1), std::vector<int>{99});
}

TEST(PdfStructure, DamagedFilesFailCleanlyOrKeepWhatSurvives) {
    const Bytes good = TwoPageDocument({});
    EXPECT_EQ(Open(Bytes{}).status, OpenStatus::kNotReadable);
    EXPECT_EQ(Open(test::ZlibCompress(good)).status, OpenStatus::kNotReadable);
    Bytes noHeader(good.begin() + 9, good.end());
    EXPECT_EQ(Open(noHeader).status, OpenStatus::kNotReadable);
    // Every cut and a run of corruptions: no crash, no hang, and whatever opens decodes.
    for (std::size_t cut = 0; cut < good.size(); cut += 37) {
        SCOPED_TRACE(cut);
        auto opened = Open(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)));
        if (opened.status == OpenStatus::kOpened) {
            for (std::size_t i = 0; i < opened.source->Images().size(); ++i) (void)opened.Decode(i);
        }
    }
    for (std::size_t at = 20; at < good.size(); at += 23) {
        Bytes damaged = good;
        damaged[at] = static_cast<std::uint8_t>(damaged[at] ^ 0x5A);
        auto opened = Open(damaged);
        if (opened.status == OpenStatus::kOpened) {
            for (std::size_t i = 0; i < opened.source->Images().size(); ++i) (void)opened.Decode(i);
        }
    }
    // Junk before the header moves every offset: recovery still finds the objects.
    Bytes prefixed = test::Text("garbage from a mail gateway\r\n");
    prefixed.insert(prefixed.end(), good.begin(), good.end());
    ExpectTwoPageList(Open(prefixed));
}

// Images first, then the page, its tree and the catalog last, as many writers lay a file out:
// a file cut near its end loses the structure but keeps every picture. Image 3 is the soft mask
// of image 2 and no picture of its own.
struct ImagesFirst {
    Bytes file;
    std::size_t imagesEnd = 0;     // just after the last image object
    std::size_t treeStart = 0;     // where the page tree begins
    std::size_t catalogStart = 0;  // where the catalog begins
};

ImagesFirst ImagesFirstDocument(const PdfWriteOptions& options = {}) {
    PdfWriter writer;
    Bytes gray(12);
    for (std::size_t i = 0; i < gray.size(); ++i) gray[i] = static_cast<std::uint8_t>(i * 20);
    Bytes rgb(2 * 3 * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(250 - i * 9);
    const int first = AddImage(writer, 4, 3, "/ColorSpace /DeviceGray /BitsPerComponent 8", gray);
    const int mask = writer.Reserve();
    const int second =
        AddImage(writer, 2, 3, "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode /SMask " + Ref(mask),
                 test::ZlibCompress(rgb));
    writer.SetStream(mask,
                     "<< /Type /XObject /Subtype /Image /Width 2 /Height 3 /ColorSpace /DeviceGray "
                     "/BitsPerComponent 8 >>",
                     Bytes{255, 128, 0, 64, 200, 10});
    const int content = writer.AddStream("<< >>", test::Text("/A Do /B Do"));
    const int page = writer.Reserve();
    const int tree = writer.Add("<< /Type /Pages /Kids [" + Ref(page) + "] /Count 1 >>");
    writer.Set(page, "<< /Type /Page /Parent " + Ref(tree) + " /MediaBox [0 0 10 10] /Resources << /XObject << /A " +
                         Ref(first) + " /B " + Ref(second) + " >> >> /Contents " + Ref(content) + " >>");
    const int catalog = writer.Add("<< /Type /Catalog /Pages " + Ref(tree) + " >>");
    ImagesFirst out;
    out.file = writer.Write(catalog, options);
    const std::string text(out.file.begin(), out.file.end());
    out.imagesEnd = text.find("endobj", text.find(std::to_string(second) + " 0 obj")) + 6;
    out.treeStart = text.find(std::to_string(tree) + " 0 obj");
    out.catalogStart = text.find(std::to_string(catalog) + " 0 obj");
    return out;
}

void ExpectSamePictures(const Opened& cut, const Opened& intact) {
    ASSERT_EQ(cut.source->Images().size(), intact.source->Images().size());
    for (std::size_t i = 0; i < intact.source->Images().size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cut.source->Images()[i].width, intact.source->Images()[i].width);
        EXPECT_EQ(cut.source->Images()[i].height, intact.source->Images()[i].height);
        const auto a = cut.Decode(i);
        const auto b = intact.Decode(i);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->type, b->type);
        EXPECT_EQ(a->width, b->width);
        EXPECT_EQ(a->bytes, b->bytes);
    }
}

TEST(PdfStructure, FilesCutAfterTheirPicturesStillGiveEveryPicture) {
    for (const PdfWriteOptions& options : {PdfWriteOptions{}, PdfWriteOptions{.xrefStream = true}}) {
        SCOPED_TRACE(options.xrefStream ? "cross-reference stream" : "table");
        const ImagesFirst document = ImagesFirstDocument(options);
        const Opened intact = Open(document.file);
        ASSERT_EQ(intact.status, OpenStatus::kOpened);
        ASSERT_EQ(intact.Names(), (std::vector<std::string>{"Page1_A", "Page1_B"}));
        EXPECT_EQ(intact.Decode(1)->type, PixelType::kBgra32);  // the mask made alpha
        // Cut inside or after the page tree, the catalog and the cross-reference data: the
        // structure is gone, so the pictures come from the image objects, named by number.
        const std::size_t end = document.file.size();
        const std::size_t cuts[] = {document.imagesEnd, document.imagesEnd + 1, document.treeStart,
                                    document.treeStart + 9, document.catalogStart + 12};
        for (std::size_t cut : cuts) {
            SCOPED_TRACE(cut);
            ASSERT_LT(cut, end);
            const Opened opened = Open(Bytes(document.file.begin(), document.file.begin() + std::ptrdiff_t(cut)));
            ASSERT_EQ(opened.status, OpenStatus::kOpened);
            EXPECT_EQ(opened.Names(), (std::vector<std::string>{"Object1", "Object3"}));
            ExpectSamePictures(opened, intact);
        }
        // Cut in the last few bytes: the catalog survives and recovery finds the tree again.
        for (std::size_t back : {1, 6, 20}) {
            SCOPED_TRACE(back);
            const Opened opened = Open(Bytes(document.file.begin(), document.file.end() - std::ptrdiff_t(back)));
            ASSERT_EQ(opened.status, OpenStatus::kOpened);
            EXPECT_EQ(opened.Names(), intact.Names());
            ExpectSamePictures(opened, intact);
        }
    }
}

TEST(PdfStructure, LostStructureWithoutPicturesIsDamageNotAnEmptyDocument) {
    const ImagesFirst document = ImagesFirstDocument();
    // Cut inside the first picture's header: no image object is whole, nor is any structure.
    const std::string text(document.file.begin(), document.file.end());
    const std::size_t firstObject = text.find("1 0 obj");
    ASSERT_NE(firstObject, std::string::npos);
    EXPECT_EQ(Open(Bytes(document.file.begin(), document.file.begin() + std::ptrdiff_t(firstObject + 12))).status,
              OpenStatus::kNotReadable);
    // A catalog whose page tree is missing and no picture anywhere.
    PdfWriter writer;
    const int catalog = writer.Add("<< /Type /Catalog /Pages 9 0 R >>");
    EXPECT_EQ(Open(writer.Write(catalog)).status, OpenStatus::kNotReadable);
    // A sound, empty page tree is a document without pictures, not damage.
    PdfWriter empty;
    const int root = test::AddPages(empty, {{"0 0 m", "<< >>", ""}});
    const Opened opened = Open(empty.Write(root));
    EXPECT_EQ(opened.status, OpenStatus::kOpened);
    EXPECT_TRUE(opened.source->Images().empty());
}

TEST(PdfStructure, CyclesInPagesAndFormsDoNotHang) {
    PdfWriter writer;
    const int image = AddImage(writer, 2, 2, "/ColorSpace /DeviceGray /BitsPerComponent 8", Bytes(4, 7));
    const int form = writer.Reserve();
    writer.SetStream(form,
                     "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /Me " + Ref(form) +
                         " /Im " + Ref(image) + " >> >> >>",
                     test::Text("/Me Do /Im Do /Me Do"));
    const int catalog = writer.Reserve();
    const int tree = writer.Reserve();
    const int content = writer.AddStream("<< >>", test::Text("/F Do"));
    const int page = writer.Add("<< /Type /Page /Parent " + Ref(tree) + " /Contents " + Ref(content) +
                                " /Resources << /XObject << /F " + Ref(form) + " >> >> >>");
    // The tree lists itself among its kids, and the page twice.
    writer.Set(tree, "<< /Type /Pages /Kids [" + Ref(page) + " " + Ref(tree) + " " + Ref(page) + "] /Count 3 >>");
    writer.Set(catalog, "<< /Type /Catalog /Pages " + Ref(tree) + " >>");
    auto opened = Open(writer.Write(catalog));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    EXPECT_EQ(opened.source->PageCount(), 1);
    EXPECT_EQ(opened.Names(), std::vector<std::string>{"Page1_Im"});
}

// --- which images, in which order, named how ----------------------------------------------

TEST(PdfImages, FormsAnnotationsPatternsAndSoftMaskGroupsInDrawingOrder) {
    PdfWriter writer;
    const auto gray = [&](int w) {
        return AddImage(writer, w, 1, "/ColorSpace /DeviceGray /BitsPerComponent 8",
                        Bytes(static_cast<std::size_t>(w), 50));
    };
    const int direct = gray(1), inForm = gray(2), inAnnot = gray(3), inPattern = gray(4), inGroup = gray(5);
    const int form = writer.AddStream(
        "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /Deep " + Ref(inForm) + " >> >> >>",
        test::Text("/Deep Do"));
    const int appearance =
        writer.AddStream("<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /Stamp " +
                             Ref(inAnnot) + " >> >> >>",
                         test::Text("/Stamp Do"));
    const int annotation =
        writer.Add("<< /Type /Annot /Subtype /Stamp /Rect [0 0 10 10] /AP << /N " + Ref(appearance) + " >> >>");
    const int pattern = writer.AddStream(
        "<< /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 1 1] /XStep 1 /YStep 1 "
        "/Resources << /XObject << /Tile " +
            Ref(inPattern) + " >> >> >>",
        test::Text("/Tile Do"));
    const int group = writer.AddStream(
        "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Group << /S /Transparency >> "
        "/Resources << /XObject << /Lum " +
            Ref(inGroup) + " >> >> >>",
        test::Text("/Lum Do"));
    const std::string resources =
        "<< /XObject << /Direct " + Ref(direct) + " /Form " + Ref(form) + " >> /Pattern << /P0 " + Ref(pattern) +
        " >> /ExtGState << /GS0 << /SMask << /S /Luminosity /G " + Ref(group) + " >> >> >> >>";
    const int root = test::AddPages(writer, {{"/GS0 gs /Pattern cs /P0 scn 0 0 5 5 re f /Form Do /Direct Do", resources,
                                              "/Annots [" + Ref(annotation) + "]"}});
    auto opened = Open(writer.Write(root));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    EXPECT_EQ(opened.Names(),
              (std::vector<std::string>{"Page1_Lum", "Page1_Tile", "Page1_Deep", "Page1_Direct", "Page1_Stamp"}));
}

TEST(PdfImages, ManyPagesKeepTheirOrderWhateverFormTheirContentTakes) {
    // More pages than are read ahead at once, and not a whole number of such runs; content as
    // a plain stream, a deflated one, an array split between two streams, none at all, and a
    // stream that does not inflate; in the clear and encrypted.
    constexpr int kPages = 37;
    PdfEncryption rc4;
    rc4.revision = 3;
    const PdfEncryption* const encryptions[] = {nullptr, &rc4};
    for (const PdfEncryption* encryption : encryptions) {
        SCOPED_TRACE(encryption ? "encrypted" : "in the clear");
        PdfWriter writer;
        const int catalog = writer.Reserve();
        const int tree = writer.Reserve();
        std::string kids;
        std::vector<std::string> expected;
        for (int page = 1; page <= kPages; ++page) {
            const std::string name = "Im" + std::to_string(page);
            const int image = AddImage(writer, 1 + page % 5, 1, "/ColorSpace /DeviceGray /BitsPerComponent 8",
                                       Bytes(static_cast<std::size_t>(1 + page % 5), 9));
            const std::string draw = "q 1 0 0 1 0 0 cm /" + name + " Do Q";
            std::string contents;
            bool drawn = true;
            switch (page % 5) {
                case 0:
                    contents = "/Contents " + Ref(writer.AddStream("<< >>", test::Text(draw)));
                    break;
                case 1:
                    contents = "/Contents " + Ref(writer.AddStream("<< /Filter /FlateDecode >>",
                                                                   test::ZlibCompress(test::Text(draw))));
                    break;
                case 2:
                    contents = "/Contents [" + Ref(writer.AddStream("<< >>", test::Text("q 1 0 0 1 0 0 cm"))) + " " +
                               Ref(writer.AddStream("<< /Filter /FlateDecode >>",
                                                    test::ZlibCompress(test::Text("/" + name + " Do Q")))) +
                               "]";
                    break;
                case 3:
                    drawn = page != 13;  // one page draws nothing at all
                    if (drawn) contents = "/Contents " + Ref(writer.AddStream("<< >>", test::Text(draw)));
                    break;
                case 4:
                    drawn = page != 24;  // one page's content is not deflate data
                    contents = "/Contents " + Ref(writer.AddStream("<< /Filter /FlateDecode >>",
                                                                   drawn ? test::ZlibCompress(test::Text(draw))
                                                                         : test::Text("not deflated " + draw)));
                    break;
            }
            const int number =
                writer.Add("<< /Type /Page /Parent " + Ref(tree) + " /MediaBox [0 0 10 10] " +
                           "/Resources << /XObject << /" + name + " " + Ref(image) + " >> >> " + contents + " >>");
            kids += Ref(number) + " ";
            char label[16];
            std::snprintf(label, sizeof label, "Page%02d_", page);
            if (drawn) expected.push_back(label + name);
        }
        writer.Set(tree, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(kPages) + " >>");
        writer.Set(catalog, "<< /Type /Catalog /Pages " + Ref(tree) + " >>");
        PdfWriteOptions options;
        options.encryption = encryption;
        auto opened = Open(writer.Write(catalog, options));
        ASSERT_EQ(opened.status, OpenStatus::kOpened);
        EXPECT_EQ(opened.Names(), expected);
        auto last = opened.Decode(opened.source->Images().size() - 1);
        ASSERT_TRUE(last);
        EXPECT_EQ(last->width, 1 + kPages % 5);
    }
}

TEST(PdfImages, InlineImagesAreNumberedPerPageAndReadExactly) {
    PdfWriter writer;
    // The second image's samples contain " EI " on purpose: its size decides where it ends.
    const std::string content =
        "q BI /W 2 /H 2 /CS /G /BPC 8 ID \x01\x02\x03\x04 EI Q\n"
        "BI /W 4 /H 1 /CS /G /BPC 8 ID  EI  EI\n"
        "BI /W 3 /H 1 /CS /RGB /BPC 8 /F /AHx ID 102030405060708090> EI";
    const int root = test::AddPages(writer, {{"", "", ""}, {content, "<< >>", ""}});
    auto opened = Open(writer.Write(root));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    EXPECT_EQ(opened.Names(), (std::vector<std::string>{"Page2_Inline1", "Page2_Inline2", "Page2_Inline3"}));
    auto first = opened.Decode(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(Pixel(*first, 1, 1), std::vector<int>{4});
    auto second = opened.Decode(1);
    ASSERT_TRUE(second);
    EXPECT_EQ(Pixel(*second, 0, 0), std::vector<int>{' '});
    EXPECT_EQ(Pixel(*second, 1, 0), std::vector<int>{'E'});
    auto third = opened.Decode(2);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->type, PixelType::kBgr24);
    EXPECT_EQ(Pixel(*third, 2, 0), (std::vector<int>{0x90, 0x80, 0x70}));
}

TEST(PdfImages, NamesArePaddedToThePageCountAndSafe) {
    PdfWriter writer;
    const int image = AddImage(writer, 1, 1, "/ColorSpace /DeviceGray /BitsPerComponent 8", Bytes(1, 0));
    const int other = AddImage(writer, 1, 1, "/ColorSpace /DeviceGray /BitsPerComponent 8", Bytes(1, 0));
    std::vector<PdfPageSpec> pages(12, PdfPageSpec{"", "<< >>", ""});
    pages[6] = {"/Im#2F1 Do /x:y Do", "<< /XObject << /Im#2F1 " + Ref(image) + " /x:y " + Ref(other) + " >> >>", ""};
    auto opened = Open(writer.Write(test::AddPages(writer, pages)));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    EXPECT_EQ(opened.Names(), (std::vector<std::string>{"Page07_Im_1", "Page07_x_y"}));
}

// --- pixels -------------------------------------------------------------------------------

struct PixelCase {
    const char* label;
    std::string dict;  // after /Width and /Height
    Bytes data;
    int width;
    PixelType type;
    std::vector<std::vector<int>> expected;  // pixels of row 0, left to right
    std::string resources = "";
    int tolerance = 0;  // for colours computed through floating point
};

void CheckPixels(const PixelCase& c) {
    SCOPED_TRACE(c.label);
    PdfWriter writer;
    const int image = AddImage(writer, c.width, 1, c.dict, c.data);
    auto opened = Open(OnePage(writer, {{"Im", image}}, {}, c.resources));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    ASSERT_EQ(opened.source->Images().size(), 1u);
    auto pixels = opened.Decode(0);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->type, c.type);
    ASSERT_EQ(pixels->width, c.width);
    for (int x = 0; x < c.width && x < static_cast<int>(c.expected.size()); ++x) {
        const auto actual = Pixel(*pixels, x, 0);
        const auto& expected = c.expected[static_cast<std::size_t>(x)];
        ASSERT_EQ(actual.size(), expected.size());
        for (std::size_t k = 0; k < actual.size(); ++k) {
            EXPECT_NEAR(actual[k], expected[k], c.tolerance) << "pixel " << x << " channel " << k;
        }
    }
}

TEST(PdfPixels, DepthsAndDecodeArrays) {
    const PixelCase cases[] = {
        {"gray 8",
         "/ColorSpace /DeviceGray /BitsPerComponent 8",
         {0, 127, 255},
         3,
         PixelType::kGray8,
         {{0}, {127}, {255}}},
        {"gray 1", "/ColorSpace /DeviceGray /BitsPerComponent 1", {0xA0}, 3, PixelType::kGray8, {{255}, {0}, {255}}},
        {"gray 2",
         "/ColorSpace /DeviceGray /BitsPerComponent 2",
         {0x1B},
         4,
         PixelType::kGray8,
         {{0}, {85}, {170}, {255}}},
        {"gray 4",
         "/ColorSpace /DeviceGray /BitsPerComponent 4",
         {0x0F, 0x80},
         3,
         PixelType::kGray8,
         {{0}, {255}, {136}}},
        {"gray 16",
         "/ColorSpace /DeviceGray /BitsPerComponent 16",
         {0xFF, 0x00, 0x12, 0x34},
         2,
         PixelType::kGray8,
         {{255}, {18}}},
        {"inverted",
         "/ColorSpace /DeviceGray /BitsPerComponent 8 /Decode [1 0]",
         {0, 255, 55},
         3,
         PixelType::kGray8,
         {{255}, {0}, {200}}},
        {"rgb 8",
         "/ColorSpace /DeviceRGB /BitsPerComponent 8",
         {255, 0, 0, 1, 2, 3},
         2,
         PixelType::kBgr24,
         {{0, 0, 255}, {3, 2, 1}}},
        {"rgb 16",
         "/ColorSpace /DeviceRGB /BitsPerComponent 16",
         {0xFF, 0xFF, 0x80, 0x00, 0x00, 0x01},
         1,
         PixelType::kBgr24,
         {{0, 128, 255}}},
        {"cmyk",
         "/ColorSpace /DeviceCMYK /BitsPerComponent 8",
         {0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 255},
         3,
         PixelType::kBgr24,
         // Paper, cyan and black ink as the readers' CMYK model shows them.
         {{255, 255, 255}, {228, 160, 0}, {42, 43, 43}}},
    };
    for (const auto& c : cases) CheckPixels(c);
}

TEST(PdfPixels, EveryColourSpaceFamily) {
    const std::string sampled = "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [1 0 0] /N 1 >>";
    const PixelCase cases[] = {
        {"calibrated rgb",
         "/ColorSpace [/CalRGB << /WhitePoint [0.95 1 1.09] >>] /BitsPerComponent 8",
         {10, 20, 30},
         1,
         PixelType::kBgr24,
         {{30, 20, 10}}},
        {"calibrated gray",
         "/ColorSpace [/CalGray << /WhitePoint [0.95 1 1.09] >>] /BitsPerComponent 8",
         {77},
         1,
         PixelType::kGray8,
         {{77}}},
        {"lab white and black",
         "/ColorSpace [/Lab << /WhitePoint [0.9505 1 1.089] >>] /BitsPerComponent 8",
         {255, 128, 128, 0, 128, 128},
         2,
         PixelType::kBgr24,
         {{255, 255, 255}, {0, 0, 0}},
         "",
         2},
        {"indexed string",
         "/ColorSpace [/Indexed /DeviceRGB 2 <FF000000FF000000FF>] /BitsPerComponent 8",
         {2, 0, 1, 9},
         4,
         PixelType::kBgr24,
         {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}}},
        {"indexed 4-bit over gray",
         "/ColorSpace [/Indexed /DeviceGray 1 <10F0>] /BitsPerComponent 4",
         {0x10},
         2,
         PixelType::kGray8,
         {{240}, {16}}},
        {"separation exponential into rgb",
         "/ColorSpace [/Separation /Spot /DeviceRGB " + sampled + "] /BitsPerComponent 8",
         {255, 0},
         2,
         PixelType::kBgr24,
         {{0, 0, 255}, {0, 0, 0}}},
        {"separation without usable transform",
         "/ColorSpace [/Separation /Spot /DeviceCMYK << /FunctionType 4 /Domain [0 1] /Range [0 1 0 1 0 1 0 1] >>] "
         "/BitsPerComponent 8",
         {255, 0},
         2,
         PixelType::kGray8,
         {{0}, {255}}},
        {"icc by component count",
         "/ColorSpace [/ICCBased " + std::string("<< /N 1 >>") + "] /BitsPerComponent 8",
         {33},
         1,
         PixelType::kGray8,
         {{33}}},
        {"named resource",
         "/ColorSpace /CS0 /BitsPerComponent 8",
         {1, 0},
         2,
         PixelType::kBgr24,
         {{0, 255, 0}, {255, 0, 0}},
         "/ColorSpace << /CS0 [/Indexed /DeviceRGB 1 <0000FF00FF00>] >>"},
    };
    for (const auto& c : cases) CheckPixels(c);
}

TEST(PdfPixels, SampledTintTransformsOfDeviceN) {
    PdfWriter writer;
    // Two inks into RGB through a 2 x 2 table: (0,0) white, (1,0) red, (0,1) blue, (1,1) black.
    const int function = writer.AddStream(
        "<< /FunctionType 0 /Domain [0 1 0 1] /Range [0 1 0 1 0 1] /Size [2 2] "
        "/BitsPerSample 8 >>",
        Bytes{255, 255, 255, 255, 0, 0, 0, 0, 255, 0, 0, 0});
    const int image =
        AddImage(writer, 4, 1, "/ColorSpace [/DeviceN [/A /B] /DeviceRGB " + Ref(function) + "] /BitsPerComponent 8",
                 Bytes{0, 0, 255, 0, 0, 255, 255, 255});
    auto opened = Open(OnePage(writer, {{"Im", image}}));
    auto pixels = opened.Decode(0);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(Pixel(*pixels, 0, 0), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(Pixel(*pixels, 1, 0), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(Pixel(*pixels, 2, 0), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(Pixel(*pixels, 3, 0), (std::vector<int>{0, 0, 0}));
}

// One document, three pictures: a small one, one with more pixels than the limit, and one whose
// 16-bit samples would unpack to more bytes than any stream may. Each of the large ones fails
// alone, says which limit refused it, and takes no memory for it.
TEST(PdfPixels, PicturesOverTheLimitsFailAloneAndSayWhy) {
    PdfWriter writer;
    const int small = AddImage(writer, 2, 1, "/ColorSpace /DeviceGray /BitsPerComponent 8", Bytes{5, 6});
    const int wide = AddImage(writer, 20000, 20000, "/ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode",
                              test::ZlibCompress(Bytes(4096, 0)));
    // 15000 x 15000 is within the pixel limit, but 6 bytes a pixel are over the stream limit.
    const int deep = AddImage(writer, 15000, 15000, "/ColorSpace /DeviceRGB /BitsPerComponent 16 /Filter /FlateDecode",
                              test::ZlibCompress(Bytes(4096, 0)));
    ASSERT_LE(std::uint64_t{15000} * 15000, kMaxPicturePixels);
    ASSERT_GT(std::uint64_t{15000} * 15000 * 6, kMaxStreamBytes);
    auto opened = Open(OnePage(writer, {{"Small", small}, {"Wide", wide}, {"Deep", deep}}));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    ASSERT_EQ(opened.source->Images().size(), 3u);
    EXPECT_EQ(opened.source->Images()[1].width, 20000) << "the row stays listed with its size";
    TakeLimitBreach();
    EXPECT_FALSE(opened.Decode(1).has_value());
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kPixels);
    EXPECT_FALSE(opened.Decode(2).has_value());
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kStreamBytes);
    auto pixels = opened.Decode(0);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kNone);
    EXPECT_EQ(Pixel(*pixels, 1, 0), std::vector<int>{6});
    // Just inside both limits the same kind of picture is refused for its data, not a limit.
    PdfWriter inside;
    const int fits = AddImage(inside, 12000, 12000, "/ColorSpace /DeviceRGB /BitsPerComponent 16 /Filter /FlateDecode",
                              test::ZlibCompress(Bytes(4096, 0)));
    auto insideOpened = Open(OnePage(inside, {{"Fits", fits}}));
    EXPECT_FALSE(insideOpened.Decode(0).has_value()) << "4 KB of samples cannot fill 864 MB";
    EXPECT_EQ(TakeLimitBreach(), LimitBreach::kNone);
}

// LZW data that codes every byte as a literal (9-bit codes between a clear and an end code).
Bytes LiteralLzw(const Bytes& data) {
    std::vector<int> codes = {256};
    codes.insert(codes.end(), data.begin(), data.end());
    codes.push_back(257);
    Bytes out;
    std::uint32_t acc = 0;
    int have = 0;
    for (int code : codes) {
        acc = (acc << 9) | unsigned(code);
        have += 9;
        while (have >= 8) {
            out.push_back(std::uint8_t(acc >> (have - 8)));
            have -= 8;
        }
    }
    if (have > 0) out.push_back(std::uint8_t(acc << (8 - have)));
    return out;
}

TEST(PdfPixels, FilterChainsAndPredictors) {
    const Bytes samples = {0, 10, 20, 30, 40, 50, 60, 70, 80};  // 3 x 1 RGB
    Bytes png = {1};                                            // PNG Sub on the single row
    for (std::size_t i = 0; i < samples.size(); ++i)
        png.push_back(std::uint8_t(samples[i] - (i >= 3 ? samples[i - 3] : 0)));
    std::string hex = HexString(test::ZlibCompress(samples));
    hex = hex.substr(1, hex.size() - 2) + ">";
    const std::vector<std::vector<int>> expected = {{20, 10, 0}, {50, 40, 30}, {80, 70, 60}};
    const std::string rgb = "/ColorSpace /DeviceRGB /BitsPerComponent 8 ";
    const PixelCase cases[] = {
        {"flate", rgb + "/Filter /FlateDecode", test::ZlibCompress(samples), 3, PixelType::kBgr24, expected},
        {"flate png predictor", rgb + "/Filter /FlateDecode /DecodeParms << /Predictor 11 /Colors 3 /Columns 3 >>",
         test::ZlibCompress(png), 3, PixelType::kBgr24, expected},
        {"hex then flate", rgb + "/Filter [/ASCIIHexDecode /FlateDecode]", Bytes(hex.begin(), hex.end()), 3,
         PixelType::kBgr24, expected},
        {"run length",
         rgb + "/Filter /RunLengthDecode",
         {8, 0, 10, 20, 30, 40, 50, 60, 70, 80, 128},
         3,
         PixelType::kBgr24,
         expected},
        {"lzw", rgb + "/Filter /LZWDecode", LiteralLzw(samples), 3, PixelType::kBgr24, expected},
    };
    for (const auto& c : cases) CheckPixels(c);
}

TEST(PdfPixels, MasksBecomeAlpha) {
    PdfWriter writer;
    const int soft = AddImage(writer, 2, 1, "/ColorSpace /DeviceGray /BitsPerComponent 8", Bytes{0, 128});
    const int smaller = AddImage(writer, 1, 1, "/ColorSpace /DeviceGray /BitsPerComponent 8", Bytes{64});
    const int stencil = AddImage(writer, 2, 1, "/ImageMask true /BitsPerComponent 1", Bytes{0x40});
    const std::string rgb = "/ColorSpace /DeviceRGB /BitsPerComponent 8 ";
    const Bytes red = {255, 0, 0, 255, 0, 0};
    const int withSoft = AddImage(writer, 2, 1, rgb + "/SMask " + Ref(soft), red);
    const int withScaled = AddImage(writer, 2, 1, rgb + "/SMask " + Ref(smaller), red);
    const int withStencil = AddImage(writer, 2, 1, rgb + "/Mask " + Ref(stencil), red);
    const int withKey = AddImage(writer, 2, 1, rgb + "/Mask [250 255 0 0 0 3]", Bytes{255, 0, 0, 255, 9, 0});
    auto opened = Open(OnePage(writer, {{"A", withSoft}, {"B", withScaled}, {"C", withStencil}, {"D", withKey}}));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    // Soft masks are not listed as images of their own.
    ASSERT_EQ(opened.source->Images().size(), 4u);
    const std::vector<std::vector<int>> alpha = {{0, 128}, {64, 64}, {255, 0}, {0, 255}};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        auto pixels = opened.Decode(i);
        ASSERT_TRUE(pixels);
        EXPECT_EQ(pixels->type, PixelType::kBgra32);
        EXPECT_EQ(Pixel(*pixels, 0, 0)[3], alpha[i][0]);
        EXPECT_EQ(Pixel(*pixels, 1, 0)[3], alpha[i][1]);
        EXPECT_EQ(Pixel(*pixels, 0, 0)[2], 255);  // red stays red
    }
}

TEST(PdfPixels, GreyPicturesKeepTheirLevelsUnderMasks) {
    PdfWriter writer;
    const int soft = AddImage(writer, 2, 1, "/ColorSpace /DeviceGray /BitsPerComponent 8", Bytes{0, 128});
    const std::string grey = "/ColorSpace /DeviceGray ";
    const int plain = AddImage(writer, 3, 1, grey + "/BitsPerComponent 4", Bytes{0x0F, 0x80});
    const int withSoft = AddImage(writer, 2, 1, grey + "/BitsPerComponent 8 /SMask " + Ref(soft), Bytes{10, 200});
    const int withKey = AddImage(writer, 2, 1, grey + "/BitsPerComponent 1 /Mask [1 1]", Bytes{0x40});
    auto opened = Open(OnePage(writer, {{"P", plain}, {"S", withSoft}, {"K", withKey}}));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    ASSERT_EQ(opened.source->Images().size(), 3u);

    auto levels = opened.Decode(0);
    ASSERT_TRUE(levels);
    EXPECT_EQ(levels->type, PixelType::kGray8);
    EXPECT_EQ(Pixel(*levels, 0, 0), std::vector<int>{0});
    EXPECT_EQ(Pixel(*levels, 1, 0), std::vector<int>{255});
    EXPECT_EQ(Pixel(*levels, 2, 0), std::vector<int>{136});  // 8 of 15

    const struct {
        std::size_t index;
        std::vector<int> first;  // B, G, R, A
        std::vector<int> second;
    } masked[] = {
        {1, {10, 10, 10, 0}, {200, 200, 200, 128}},
        {2, {0, 0, 0, 255}, {255, 255, 255, 0}},  // the key takes out the white sample
    };
    for (const auto& m : masked) {
        SCOPED_TRACE(m.index);
        auto pixels = opened.Decode(m.index);
        ASSERT_TRUE(pixels);
        EXPECT_EQ(pixels->type, PixelType::kBgra32);
        EXPECT_EQ(Pixel(*pixels, 0, 0), m.first);
        EXPECT_EQ(Pixel(*pixels, 1, 0), m.second);
    }
}

TEST(PdfPixels, StencilMasksArePaintedWithTheFillColour) {
    PdfWriter writer;
    const int mask = AddImage(writer, 3, 1, "/ImageMask true", Bytes{0x40});
    const int inverted = AddImage(writer, 3, 1, "/ImageMask true /Decode [1 0]", Bytes{0x40});
    const std::string resources = "<< /XObject << /M " + Ref(mask) + " /N " + Ref(inverted) + " >> >>";
    const int root = test::AddPages(writer, {{"/M Do", resources, ""}, {"1 0 0 rg /N Do", resources, ""}});
    auto opened = Open(writer.Write(root));
    ASSERT_EQ(opened.Names(), (std::vector<std::string>{"Page1_M", "Page2_N"}));
    auto black = opened.Decode(0);
    ASSERT_TRUE(black);
    EXPECT_EQ(black->type, PixelType::kGray8);
    EXPECT_EQ(Pixel(*black, 0, 0), std::vector<int>{0});
    EXPECT_EQ(Pixel(*black, 1, 0), std::vector<int>{255});
    auto red = opened.Decode(1);
    ASSERT_TRUE(red);
    EXPECT_EQ(red->type, PixelType::kBgr24);
    EXPECT_EQ(Pixel(*red, 0, 0), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(Pixel(*red, 1, 0), (std::vector<int>{0, 0, 255}));
}

TEST(PdfPixels, FillColoursReadFromOperandsAsProducersWriteThem) {
    // The painted pixel of a stencil drawn after each content: numbers in every written form,
    // long runs of operands, other objects among them, and words that only look like numbers.
    const struct {
        const char* content;
        std::vector<int> painted;  // B, G, R
    } cases[] = {
        {"0 0 1 rg", {255, 0, 0}},
        {".0 -0 +1. rg", {255, 0, 0}},
        {"0 0 --1 rg", {255, 0, 0}},  // doubled signs cancel, as readers take them
        {"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33 34 35 0 1 0 rg",
         {0, 255, 0}},
        {"0 1 0 rg q 1 0 0 rg Q", {0, 255, 0}},
        {"/DeviceRGB cs [(a) 1 <62>] true null 0 0 1 sc", {255, 0, 0}},
        {"0 0 0 1 k 0 1 1 0 k", {0, 0, 255}},
        {"1 0 0 rg 0 0 1 1.2.3 rg", {0, 0, 255}},  // "1.2.3" is an operator: rg has no operands
        {"% 0 1 0 rg\n0.5 g", {128, 128, 128}},
    };
    PdfWriter writer;
    std::vector<test::PdfPageSpec> pages;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const int mask = AddImage(writer, 3, 1, "/ImageMask true /Decode [1 0]", Bytes{0x40});
        pages.push_back({std::string(cases[i].content) + " /N Do", "<< /XObject << /N " + Ref(mask) + " >> >>", ""});
    }
    auto opened = Open(writer.Write(test::AddPages(writer, pages)));
    ASSERT_EQ(opened.source->Images().size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].content);
        auto pixels = opened.Decode(i);
        ASSERT_TRUE(pixels);
        const std::vector<int> painted = Pixel(*pixels, 1, 0);
        const std::vector<int> bgr = painted.size() == 1 ? std::vector<int>{painted[0], painted[0], painted[0]}
                                                         : std::vector<int>(painted.begin(), painted.begin() + 3);
        EXPECT_EQ(bgr, cases[i].painted);
    }
}

TEST(PdfPixels, CodecsAndLimits) {
    PdfWriter writer;
    const int jpeg =
        AddImage(writer, 2, 1, "/ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /DCTDecode /Decode [1 0]",
                 Bytes{0xFF, 0xD8, 'G', 0});
    const int jpx = AddImage(writer, 640, 480, "/Filter /JPXDecode", Bytes{0, 0, 0, 12});
    const int huge = AddImage(writer, 100000, 100000, "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode",
                              test::ZlibCompress(Bytes(100000, 0)));
    const int fax = AddImage(writer, 23, 6,
                             "/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode "
                             "/DecodeParms << /K -1 /Columns 23 /Rows 6 >>",
                             Bytes{0x26, 0xa8, 0xda, 0x36, 0x8d, 0xa0, 0x41, 0x6f, 0xff, 0x40, 0x81, 0x7f, 0xf6, 0x17,
                                   0xfe, 0x22, 0x22, 0x21, 0xca, 0xb2, 0xac, 0xab, 0x2a, 0xc2, 0x80, 0x08, 0x00, 0x80});
    auto opened = Open(OnePage(writer, {{"J", jpeg}, {"X", jpx}, {"H", huge}, {"F", fax}}));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    const auto& images = opened.source->Images();
    ASSERT_EQ(images.size(), 4u);
    auto decodedJpeg = opened.Decode(0);
    ASSERT_TRUE(decodedJpeg);
    EXPECT_EQ(Pixel(*decodedJpeg, 0, 0), std::vector<int>{245});  // Decode [1 0] inverts
    EXPECT_EQ(images[1].width, 640);
    EXPECT_EQ(images[1].height, 480);
    EXPECT_FALSE(opened.Decode(1));
    EXPECT_EQ(images[2].width, 100000);
    EXPECT_FALSE(opened.Decode(2));  // refused before anything large is allocated
    auto decodedFax = opened.Decode(3);
    ASSERT_TRUE(decodedFax);
    EXPECT_EQ(Pixel(*decodedFax, 0, 0), std::vector<int>{0});    // black
    EXPECT_EQ(Pixel(*decodedFax, 1, 0), std::vector<int>{255});  // white
    EXPECT_EQ(Pixel(*decodedFax, 22, 4), std::vector<int>{0});
}

// Ink 0, 200, 255, 0 is a strong orange-red: far from its own negative in every channel. The
// samples are taken as the JPEG stores them, whatever its marker, and the Decode array inverts
// them: Ghostscript stores ink as it is without a Decode array, Adobe's applications store it
// inverted with an inverted one.
TEST(PdfPixels, CmykJpegsFollowTheDecodeArrayNotTheAdobeMarker) {
    struct Case {
        const char* label;
        test::JpegOptions options;
        bool storedInverted;
        bool decode;
        bool positive;
    };
    const Case cases[] = {
        {"adobe cmyk", {4, true, false}, false, false, true},
        {"adobe cmyk, inverted, inverted Decode", {4, true, false}, true, true, true},
        {"adobe cmyk, inverted Decode", {4, true, false}, false, true, false},
        {"adobe cmyk, inverted", {4, true, false}, true, false, false},
        {"adobe ycck", {4, true, true}, false, false, true},
        {"adobe ycck, inverted, inverted Decode", {4, true, true}, true, true, true},
        {"adobe ycck, inverted", {4, true, true}, true, false, false},
        {"plain cmyk", {4, false, false}, false, false, true},
        {"plain cmyk, inverted Decode", {4, false, false}, false, true, false},
    };
    const Bytes ink{0, 200, 255, 0};
    std::uint8_t expected[3], negative[3];
    codecs::CmykToRgb(ink[0], ink[1], ink[2], ink[3], expected);
    codecs::CmykToRgb(255 - ink[0], 255 - ink[1], 255 - ink[2], 255 - ink[3], negative);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Bytes stored = ink;
        if (c.storedInverted) {
            for (auto& v : stored) v = static_cast<std::uint8_t>(255 - v);
        }
        PdfWriter writer;
        const int image = AddImage(writer, 16, 16,
                                   "/ColorSpace /DeviceCMYK /BitsPerComponent 8 /Filter /DCTDecode" +
                                       std::string(c.decode ? " /Decode [1 0 1 0 1 0 1 0]" : ""),
                                   test::JpegOfColour(16, 16, stored, c.options));
        auto opened = Open(OnePage(writer, {{"Im", image}}));
        ASSERT_EQ(opened.status, OpenStatus::kOpened);
        auto pixels = opened.Decode(0);
        ASSERT_TRUE(pixels);
        ASSERT_EQ(pixels->type, PixelType::kBgr24);
        const auto bgr = Pixel(*pixels, 7, 9);
        for (int channel = 0; channel < 3; ++channel) {
            const int want = c.positive ? expected[channel] : negative[channel];
            EXPECT_NEAR(bgr[2 - channel], want, 6) << "channel " << channel;
        }
    }
}

TEST(PdfPixels, JpegsFollowTheirOwnComponentsAndTheDecodeArray) {
    PdfWriter writer;
    const Bytes gradient = [] {
        Bytes samples;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x) samples.push_back(static_cast<std::uint8_t>(x * 16));
        return samples;
    }();
    // Gray data under an RGB space: the JPEG's one component decides.
    const int gray = AddImage(writer, 16, 8, "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
                              test::MakeJpeg(16, 8, gradient, {1}));
    const int inverted =
        AddImage(writer, 16, 8, "/ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /DCTDecode /Decode [1 0]",
                 test::MakeJpeg(16, 8, gradient, {1, true, false, true}));
    const int colour = AddImage(writer, 4, 4, "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
                                test::JpegOfColour(4, 4, {20, 120, 240}, {3, true, false, false, true}));
    auto opened = Open(OnePage(writer, {{"G", gray}, {"I", inverted}, {"C", colour}}));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    auto g = opened.Decode(0);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->type, PixelType::kGray8);
    EXPECT_NEAR(Pixel(*g, 15, 3)[0], 240, 3);
    auto i = opened.Decode(1);
    ASSERT_TRUE(i);
    EXPECT_NEAR(Pixel(*i, 15, 3)[0], 15, 3);
    EXPECT_NEAR(Pixel(*i, 0, 3)[0], 255, 3);
    auto c = opened.Decode(2);
    ASSERT_TRUE(c);
    ASSERT_EQ(c->type, PixelType::kBgr24);
    const auto bgr = Pixel(*c, 2, 2);
    EXPECT_NEAR(bgr[0], 240, 6);
    EXPECT_NEAR(bgr[1], 120, 6);
    EXPECT_NEAR(bgr[2], 20, 6);
}

TEST(PdfPixels, JpegTwoThousandWithItsOwnSpaceOpacityAndDecode) {
    const int w = 6, h = 4;
    std::vector<test::JpxPlane> rgba(4);
    for (int i = 0; i < w * h; ++i) {
        rgba[0].values.push_back(10 * i);
        rgba[1].values.push_back(200 - 5 * i);
        rgba[2].values.push_back(7 * i + 3);
        rgba[3].values.push_back(i == 5 ? 0 : 255);
    }
    rgba[3].alpha = true;
    const std::vector<test::JpxPlane> rgb(rgba.begin(), rgba.begin() + 3);
    PdfWriter writer;
    // No ColorSpace: the codestream's own (three components, RGB).
    const int own = AddImage(writer, w, h, "/Filter /JPXDecode", test::MakeJpx(w, h, rgb, {8, false, 0}));
    // Opacity in the data, used because SMaskInData asks for it.
    const int inData =
        AddImage(writer, w, h, "/Filter /JPXDecode /SMaskInData 1", test::MakeJpx(w, h, rgba, {8, true, 1}));
    const int ignored = AddImage(writer, w, h, "/Filter /JPXDecode", test::MakeJpx(w, h, rgba, {8, true, 1}));
    // 16-bit gray under DeviceGray with an inverting Decode array.
    test::JpxPlane deep;
    for (int i = 0; i < w * h; ++i) deep.values.push_back(257 * (10 * i));
    const int gray = AddImage(writer, w, h, "/ColorSpace /DeviceGray /Filter /JPXDecode /Decode [1 0]",
                              test::MakeJpx(w, h, {deep}, {16, true, 2}));
    // A JPEG 2000 soft mask over a plain image.
    test::JpxPlane coverage;
    for (int i = 0; i < w * h; ++i) coverage.values.push_back(i * 10);
    const int mask = AddImage(writer, w, h, "/ColorSpace /DeviceGray /Filter /JPXDecode",
                              test::MakeJpx(w, h, {coverage}, {8, false, 0}));
    const int masked = AddImage(writer, w, h, "/ColorSpace /DeviceGray /BitsPerComponent 8 /SMask " + Ref(mask),
                                Bytes(static_cast<std::size_t>(w * h), 77));
    auto opened = Open(OnePage(writer, {{"O", own}, {"A", inData}, {"N", ignored}, {"G", gray}, {"M", masked}}));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    for (int index : {0, 1, 2}) {
        SCOPED_TRACE(index);
        auto pixels = opened.Decode(static_cast<std::size_t>(index));
        ASSERT_TRUE(pixels);
        ASSERT_EQ(pixels->type, index == 1 ? PixelType::kBgra32 : PixelType::kBgr24);
        for (int i = 0; i < w * h; ++i) {
            auto bgr = Pixel(*pixels, i % w, i / w);
            ASSERT_EQ(bgr[0], rgba[2].values[i]) << "pixel " << i;
            ASSERT_EQ(bgr[1], rgba[1].values[i]) << "pixel " << i;
            ASSERT_EQ(bgr[2], rgba[0].values[i]) << "pixel " << i;
            if (index == 1) {
                ASSERT_EQ(bgr[3], rgba[3].values[i]) << "pixel " << i;
            }
        }
    }
    auto g = opened.Decode(3);
    ASSERT_TRUE(g);
    ASSERT_EQ(g->type, PixelType::kGray8);
    for (int i = 0; i < w * h; ++i) ASSERT_EQ(Pixel(*g, i % w, i / w)[0], 255 - 10 * i) << "pixel " << i;
    auto m = opened.Decode(4);
    ASSERT_TRUE(m);
    ASSERT_EQ(m->type, PixelType::kBgra32);
    for (int i = 0; i < w * h; ++i) {
        ASSERT_EQ(Pixel(*m, i % w, i / w), (std::vector<int>{77, 77, 77, i * 10})) << "pixel " << i;
    }
}

// An ICC profile written by Little CMS into memory; takes ownership of the profile.
Bytes SavedProfile(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// RGB primaries of sRGB with red and green exchanged, on sRGB's own curve.
Bytes SwappedRedGreenProfile() {
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    const cmsCIExyYTRIPLE primaries = {{0.30, 0.60, 1.0}, {0.64, 0.33, 1.0}, {0.15, 0.06, 1.0}};
    const cmsFloat64Number parameters[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, parameters);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return SavedProfile(profile);
}

Bytes LinearGrayProfile() {
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), linear);
    cmsFreeToneCurve(linear);
    return SavedProfile(profile);
}

TEST(PdfPixels, EmbeddedProfilesAndLabGoThroughColourManagement) {
    PdfWriter writer;
    const int swapped = writer.AddStream("<< /N 3 /Alternate /DeviceRGB >>", SwappedRedGreenProfile());
    const int srgb = writer.AddStream("<< /N 3 >>", SavedProfile(cmsCreate_sRGBProfile()));
    const int gray = writer.AddStream("<< /N 1 >>", LinearGrayProfile());
    const int broken = writer.AddStream("<< /N 3 >>", Bytes(300, 0x41));
    const auto iccImage = [&](int profile, int components, const Bytes& samples) {
        return AddImage(writer, 1, 1, "/ColorSpace [/ICCBased " + Ref(profile) + "] /BitsPerComponent 8",
                        Bytes(samples.begin(), samples.begin() + components));
    };
    const int red = iccImage(swapped, 3, {255, 0, 0});
    // The same colour through an inverting Decode array (value by value, not row by row).
    const int redInverted =
        AddImage(writer, 1, 1, "/ColorSpace [/ICCBased " + Ref(swapped) + "] /BitsPerComponent 8 /Decode [1 0 1 0 1 0]",
                 Bytes{0, 255, 255});
    const int same = iccImage(srgb, 3, {200, 100, 50});
    const int half = iccImage(gray, 1, {128});
    const int fallback = iccImage(broken, 3, {255, 0, 0});
    // L* 50 on a neutral axis under D50 is sRGB 119; L* 100 is white.
    const int lab = AddImage(writer, 2, 1,
                             "/ColorSpace [/Lab << /WhitePoint [0.9642 1 0.8249] /Range [-100 100 -100 100] >>] "
                             "/BitsPerComponent 8 /Decode [0 100 -100 100 -100 100]",
                             Bytes{128, 128, 128, 255, 128, 128});
    auto opened =
        Open(OnePage(writer, {{"R", red}, {"S", same}, {"G", half}, {"F", fallback}, {"L", lab}, {"V", redInverted}}));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    auto r = opened.Decode(0);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->type, PixelType::kBgr24);
    EXPECT_LT(Pixel(*r, 0, 0)[2], 60);  // the file's "red" is sRGB green
    EXPECT_GT(Pixel(*r, 0, 0)[1], 200);
    auto v = opened.Decode(5);
    ASSERT_TRUE(v);
    EXPECT_EQ(Pixel(*v, 0, 0), Pixel(*r, 0, 0));
    auto s = opened.Decode(1);
    ASSERT_TRUE(s);
    const auto bgr = Pixel(*s, 0, 0);
    EXPECT_NEAR(bgr[2], 200, 2);
    EXPECT_NEAR(bgr[1], 100, 2);
    EXPECT_NEAR(bgr[0], 50, 2);
    auto g = opened.Decode(2);
    ASSERT_TRUE(g);
    ASSERT_EQ(g->type, PixelType::kGray8);
    EXPECT_NEAR(Pixel(*g, 0, 0)[0], 188, 2);  // linear 0.5 is sRGB 188
    auto f = opened.Decode(3);
    ASSERT_TRUE(f);
    EXPECT_EQ(Pixel(*f, 0, 0), (std::vector<int>{0, 0, 255}));  // unusable profile: plain RGB
    auto l = opened.Decode(4);
    ASSERT_TRUE(l);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(Pixel(*l, 0, 0)[c], 119, 1) << "channel " << c;
        EXPECT_GE(Pixel(*l, 1, 0)[c], 254) << "channel " << c;
    }
}

TEST(PdfPixels, BlackAndWhitePalettesGiveGray) {
    PdfWriter writer;
    const int bw = AddImage(writer, 10, 1, "/ColorSpace [/Indexed /DeviceRGB 1 <000000FFFFFF>] /BitsPerComponent 1",
                            Bytes{0xA0, 0x40});
    const int grays =
        AddImage(writer, 2, 1, "/ColorSpace [/Indexed /DeviceRGB 1 <404040C0C0C0>] /BitsPerComponent 8", Bytes{1, 0});
    const int coloured =
        AddImage(writer, 2, 1, "/ColorSpace [/Indexed /DeviceRGB 1 <000000FF0000>] /BitsPerComponent 1", Bytes{0x40});
    auto opened = Open(OnePage(writer, {{"B", bw}, {"G", grays}, {"C", coloured}}));
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    auto b = opened.Decode(0);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->type, PixelType::kGray8);
    EXPECT_EQ(Pixel(*b, 0, 0), std::vector<int>{255});
    EXPECT_EQ(Pixel(*b, 1, 0), std::vector<int>{0});
    EXPECT_EQ(Pixel(*b, 2, 0), std::vector<int>{255});
    EXPECT_EQ(Pixel(*b, 8, 0), std::vector<int>{0});
    EXPECT_EQ(Pixel(*b, 9, 0), std::vector<int>{255});
    auto g = opened.Decode(1);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->type, PixelType::kGray8);
    EXPECT_EQ(Pixel(*g, 0, 0), std::vector<int>{0xC0});
    auto c = opened.Decode(2);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->type, PixelType::kBgr24);
    EXPECT_EQ(Pixel(*c, 1, 0), (std::vector<int>{0, 0, 255}));
}

// --- every pixel of packed rows, palettes and colour, against an independent reading -------

// Bytes that look like noise, the same on every run. The bits after a row's last pixel are
// noise too, so a reader that takes them for pixels is seen.
Bytes Noise(std::size_t count, std::uint32_t seed) {
    Bytes bytes(count);
    std::uint32_t state = seed * 2654435761u + 12345u;
    for (auto& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

// Sample x of row y of packed samples of 1 to 8 bits, read a bit at a time.
int PackedSample(const Bytes& data, int width, int bits, int x, int y) {
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 7) / 8;
    int value = 0;
    for (int b = 0; b < bits; ++b) {
        const std::size_t bit =
            static_cast<std::size_t>(x) * static_cast<std::size_t>(bits) + static_cast<std::size_t>(b);
        value = value << 1 | ((data[static_cast<std::size_t>(y) * rowBytes + bit / 8] >> (7 - bit % 8)) & 1);
    }
    return value;
}

using Expected = std::function<std::vector<int>(int x, int y)>;

// Every pixel of a picture against expected(x, y): gray, or blue, green, red (and alpha) as
// the type holds them. Stops at the first difference.
void ExpectEveryPixel(const std::optional<DecodedImage>& image,
                      PixelType type,
                      int width,
                      int height,
                      const Expected& expected,
                      int tolerance = 0) {
    ASSERT_TRUE(image);
    ASSERT_EQ(image->type, type);
    ASSERT_EQ(image->width, width);
    ASSERT_EQ(image->height, height);
    ASSERT_GE(image->stride, width * BytesPerPixel(type));
    ASSERT_EQ(image->stride % 4, 0);
    ASSERT_GE(image->bytes.size(), static_cast<std::size_t>(image->stride) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto actual = Pixel(*image, x, y);
            const auto wanted = expected(x, y);
            ASSERT_EQ(actual.size(), wanted.size());
            for (std::size_t k = 0; k < actual.size(); ++k) {
                if (std::abs(actual[k] - wanted[k]) > tolerance) {
                    ADD_FAILURE() << "pixel " << x << "," << y << " channel " << k << ": " << actual[k]
                                  << " instead of " << wanted[k];
                    return;
                }
            }
        }
    }
}

// Widths that end a row anywhere in its last byte at every depth, and at every byte of the
// last 4.
constexpr int kRowWidths[] = {1, 2, 3, 5, 6, 7, 9, 13, 17, 30};
constexpr int kRows = 3;

std::size_t PackedBytes(int width, int bits) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 7) / 8 * kRows;
}

TEST(PdfPixels, PackedGreyRowsOfEveryDepthAndWidthGiveTheirSamples) {
    for (const int bits : {1, 2, 4, 8}) {
        for (const bool inverted : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << " bits" << (inverted ? ", inverted" : ""));
            PdfWriter writer;
            std::vector<std::pair<std::string, int>> images;
            std::vector<Bytes> data;
            for (const int width : kRowWidths) {
                data.push_back(Noise(PackedBytes(width, bits), static_cast<std::uint32_t>(width * 16 + bits)));
                images.emplace_back("W" + std::to_string(width),
                                    AddImage(writer, width, kRows,
                                             "/ColorSpace /DeviceGray /BitsPerComponent " + std::to_string(bits) +
                                                 (inverted ? " /Decode [1 0]" : ""),
                                             data.back()));
            }
            auto opened = Open(OnePage(writer, images));
            ASSERT_EQ(opened.source->Images().size(), images.size());
            const int top = (1 << bits) - 1;
            for (std::size_t i = 0; i < images.size(); ++i) {
                const int width = kRowWidths[i];
                SCOPED_TRACE(testing::Message() << "width " << width);
                ExpectEveryPixel(opened.Decode(i), PixelType::kGray8, width, kRows, [&](int x, int y) {
                    const int sample = PackedSample(data[i], width, bits, x, y);
                    return std::vector<int>{(inverted ? top - sample : sample) * 255 / top};
                });
            }
        }
    }
}

TEST(PdfPixels, PalettesOfEveryDepthAndWidthGiveTheirEntries) {
    for (const int bits : {1, 2, 4, 8}) {
        for (const bool colour : {true, false}) {
            for (const bool inverted : {false, true}) {
                SCOPED_TRACE(testing::Message()
                             << bits << " bits" << (colour ? ", RGB" : ", gray") << (inverted ? ", inverted" : ""));
                const int top = (1 << bits) - 1;
                const std::size_t entryBytes = colour ? 3 : 1;
                const Bytes palette =
                    Noise(static_cast<std::size_t>(top + 1) * entryBytes, static_cast<std::uint32_t>(bits));
                const std::string space = std::string("[/Indexed ") + (colour ? "/DeviceRGB " : "/DeviceGray ") +
                                          std::to_string(top) + " " + HexString(palette) + "]";
                PdfWriter writer;
                std::vector<std::pair<std::string, int>> images;
                std::vector<Bytes> data;
                for (const int width : kRowWidths) {
                    data.push_back(Noise(PackedBytes(width, bits), static_cast<std::uint32_t>(width * 32 + bits)));
                    images.emplace_back("W" + std::to_string(width),
                                        AddImage(writer, width, kRows,
                                                 "/ColorSpace " + space + " /BitsPerComponent " + std::to_string(bits) +
                                                     (inverted ? " /Decode [" + std::to_string(top) + " 0]" : ""),
                                                 data.back()));
                }
                auto opened = Open(OnePage(writer, images));
                ASSERT_EQ(opened.source->Images().size(), images.size());
                for (std::size_t i = 0; i < images.size(); ++i) {
                    const int width = kRowWidths[i];
                    SCOPED_TRACE(testing::Message() << "width " << width);
                    const Expected entry = [&](int x, int y) {
                        const int sample = PackedSample(data[i], width, bits, x, y);
                        const auto index = static_cast<std::size_t>(inverted ? top - sample : sample) * entryBytes;
                        if (!colour) return std::vector<int>{palette[index]};
                        return std::vector<int>{palette[index + 2], palette[index + 1], palette[index]};
                    };
                    ExpectEveryPixel(opened.Decode(i), colour ? PixelType::kBgr24 : PixelType::kGray8, width, kRows,
                                     entry);
                }
            }
        }
    }
}

TEST(PdfPixels, StencilRowsOfEveryWidthTakeTheFillColour) {
    PdfWriter writer;
    std::vector<Bytes> data;
    std::string resources = "<< /XObject << ";
    std::string black;
    std::string red;
    for (const int width : kRowWidths) {
        data.push_back(Noise(PackedBytes(width, 1), static_cast<std::uint32_t>(width)));
        const std::string name = "/M" + std::to_string(width);
        resources += name + " " + Ref(AddImage(writer, width, kRows, "/ImageMask true", data.back())) + " ";
        resources +=
            name + "i " + Ref(AddImage(writer, width, kRows, "/ImageMask true /Decode [1 0]", data.back())) + " ";
        black += name + " Do ";
        red += name + "i Do ";
    }
    resources += ">> >>";
    const int root = test::AddPages(writer, {{black, resources, ""}, {"1 0 0 rg " + red, resources, ""}});
    auto opened = Open(writer.Write(root));
    ASSERT_EQ(opened.source->Images().size(), 2 * std::size(kRowWidths));
    for (std::size_t i = 0; i < std::size(kRowWidths); ++i) {
        const int width = kRowWidths[i];
        SCOPED_TRACE(testing::Message() << "width " << width);
        // Sample 0 paints, or 1 under the inverted Decode array.
        ExpectEveryPixel(opened.Decode(i), PixelType::kGray8, width, kRows, [&](int x, int y) {
            return std::vector<int>{PackedSample(data[i], width, 1, x, y) == 0 ? 0 : 255};
        });
        ExpectEveryPixel(opened.Decode(std::size(kRowWidths) + i), PixelType::kBgr24, width, kRows, [&](int x, int y) {
            return PackedSample(data[i], width, 1, x, y) == 1 ? std::vector<int>{0, 0, 255}
                                                              : std::vector<int>{255, 255, 255};
        });
    }
}

// Colour of every kind with and without opacity, widths whose rows of three bytes a pixel need
// padding and ones that do not: plain, 16-bit, inverted and profiled RGB, JPEG colour, and the
// same with a soft mask, a stencil mask or a colour key.
TEST(PdfPixels, ColourRowsOfEveryWidthWithAndWithoutOpacity) {
    for (const int width : {1, 2, 3, 4, 5, 7}) {
        SCOPED_TRACE(testing::Message() << "width " << width);
        const auto pixels = static_cast<std::size_t>(width) * kRows;
        const auto seed = static_cast<std::uint32_t>(width);
        const Bytes rgb = Noise(pixels * 3, seed);
        const Bytes deep = Noise(pixels * 6, seed + 100);
        const Bytes alpha = Noise(pixels, seed + 200);
        const Bytes stencilBits = Noise(PackedBytes(width, 1), seed + 300);
        const Bytes gray16 = Noise(pixels * 2, seed + 400);
        Bytes negative = rgb;
        for (auto& sample : negative) sample = static_cast<std::uint8_t>(255 - sample);
        const Bytes jpeg = test::MakeJpeg(width, kRows, rgb, {});
        const auto jpegSamples = codecs::DecodeJpeg(jpeg);
        ASSERT_TRUE(jpegSamples);

        PdfWriter writer;
        const auto image = [&](const std::string& dict, const Bytes& data) {
            return AddImage(writer, width, kRows, dict, data);
        };
        const std::string plain = "/ColorSpace /DeviceRGB /BitsPerComponent 8 ";
        const int soft = image("/ColorSpace /DeviceGray /BitsPerComponent 8", alpha);
        const int stencil = image("/ImageMask true", stencilBits);
        const int profile = writer.AddStream("<< /N 3 >>", SwappedRedGreenProfile());
        const std::string profiled = "/ColorSpace [/ICCBased " + Ref(profile) + "] /BitsPerComponent 8 ";
        const std::string dct = plain + "/Filter /DCTDecode ";
        const std::vector<std::pair<std::string, int>> images = {
            {"Plain", image(plain, rgb)},
            {"Soft", image(plain + "/SMask " + Ref(soft), rgb)},
            {"Stencil", image(plain + "/Mask " + Ref(stencil), rgb)},
            {"Key", image(plain + "/Mask [0 127 0 255 0 255]", rgb)},
            {"Deep", image("/ColorSpace /DeviceRGB /BitsPerComponent 16", deep)},
            {"Inverted", image(plain + "/Decode [1 0 1 0 1 0]", negative)},
            {"Gray16", image("/ColorSpace /DeviceGray /BitsPerComponent 16", gray16)},
            {"Profiled", image(profiled, rgb)},
            {"ProfiledSoft", image(profiled + "/SMask " + Ref(soft), rgb)},
            // Value by value through the profile: the general path, the reference for the rows.
            {"ProfiledByValue", image(profiled + "/Decode [1 0 1 0 1 0]", negative)},
            {"Jpeg", image(dct, jpeg)},
            {"JpegSoft", image(dct + "/SMask " + Ref(soft), jpeg)},
        };
        auto opened = Open(OnePage(writer, images));
        ASSERT_EQ(opened.source->Images().size(), images.size());
        const auto at = [&](int x, int y) {
            return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
        };
        const auto bgr = [&](const Bytes& samples, int x, int y) {
            const std::size_t i = 3 * at(x, y);
            return std::vector<int>{samples[i + 2], samples[i + 1], samples[i]};
        };
        const auto with = [](std::vector<int> colour, int a) {
            colour.push_back(a);
            return colour;
        };
        ExpectEveryPixel(opened.Decode(0), PixelType::kBgr24, width, kRows,
                         [&](int x, int y) { return bgr(rgb, x, y); });
        ExpectEveryPixel(opened.Decode(1), PixelType::kBgra32, width, kRows,
                         [&](int x, int y) { return with(bgr(rgb, x, y), alpha[at(x, y)]); });
        ExpectEveryPixel(opened.Decode(2), PixelType::kBgra32, width, kRows, [&](int x, int y) {
            return with(bgr(rgb, x, y), PackedSample(stencilBits, width, 1, x, y) == 0 ? 255 : 0);
        });
        ExpectEveryPixel(opened.Decode(3), PixelType::kBgra32, width, kRows,
                         [&](int x, int y) { return with(bgr(rgb, x, y), rgb[3 * at(x, y)] <= 127 ? 0 : 255); });
        ExpectEveryPixel(opened.Decode(4), PixelType::kBgr24, width, kRows, [&](int x, int y) {
            const std::size_t i = 6 * at(x, y);
            return std::vector<int>{deep[i + 4], deep[i + 2], deep[i]};
        });
        ExpectEveryPixel(opened.Decode(5), PixelType::kBgr24, width, kRows,
                         [&](int x, int y) { return bgr(rgb, x, y); });
        ExpectEveryPixel(opened.Decode(6), PixelType::kGray8, width, kRows,
                         [&](int x, int y) { return std::vector<int>{gray16[2 * at(x, y)]}; });
        const auto byValue = opened.Decode(9);
        ASSERT_TRUE(byValue);
        ASSERT_EQ(byValue->type, PixelType::kBgr24);
        // The profile exchanges red and green: the reference is not the samples as they are.
        bool exchanged = false;
        for (int x = 0; x < width; ++x) exchanged = exchanged || Pixel(*byValue, x, 0) != bgr(rgb, x, 0);
        EXPECT_TRUE(exchanged);
        ExpectEveryPixel(
            opened.Decode(7), PixelType::kBgr24, width, kRows, [&](int x, int y) { return Pixel(*byValue, x, y); }, 2);
        ExpectEveryPixel(
            opened.Decode(8), PixelType::kBgra32, width, kRows,
            [&](int x, int y) { return with(Pixel(*byValue, x, y), alpha[at(x, y)]); }, 2);
        ExpectEveryPixel(opened.Decode(10), PixelType::kBgr24, width, kRows,
                         [&](int x, int y) { return bgr(jpegSamples->samples, x, y); });
        ExpectEveryPixel(opened.Decode(11), PixelType::kBgra32, width, kRows,
                         [&](int x, int y) { return with(bgr(jpegSamples->samples, x, y), alpha[at(x, y)]); });
    }
}

// The largest pictures are written once: their pixels go from the samples into the finished
// picture without another full-size buffer between (each one more pass over the pixels, and
// under some platforms a fresh mapping of memory to fault in). Samples that already are the
// pixels (8-bit levels, RGB rows that need no padding) become the picture themselves.
TEST(PdfPixels, LargePicturesTakeNoBufferBeyondSamplesAndPixels) {
    constexpr int kWidth = 2000;
    constexpr int kHeight = 1000;
    constexpr std::size_t kPixels = std::size_t{kWidth} * kHeight;
    PdfWriter writer;
    const Bytes scan = Noise(kPixels / 8, 1);
    const Bytes levels = Noise(kPixels, 2);
    const Bytes colour = Noise(kPixels * 3, 3);
    const Bytes padded = Noise((kPixels - kHeight) * 3, 4);  // a row of 1999 pixels needs padding
    Bytes ramp(kPixels);
    for (std::size_t i = 0; i < kPixels; ++i) ramp[i] = static_cast<std::uint8_t>(i % kWidth / 8);
    const Bytes deflated = test::ZlibCompress(ramp);  // inflates to many times its size
    Bytes gradient;
    for (std::size_t i = 0; i < kPixels; ++i) {
        const std::size_t x = i % kWidth;
        const std::size_t y = i / kWidth;
        gradient.insert(gradient.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 90});
    }
    const Bytes jpeg = test::MakeJpeg(kWidth, kHeight, gradient, {3, true, false, false, false, 75});
    const std::string gray = "/ColorSpace /DeviceGray /BitsPerComponent ";
    const std::string rgb = "/ColorSpace /DeviceRGB /BitsPerComponent 8 ";
    auto opened =
        Open(OnePage(writer, {{"Scan", AddImage(writer, kWidth, kHeight, gray + "1", scan)},
                              {"Levels", AddImage(writer, kWidth, kHeight, gray + "8", levels)},
                              {"Colour", AddImage(writer, kWidth, kHeight, rgb, colour)},
                              {"Padded", AddImage(writer, kWidth - 1, kHeight, rgb, padded)},
                              {"Photo", AddImage(writer, kWidth, kHeight, rgb + "/Filter /DCTDecode", jpeg)},
                              {"Ramp", AddImage(writer, kWidth, kHeight, gray + "8 /Filter /FlateDecode", deflated)}}));
    ASSERT_EQ(opened.source->Images().size(), 6u);
    const struct {
        std::size_t index;
        std::size_t pictureBytes;
        std::size_t dataBytes;  // the stream's bytes, read once
        bool ownBuffer;         // whether the picture needs a buffer of its own beside the data
    } cases[] = {
        {0, kPixels, scan.size(), true},
        {1, kPixels, levels.size(), false},
        {2, kPixels * 3, colour.size(), false},
        {3, std::size_t{(kWidth - 1) * 3 + 3} / 4 * 4 * kHeight, padded.size(), true},
        {4, kPixels * 3, jpeg.size(), true},
        // Inflated in rounds of doubling size, each round's buffer as large as all before it:
        // together under three times the samples, the last one kept as the picture.
        {5, kPixels, deflated.size() + 3 * kPixels, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        test::ResetLargestAllocation();
        const auto picture = opened.Decode(c.index);
        const std::size_t allocated = test::TotalAllocated();
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->bytes.size(), c.pictureBytes);
        // The data, the picture when it cannot be the data, and a little for tables.
        EXPECT_LT(allocated, c.dataBytes + (c.ownBuffer ? c.pictureBytes : 0) + c.pictureBytes / 4);
        // Nor does the picture keep much more memory than its pixels while it lives.
        EXPECT_LE(picture->bytes.capacity(), c.pictureBytes + c.pictureBytes / 8);
    }
}

// --- encryption ---------------------------------------------------------------------------

Bytes EncryptedDocument(const PdfEncryption& encryption) {
    PdfWriter writer;
    // The palette is a string: string decryption matters as much as stream decryption.
    const int image = AddImage(writer, 3, 1,
                               "/ColorSpace [/Indexed /DeviceRGB 2 <FF000000FF000000FF>] /BitsPerComponent 8 "
                               "/Filter /FlateDecode",
                               test::ZlibCompress(Bytes{1, 2, 0}));
    PdfWriteOptions options;
    if (encryption.revision != 0) options.encryption = &encryption;
    return OnePage(writer, {{"Im", image}}, options);
}

void ExpectDecrypted(const Opened& opened) {
    ASSERT_EQ(opened.status, OpenStatus::kOpened);
    ASSERT_EQ(opened.source->Images().size(), 1u);
    auto pixels = opened.Decode(0);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(Pixel(*pixels, 0, 0), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(Pixel(*pixels, 1, 0), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(Pixel(*pixels, 2, 0), (std::vector<int>{0, 0, 255}));
}

TEST(PdfSecurity, EveryRevisionWithEmptyUserAndOwnerPasswords) {
    const struct {
        const char* label;
        PdfEncryption encryption;
    } cases[] = {
        {"revision 2, RC4 40", {2, 40, false, false, "", "owner"}},
        {"revision 3, RC4 128", {3, 128, false, false, "", "owner"}},
        {"revision 3, RC4 56", {3, 56, false, false, "", "owner"}},
        {"revision 4, RC4 crypt filter", {4, 128, false, false, "", "owner"}},
        {"revision 4, AES-128", {4, 128, true, false, "", "owner"}},
        {"revision 4, AES-128 strings, Identity streams", {4, 128, true, true, "", "owner"}},
        {"revision 4, metadata in the clear", {4, 128, true, false, "", "owner", false}},
        {"revision 6, AES-256", {6, 256, false, false, "", "owner"}},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.label);
        // An empty user password opens directly.
        ExpectDecrypted(Open(EncryptedDocument(c.encryption)));
        c.encryption.user = "s\xe9same";
        c.encryption.owner = "boss";
        const Bytes file = EncryptedDocument(c.encryption);
        EXPECT_EQ(Open(file).status, OpenStatus::kNeedsPassword);
        EXPECT_EQ(Open(file, u"wrong").status, OpenStatus::kNeedsPassword);
        if (c.encryption.revision == 6) {
            // Revision 6 takes the password as UTF-8.
            c.encryption.user = "s\xc3\xa9same";
            const Bytes utf8 = EncryptedDocument(c.encryption);
            ExpectDecrypted(Open(utf8, u"s\u00e9same"));
            ExpectDecrypted(Open(utf8, u"boss"));
        } else {
            ExpectDecrypted(Open(file, u"s\u00e9same"));
            ExpectDecrypted(Open(file, u"boss"));
        }
    }
}

// Damages the hex string after key (e.g. "/OE") in the clear encryption dictionary, keeping
// the file's length: its first digit changed, so the key that entry wraps comes out wrong, or
// (cut) every digit after the first byte blanked, so the entry is too short to wrap a key.
Bytes WithDamagedKeyEntry(Bytes file, const std::string& key, bool cut = false) {
    const std::string text(file.begin(), file.end());
    const std::size_t at = text.find(key + " <");
    EXPECT_NE(at, std::string::npos) << key;
    if (at == std::string::npos) return file;
    const std::size_t first = at + key.size() + 2;
    if (cut) {
        for (std::size_t i = first + 2; i < file.size() && file[i] != '>'; ++i) file[i] = ' ';
    } else {
        file[first] = file[first] == '0' ? '1' : '0';
    }
    return file;
}

// Revision 6 checks the user password before the owner password: each check runs the whole
// iterated hash, and the user password is what opening a document is usually given. The
// document's password is both its user and its owner password, and its owner entry wraps a
// damaged key: only a reader that tries the user first decrypts it. A user entry too short to
// wrap a key still lets the same password in as the owner's, and each password of a document
// with two opens through its own entry.
TEST(PdfSecurity, Revision6TriesTheUserPasswordBeforeTheOwnerPassword) {
    PdfEncryption both{6, 256, false, false, "same", "same"};
    const Bytes file = EncryptedDocument(both);
    ExpectDecrypted(Open(file, u"same"));
    ExpectDecrypted(Open(WithDamagedKeyEntry(file, "/OE"), u"same"));
    ExpectDecrypted(Open(WithDamagedKeyEntry(file, "/UE", true), u"same"));

    PdfEncryption distinct{6, 256, false, false, "user", "owner"};
    const Bytes separate = EncryptedDocument(distinct);
    ExpectDecrypted(Open(WithDamagedKeyEntry(separate, "/OE"), u"user"));
    ExpectDecrypted(Open(WithDamagedKeyEntry(separate, "/UE"), u"owner"));
    EXPECT_EQ(Open(WithDamagedKeyEntry(separate, "/UE", true), u"user").status, OpenStatus::kNeedsPassword);
    EXPECT_EQ(Open(separate, u"neither").status, OpenStatus::kNeedsPassword);
}

#ifndef _WIN32
// Files encrypted by an independent tool, when it is installed (the native test run).
TEST(PdfSecurity, FilesEncryptedByAnotherToolOpen) {
    if (std::system("qpdf --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "qpdf is not installed";
    const Bytes plain = EncryptedDocument(PdfEncryption{0, 0, false, false, "", ""});
    const std::string in = testing::TempDir() + "plain.pdf";
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(plain.data()), std::streamsize(plain.size()));
    const char* modes[] = {"40", "128 --use-aes=n", "128 --use-aes=y", "256"};
    for (const char* mode : modes) {
        SCOPED_TRACE(mode);
        const std::string out = testing::TempDir() + "encrypted.pdf";
        const std::string command = "qpdf --allow-weak-crypto --encrypt user owner " + std::string(mode) + " -- " + in +
                                    " " + out + " 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::ifstream file(out, std::ios::binary);
        const Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_EQ(Open(bytes).status, OpenStatus::kNeedsPassword);
        ExpectDecrypted(Open(bytes, u"user"));
        ExpectDecrypted(Open(bytes, u"owner"));
        // Object streams and a cross-reference stream as that tool writes them.
        const std::string packed = testing::TempDir() + "packed.pdf";
        ASSERT_EQ(std::system(("qpdf --object-streams=generate --password=owner " + out + " " + packed).c_str()), 0);
        std::ifstream packedFile(packed, std::ios::binary);
        const Bytes packedBytes((std::istreambuf_iterator<char>(packedFile)), std::istreambuf_iterator<char>());
        ExpectDecrypted(Open(packedBytes, u"user"));
    }
}
#endif

}  // namespace
}  // namespace pictrove::readers
