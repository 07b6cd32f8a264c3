// Damaged copies of every reader's documents through the readers' cores: cut short at several
// points and with bytes overwritten (always the same ones). Each copy either fails to open or
// lists pictures that decode at the size they are listed with, or not at all; nothing crashes,
// hangs or throws. The work is bounded by the number of copies, not by a clock.
#include <gtest/gtest.h>

#include <memory>

#include "comic/ComicSource.h"
#include "doc/DocSource.h"
#include "epub/EpubSource.h"
#include "fb2/Fb2Source.h"
#include "pictures/ImageHeader.h"
#include "jbig2/Jbig2Source.h"
#include "mobi/MobiSource.h"
#include "pcx/PcxSource.h"
#include "pdb/PdbSource.h"
#include "TestCorpus.h"
#include "tiff/TiffSource.h"
#include "xps/XpsSource.h"
#include "djvu/DjvuSamples.h"
#include "djvu/DjvuSource.h"
#include "pdf/PdfSource.h"
#include "pictures/PortablePayloadDecoder.h"
#ifdef _WIN32
#include "components/readers/com/GdiplusPayloadDecoder.h"
#include "components/readers/com/ImageFileSource.h"
#endif

namespace pictrove::readers {
namespace {

using test::Bytes;

#ifndef _WIN32
// Without the platform's decoder: embedded files give a gray picture of their header's size,
// metafiles one of their drawing size.
class HeaderSizeDecoder final : public PayloadDecoder {
  public:
    std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t> file, unsigned frame) override {
        if (frame > 0) return std::nullopt;
        if (const auto info = ReadImageHeader(file)) {
            return DecodedImage::Allocate(PixelType::kGray8, info->width, info->height);
        }
        if (const auto size = MetafileSize(file))
            return DecodedImage::Allocate(PixelType::kGray8, size->first, size->second);
        return std::nullopt;
    }
    unsigned FrameCount(std::span<const std::uint8_t> file) override {
        return ReadImageHeader(file) || MetafileSize(file) ? 1 : 0;
    }
};
#endif

PayloadDecoderPtr Decoder() {
#ifdef _WIN32
    return std::make_shared<PortablePayloadDecoder>(std::make_shared<GdiplusPayloadDecoder>());
#else
    return std::make_shared<HeaderSizeDecoder>();
#endif
}

// The core source a reader class uses for the format; nothing for formats only the platform reads.
std::unique_ptr<DocumentSource> SourceFor(int format) {
    switch (format) {
        case 1:
            return std::make_unique<TiffSource>(Decoder());
        case 2:
            return std::make_unique<DjvuSource>(Decoder());
        case 3:
            return std::make_unique<PdfSource>(Decoder());
#ifdef _WIN32
        case 5:
            return std::make_unique<ImageFileSource>();
#endif
        case 6:
            return std::make_unique<XpsSource>(Decoder());
        case 7:
            return std::make_unique<ComicSource>(Decoder());
        case 8:
            return std::make_unique<PdbSource>(Decoder());
        case 9:
            return std::make_unique<Jbig2Source>();
        case 10:
            return std::make_unique<Fb2Source>(Decoder());
        case 11:
            return std::make_unique<PcxSource>();
        case 12:
            return std::make_unique<MobiSource>(Decoder());
        case 13:
            return std::make_unique<EpubSource>(Decoder());
        case 14:
            return std::make_unique<DocSource>(Decoder());
        default:
            return nullptr;
    }
}

struct Outcome {
    bool opened = false;
    std::size_t listed = 0;
    std::size_t decoded = 0;
};

// Opens a copy and decodes every picture it lists; a picture that decodes must have its listed size.
Outcome OpenAndDecode(int format, const std::string& name, Bytes bytes) {
    Outcome outcome;
    auto source = SourceFor(format);
    const std::u16string path = u"C:\\damaged\\" + std::u16string(name.begin(), name.end());
    outcome.opened = source->Open({std::move(bytes), path, u""}) == OpenStatus::kOpened;
    if (!outcome.opened) return outcome;
    const auto& images = source->Images();
    outcome.listed = images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        const auto image = source->Decode(i);
        if (!image) continue;
        ++outcome.decoded;
        EXPECT_EQ(image->width, images[i].width) << name << " picture " << i;
        EXPECT_EQ(image->height, images[i].height) << name << " picture " << i;
        EXPECT_GE(image->stride, image->width * BytesPerPixel(image->type));
        EXPECT_GE(image->bytes.size(), static_cast<std::size_t>(image->stride) * image->height);
    }
    return outcome;
}

constexpr int kCuts = 8;        // cut at 1/8 .. 7/8 of the file and one byte before its end
constexpr int kOverwrites = 8;  // runs of four bytes overwritten at places spread over the file

TEST(DamagedDocuments, EveryReaderFailsCleanlyOrListsWhatDecodes) {
    int copies = 0;
    int openedCopies = 0;
    std::vector<test::CorpusDocument> documents = test::ReaderCorpus();
    // DjVu documents made by DjVuLibre's encoders during the build (self-contained ones: a
    // damaged copy lies elsewhere than the page files an indirect one names).
    for (const char* name : {"bundle.djvu", "compound.djvu", "photo.djvu", "mmr.djvu"}) {
        documents.push_back({2, name, test::djvu::ReadSample(name)});
    }
    for (const auto& document : documents) {
        if (!SourceFor(document.format)) continue;
        SCOPED_TRACE(document.name);
        // The intact document first: it opens, and every picture decodes at its listed size.
        const Outcome intact = OpenAndDecode(document.format, document.name, document.bytes);
        ASSERT_TRUE(intact.opened);
        ASSERT_GT(intact.listed, 0u);
        EXPECT_EQ(intact.decoded, intact.listed) << "every picture of an intact document decodes";

        const std::size_t size = document.bytes.size();
        for (int cut = 1; cut <= kCuts; ++cut) {
            const std::size_t keep = cut < kCuts ? size * cut / kCuts : size - 1;
            SCOPED_TRACE("cut at " + std::to_string(keep));
            const Outcome outcome = OpenAndDecode(document.format, document.name,
                                                  Bytes(document.bytes.begin(), document.bytes.begin() + keep));
            ++copies;
            openedCopies += outcome.opened;
        }
        // A fixed walk over the file (a linear congruential sequence) decides where to write.
        std::uint32_t state = static_cast<std::uint32_t>(size) * 2654435761u;
        for (int run = 0; run < kOverwrites; ++run) {
            state = state * 1664525u + 1013904223u;
            const std::size_t at = (size / kOverwrites) * run + state % std::max<std::size_t>(size / kOverwrites, 1);
            SCOPED_TRACE("overwritten at " + std::to_string(at));
            Bytes damaged = document.bytes;
            for (std::size_t i = at; i < std::min(size, at + 4); ++i)
                damaged[i] = static_cast<std::uint8_t>(run % 2 ? 0xFF : state >> 24);
            const Outcome outcome = OpenAndDecode(document.format, document.name, std::move(damaged));
            ++copies;
            openedCopies += outcome.opened;
        }
    }
    EXPECT_GE(copies, 13 * (kCuts + kOverwrites)) << "a reader's documents went missing from the corpus";
    EXPECT_GT(openedCopies, 0);
}

}  // namespace
}  // namespace pictrove::readers
