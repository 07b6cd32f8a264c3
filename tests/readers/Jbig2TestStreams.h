// Writers of JBIG2 test streams, written from the encoding side: an MQ encoder, the integer and
// symbol id encoders, generic and refinement bitmap encoders (contexts formed pixel by pixel
// from the templates, not the decoder's sliding windows), a Huffman bit writer, and segment and
// file builders for both file organisations.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pictrove::test {

using Jbig2Bytes = std::vector<std::uint8_t>;

// Rows of '1' (black) and '.' or '0' (white).
struct TestBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
    static TestBitmap FromRows(const std::vector<std::string>& rows);
    int Get(int x, int y) const {
        return x < 0 || y < 0 || x >= width || y >= height ? 0 : pixels[static_cast<std::size_t>(y * width + x)];
    }
};

class MqEncoder {
  public:
    MqEncoder();
    void Encode(std::uint8_t& state, int bit);
    // Ends the data with the 0xFF 0xAC marker.
    Jbig2Bytes Finish();

  private:
    void ByteOut();
    void Renormalise();
    Jbig2Bytes out_ = {0};  // a dummy byte in front takes a carry out of the first one
    std::uint32_t a_ = 0x8000;
    std::uint32_t c_ = 0;
    int ct_ = 12;
};

// Integer values (nullopt-like out-of-band through Oob()).
class IntegerEncoder {
  public:
    IntegerEncoder() : contexts_(512, 0) {}
    void Encode(MqEncoder& mq, std::int64_t value);
    void Oob(MqEncoder& mq);

  private:
    void Bit(MqEncoder& mq, int bit);
    std::vector<std::uint8_t> contexts_;
    std::uint32_t prev_ = 1;
};

class IdEncoder {
  public:
    explicit IdEncoder(int length) : length_(length), contexts_(std::size_t{1} << length, 0) {}
    void Encode(MqEncoder& mq, std::uint32_t id);

  private:
    int length_;
    std::vector<std::uint8_t> contexts_;
};

// Every context set of an arithmetic text region or symbol dictionary, one per kind of value.
struct ArithCoding {
    explicit ArithCoding(int idLength) : id(idLength) {}
    IntegerEncoder dh, dw, ex, ai, dt, fs, ds, it, ri, rdw, rdh, rdx, rdy;
    IdEncoder id;
    std::vector<std::uint8_t> generic;
    std::vector<std::uint8_t> refinement;
};

struct GenericEncoding {
    int templ = 0;
    bool typicalPrediction = false;
    std::array<int, 8> at = {3, -1, -3, -1, 2, -2, -2, -2};
    const TestBitmap* skip = nullptr;  // pixels set here are not coded (and are 0)
};

// Generic region pixels coded into mq with contexts (sized by the template; kept between calls).
void EncodeGeneric(MqEncoder& mq,
                   std::vector<std::uint8_t>& contexts,
                   const TestBitmap& bitmap,
                   const GenericEncoding& encoding);

struct RefinementEncoding {
    int templ = 0;
    bool typicalPrediction = false;
    std::array<int, 4> at = {-1, -1, -1, -1};
    int dx = 0;
    int dy = 0;
};
void EncodeRefinement(MqEncoder& mq,
                      std::vector<std::uint8_t>& contexts,
                      const TestBitmap& bitmap,
                      const TestBitmap& reference,
                      const RefinementEncoding& encoding);

// Bits most significant first; codes given as strings of '0' and '1'.
class BitWriter {
  public:
    void Code(const std::string& bits);
    void Value(std::uint32_t value, int count);
    void Align();
    Jbig2Bytes Bytes();

  private:
    Jbig2Bytes out_;
    int used_ = 0;
};

void PutU32(Jbig2Bytes& out, std::uint32_t value);
void PutU16(Jbig2Bytes& out, std::uint16_t value);

struct TestSegment {
    std::uint32_t number = 0;
    int type = 0;
    std::uint32_t page = 1;
    std::vector<std::uint32_t> referred;
    Jbig2Bytes data;
    bool unknownLength = false;  // writes 0xFFFFFFFF as the length
};

Jbig2Bytes SegmentHeader(const TestSegment& segment);
// Header and data of each segment in turn (the sequential and embedded organisations).
Jbig2Bytes Sequential(const std::vector<TestSegment>& segments);
// A standalone file: the file header, then the segments sequential or random-access.
Jbig2Bytes Jbig2File(const std::vector<TestSegment>& segments, bool sequential, int pages);

// Page information data.
Jbig2Bytes PageInfo(std::uint32_t width,
                    std::uint32_t height,
                    int defaultPixel = 0,
                    bool striped = false,
                    int maxStripe = 0);
// Region segment information data.
Jbig2Bytes RegionInfo(std::uint32_t width, std::uint32_t height, std::int32_t x, std::int32_t y, int op = 0);
// An immediate arithmetic generic region segment's data for the bitmap.
Jbig2Bytes GenericRegion(const TestBitmap& bitmap,
                         std::int32_t x,
                         std::int32_t y,
                         const GenericEncoding& encoding,
                         int op = 0);

}  // namespace pictrove::test
