// TIFF files: every page of the directory chain is listed from its directory (no pixels decoded
// on opening). A page is decoded by the payload decoder (GDI+ in the COM shell) when it sees
// the same pages, otherwise here: bilevel, gray, palette, RGB(A) and CMYK pages of 1 to 16 bits,
// chunky or planar, in strips or tiles, uncompressed, PackBits, LZW or Deflate. CCITT and JPEG
// pages are left to the payload decoder.
#pragma once

#include <span>

#include "model/DocumentSource.h"
#include "pictures/PayloadDecoder.h"

namespace pictrove::readers {

bool LooksLikeTiff(std::span<const std::uint8_t> file);

struct TiffPage {
    int width = 0;
    int height = 0;
    int bitsPerSample = 1;
    int samplesPerPixel = 1;
    int photometric = 1;
    int compression = 1;
    int planar = 1;
    int predictor = 1;
    int extraSamples = 0;  // samples after the colour ones; the first is taken as alpha
    int sampleFormat = 1;  // 1 unsigned, 2 signed, 3 floating point
    double lowest = 0;     // floating-point samples: the value shown black (SMinSampleValue)
    double highest = 1;    // and the value shown white (SMaxSampleValue)
    bool tiled = false;
    int chunkWidth = 0;   // tile width, or the page width for strips
    int chunkHeight = 0;  // tile length or rows per strip
    std::vector<std::uint64_t> offsets;
    std::vector<std::uint64_t> byteCounts;
    std::vector<std::uint16_t> colourMap;  // 3 * 2^bits entries: reds, greens, blues
    std::vector<std::uint8_t> jpegTables;  // shared tables of JPEG-compressed chunks
};

class TiffSource final : public DocumentSource {
  public:
    explicit TiffSource(PayloadDecoderPtr decoder) : decoder_(std::move(decoder)) {}

    std::optional<DecodedImage> Decode(std::size_t index) override;
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override;

    // The page decoded by this core alone, whatever the payload decoder could do.
    std::optional<DecodedImage> DecodeHere(std::size_t index) const;

  private:
    // A page of JPEG-compressed strips or tiles, each decoded as a JPEG file of its own.
    std::optional<DecodedImage> DecodeJpegChunks(const TiffPage& page) const;

  public:
  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

  private:
    PayloadDecoderPtr decoder_;
    FileBytes file_;
    std::vector<TiffPage> pages_;
    int decoderPages_ = -1;  // pages the payload decoder sees; -1 until asked
};

}  // namespace pictrove::readers
