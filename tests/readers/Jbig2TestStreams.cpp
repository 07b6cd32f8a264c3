// JBIG2 test stream writers.
#include "Jbig2TestStreams.h"

#include "codecs/MqDecoder.h"

namespace pictrove::test {
namespace {

struct Offset {
    int dx;
    int dy;
};

// Template pixels by context bit, lowest first; -1..-4 name the adaptive pixels A1..A4.
struct TemplatePixel {
    int dx;
    int dy;
    int at = 0;  // 1..4 for an adaptive pixel
};

const std::vector<TemplatePixel>& GenericTemplate(int templ) {
    static const std::vector<TemplatePixel> t0 = {{-1, 0}, {-2, 0}, {-3, 0},  {-4, 0},  {0, 0, 1}, {2, -1},
                                                  {1, -1}, {0, -1}, {-1, -1}, {-2, -1}, {0, 0, 2}, {0, 0, 3},
                                                  {1, -2}, {0, -2}, {-1, -2}, {0, 0, 4}};
    static const std::vector<TemplatePixel> t1 = {{-1, 0},  {-2, 0},  {-3, 0}, {0, 0, 1}, {2, -1}, {1, -1}, {0, -1},
                                                  {-1, -1}, {-2, -1}, {2, -2}, {1, -2},   {0, -2}, {-1, -2}};
    static const std::vector<TemplatePixel> t2 = {{-1, 0},  {-2, 0},  {0, 0, 1}, {1, -1}, {0, -1},
                                                  {-1, -1}, {-2, -1}, {1, -2},   {0, -2}, {-1, -2}};
    static const std::vector<TemplatePixel> t3 = {{-1, 0}, {-2, 0}, {-3, 0},  {-4, 0},  {0, 0, 1},
                                                  {1, -1}, {0, -1}, {-1, -1}, {-2, -1}, {-3, -1}};
    return templ == 0 ? t0 : templ == 1 ? t1 : templ == 2 ? t2 : t3;
}

}  // namespace

TestBitmap TestBitmap::FromRows(const std::vector<std::string>& rows) {
    TestBitmap bitmap;
    bitmap.height = static_cast<int>(rows.size());
    bitmap.width = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    for (const auto& row : rows) {
        for (char c : row) bitmap.pixels.push_back(c == '1' ? 1 : 0);
    }
    return bitmap;
}

MqEncoder::MqEncoder() = default;

void MqEncoder::ByteOut() {
    std::uint8_t& b = out_.back();
    if (b == 0xFF) {
        out_.push_back(static_cast<std::uint8_t>(c_ >> 20));
        c_ &= 0xFFFFF;
        ct_ = 7;
    } else if (c_ < 0x8000000) {
        out_.push_back(static_cast<std::uint8_t>(c_ >> 19));
        c_ &= 0x7FFFF;
        ct_ = 8;
    } else {
        ++b;
        if (b == 0xFF) {
            c_ &= 0x7FFFFFF;
            out_.push_back(static_cast<std::uint8_t>(c_ >> 20));
            c_ &= 0xFFFFF;
            ct_ = 7;
        } else {
            out_.push_back(static_cast<std::uint8_t>(c_ >> 19));
            c_ &= 0x7FFFF;
            ct_ = 8;
        }
    }
}

void MqEncoder::Renormalise() {
    do {
        a_ <<= 1;
        c_ <<= 1;
        --ct_;
        if (ct_ == 0) ByteOut();
    } while ((a_ & 0x8000) == 0);
}

void MqEncoder::Encode(std::uint8_t& state, int bit) {
    // The probability table is the decoder's own, which the published test sequence checks.
    const auto& entry = readers::codecs::MqDecoder::kStates[state >> 1];
    int mps = state & 1;
    a_ -= entry.qe;
    if (bit == mps) {
        if ((a_ & 0x8000) == 0) {
            if (a_ < entry.qe)
                a_ = entry.qe;
            else
                c_ += entry.qe;
            state = static_cast<std::uint8_t>(entry.nmps << 1 | mps);
            Renormalise();
        } else {
            c_ += entry.qe;
        }
    } else {
        if (a_ < entry.qe)
            c_ += entry.qe;
        else
            a_ = entry.qe;
        if (entry.switchMps) mps = 1 - mps;
        state = static_cast<std::uint8_t>(entry.nlps << 1 | mps);
        Renormalise();
    }
}

Jbig2Bytes MqEncoder::Finish() {
    const std::uint32_t top = c_ + a_;
    c_ |= 0xFFFF;
    if (c_ >= top) c_ -= 0x8000;
    c_ <<= ct_;
    ByteOut();
    c_ <<= ct_;
    ByteOut();
    if (out_.back() != 0xFF) out_.push_back(0xFF);
    out_.push_back(0xAC);
    return Jbig2Bytes(out_.begin() + 1, out_.end());
}

void IntegerEncoder::Bit(MqEncoder& mq, int bit) {
    mq.Encode(contexts_[prev_], bit);
    prev_ = prev_ < 256 ? (prev_ << 1) | static_cast<std::uint32_t>(bit)
                        : ((((prev_ << 1) | static_cast<std::uint32_t>(bit)) & 511) | 256);
}

void IntegerEncoder::Encode(MqEncoder& mq, std::int64_t value) {
    prev_ = 1;
    const int sign = value < 0 ? 1 : 0;
    std::uint64_t magnitude = static_cast<std::uint64_t>(value < 0 ? -value : value);
    struct Range {
        std::uint64_t low;
        int prefixOnes;
        int bits;
    };
    const Range ranges[] = {{0, 0, 2}, {4, 1, 4}, {20, 2, 6}, {84, 3, 8}, {340, 4, 12}, {4436, 5, 32}};
    const Range* range = &ranges[0];
    for (const auto& r : ranges) {
        if (magnitude >= r.low) range = &r;
    }
    Bit(mq, sign);
    for (int i = 0; i < range->prefixOnes; ++i) Bit(mq, 1);
    if (range->prefixOnes < 5) Bit(mq, 0);
    const std::uint64_t offset = magnitude - range->low;
    for (int i = range->bits - 1; i >= 0; --i) Bit(mq, static_cast<int>((offset >> i) & 1));
}

void IntegerEncoder::Oob(MqEncoder& mq) {
    prev_ = 1;
    Bit(mq, 1);
    Bit(mq, 0);
    Bit(mq, 0);
    Bit(mq, 0);
}

void IdEncoder::Encode(MqEncoder& mq, std::uint32_t id) {
    std::uint32_t prev = 1;
    for (int i = length_ - 1; i >= 0; --i) {
        const int bit = static_cast<int>((id >> i) & 1);
        mq.Encode(contexts_[prev], bit);
        prev = (prev << 1) | static_cast<std::uint32_t>(bit);
    }
}

void EncodeGeneric(MqEncoder& mq,
                   std::vector<std::uint8_t>& contexts,
                   const TestBitmap& bitmap,
                   const GenericEncoding& encoding) {
    const std::size_t size = encoding.templ == 0 ? 65536 : encoding.templ == 1 ? 8192 : 1024;
    if (contexts.size() < size) contexts.assign(size, 0);
    const std::uint32_t sltp[4] = {0x9B25, 0x0795, 0x00E5, 0x0195};
    const auto& pixels = GenericTemplate(encoding.templ);
    int ltp = 0;
    for (int y = 0; y < bitmap.height; ++y) {
        if (encoding.typicalPrediction) {
            bool same = true;
            for (int x = 0; x < bitmap.width; ++x) same = same && bitmap.Get(x, y) == bitmap.Get(x, y - 1);
            mq.Encode(contexts[sltp[encoding.templ]], (same ? 1 : 0) != ltp ? 1 : 0);
            ltp = same ? 1 : 0;
            if (same) continue;
        }
        for (int x = 0; x < bitmap.width; ++x) {
            if (encoding.skip != nullptr && encoding.skip->Get(x, y)) continue;
            std::uint32_t context = 0;
            for (std::size_t bit = 0; bit < pixels.size(); ++bit) {
                int dx = pixels[bit].dx;
                int dy = pixels[bit].dy;
                if (pixels[bit].at != 0) {
                    dx = encoding.at[static_cast<std::size_t>(2 * (pixels[bit].at - 1))];
                    dy = encoding.at[static_cast<std::size_t>(2 * (pixels[bit].at - 1) + 1)];
                }
                context |= static_cast<std::uint32_t>(bitmap.Get(x + dx, y + dy)) << bit;
            }
            mq.Encode(contexts[context], bitmap.Get(x, y));
        }
    }
}

void EncodeRefinement(MqEncoder& mq,
                      std::vector<std::uint8_t>& contexts,
                      const TestBitmap& bitmap,
                      const TestBitmap& reference,
                      const RefinementEncoding& e) {
    if (contexts.size() < 8192) contexts.assign(8192, 0);
    int ltp = 0;
    for (int y = 0; y < bitmap.height; ++y) {
        const int ry = y - e.dy;
        // Typical rows: every pixel whose reference neighbourhood is uniform equals it.
        bool typical = true;
        for (int x = 0; x < bitmap.width; ++x) {
            const int rx = x - e.dx;
            const int centre = reference.Get(rx, ry);
            bool uniform = true;
            for (int j = -1; j <= 1; ++j)
                for (int i = -1; i <= 1; ++i) uniform = uniform && reference.Get(rx + i, ry + j) == centre;
            if (uniform && bitmap.Get(x, y) != centre) typical = false;
        }
        if (e.typicalPrediction) {
            mq.Encode(contexts[e.templ == 0 ? 0x100 : 0x040], (typical ? 1 : 0) != ltp ? 1 : 0);
            ltp = typical ? 1 : 0;
        }
        for (int x = 0; x < bitmap.width; ++x) {
            const int rx = x - e.dx;
            auto r = [&](int i, int j) { return static_cast<std::uint32_t>(reference.Get(rx + i, ry + j)); };
            auto b = [&](int i, int j) { return static_cast<std::uint32_t>(bitmap.Get(x + i, y + j)); };
            if (ltp) {
                bool uniform = true;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i) uniform = uniform && r(i, j) == r(0, 0);
                if (uniform) continue;
            }
            std::uint32_t context = 0;
            if (e.templ == 0) {
                context = b(-1, 0) | b(1, -1) << 1 | b(0, -1) << 2 | b(e.at[0], e.at[1]) << 3 | r(1, 1) << 4 |
                          r(0, 1) << 5 | r(-1, 1) << 6 | r(1, 0) << 7 | r(0, 0) << 8 | r(-1, 0) << 9 | r(1, -1) << 10 |
                          r(0, -1) << 11 | r(e.at[2], e.at[3]) << 12;
            } else {
                context = b(-1, 0) | b(1, -1) << 1 | b(0, -1) << 2 | b(-1, -1) << 3 | r(1, 1) << 4 | r(0, 1) << 5 |
                          r(1, 0) << 6 | r(0, 0) << 7 | r(-1, 0) << 8 | r(0, -1) << 9;
            }
            mq.Encode(contexts[context], bitmap.Get(x, y));
        }
    }
}

void BitWriter::Code(const std::string& bits) {
    for (char c : bits) {
        if (used_ == 0) out_.push_back(0);
        if (c == '1') out_.back() |= static_cast<std::uint8_t>(0x80 >> used_);
        used_ = (used_ + 1) & 7;
    }
}

void BitWriter::Value(std::uint32_t value, int count) {
    std::string bits;
    for (int i = count - 1; i >= 0; --i) bits += ((value >> i) & 1) ? '1' : '0';
    Code(bits);
}

void BitWriter::Align() {
    used_ = 0;
}

Jbig2Bytes BitWriter::Bytes() {
    return out_;
}

void PutU32(Jbig2Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutU16(Jbig2Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

Jbig2Bytes SegmentHeader(const TestSegment& segment) {
    Jbig2Bytes out;
    PutU32(out, segment.number);
    const bool longPage = segment.page > 255;
    out.push_back(static_cast<std::uint8_t>(segment.type | (longPage ? 64 : 0)));
    out.push_back(static_cast<std::uint8_t>(segment.referred.size() << 5));
    for (const auto number : segment.referred) {
        if (segment.number <= 256)
            out.push_back(static_cast<std::uint8_t>(number));
        else if (segment.number <= 65536)
            PutU16(out, static_cast<std::uint16_t>(number));
        else
            PutU32(out, number);
    }
    if (longPage)
        PutU32(out, segment.page);
    else
        out.push_back(static_cast<std::uint8_t>(segment.page));
    PutU32(out, segment.unknownLength ? 0xFFFFFFFF : static_cast<std::uint32_t>(segment.data.size()));
    return out;
}

Jbig2Bytes Sequential(const std::vector<TestSegment>& segments) {
    Jbig2Bytes out;
    for (const auto& segment : segments) {
        const auto header = SegmentHeader(segment);
        out.insert(out.end(), header.begin(), header.end());
        out.insert(out.end(), segment.data.begin(), segment.data.end());
    }
    return out;
}

Jbig2Bytes Jbig2File(const std::vector<TestSegment>& segments, bool sequential, int pages) {
    Jbig2Bytes out = {0x97, 0x4A, 0x42, 0x32, 0x0D, 0x0A, 0x1A, 0x0A};
    out.push_back(static_cast<std::uint8_t>((sequential ? 1 : 0) | (pages < 0 ? 2 : 0)));
    if (pages >= 0) PutU32(out, static_cast<std::uint32_t>(pages));
    if (sequential) {
        const auto body = Sequential(segments);
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }
    for (const auto& segment : segments) {
        const auto header = SegmentHeader(segment);
        out.insert(out.end(), header.begin(), header.end());
    }
    for (const auto& segment : segments) out.insert(out.end(), segment.data.begin(), segment.data.end());
    return out;
}

Jbig2Bytes PageInfo(std::uint32_t width, std::uint32_t height, int defaultPixel, bool striped, int maxStripe) {
    Jbig2Bytes out;
    PutU32(out, width);
    PutU32(out, height);
    PutU32(out, 0);
    PutU32(out, 0);
    out.push_back(static_cast<std::uint8_t>(defaultPixel << 2));
    PutU16(out, static_cast<std::uint16_t>((striped ? 0x8000 : 0) | maxStripe));
    return out;
}

Jbig2Bytes RegionInfo(std::uint32_t width, std::uint32_t height, std::int32_t x, std::int32_t y, int op) {
    Jbig2Bytes out;
    PutU32(out, width);
    PutU32(out, height);
    PutU32(out, static_cast<std::uint32_t>(x));
    PutU32(out, static_cast<std::uint32_t>(y));
    out.push_back(static_cast<std::uint8_t>(op));
    return out;
}

Jbig2Bytes GenericRegion(const TestBitmap& bitmap,
                         std::int32_t x,
                         std::int32_t y,
                         const GenericEncoding& encoding,
                         int op) {
    Jbig2Bytes out =
        RegionInfo(static_cast<std::uint32_t>(bitmap.width), static_cast<std::uint32_t>(bitmap.height), x, y, op);
    out.push_back(static_cast<std::uint8_t>((encoding.templ << 1) | (encoding.typicalPrediction ? 8 : 0)));
    const int count = encoding.templ == 0 ? 8 : 2;
    for (int i = 0; i < count; ++i) out.push_back(static_cast<std::uint8_t>(encoding.at[static_cast<std::size_t>(i)]));
    MqEncoder mq;
    std::vector<std::uint8_t> contexts;
    EncodeGeneric(mq, contexts, bitmap, encoding);
    const auto coded = mq.Finish();
    out.insert(out.end(), coded.begin(), coded.end());
    return out;
}

}  // namespace pictrove::test
