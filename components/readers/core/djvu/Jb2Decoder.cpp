// JB2 decoding: the record loop, the number coder's context trees, the direct and refinement
// bitmap templates, and shape placement relative to the current text line.
#include "Jb2Decoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "model/DecodedImage.h"
#include "djvu/ZpDecoder.h"

namespace pictrove::readers::djvu {
namespace {

constexpr int kBigPositive = 262142;
constexpr int kBigNegative = -262143;
// Work bounds for damaged or hostile streams: records, and shape pixels over the whole stream.
constexpr std::size_t kMaxRecords = 4u << 20;
constexpr std::uint64_t kMaxShapePixels = std::uint64_t{1} << 28;
constexpr int kMaxOffset = 1 << 24;

enum Record {
    kStartOfImage = 0,
    kNewSymbolLibraryAndBlit = 1,
    kNewSymbolLibraryOnly = 2,
    kNewSymbolBlitOnly = 3,
    kRefinedLibraryAndBlit = 4,
    kRefinedLibraryOnly = 5,
    kRefinedBlitOnly = 6,
    kMatchedCopy = 7,
    kNonSymbol = 8,
    kRequiredDictionaryOrReset = 9,
    kComment = 10,
    kEndOfData = 11,
};

// A number coded as a walk down a binary tree of contexts that grows as it is used.
class NumberContext {
  public:
    NumberContext() { Reset(); }
    void Reset() { nodes_.assign(1, Node{}); }

    // A number in [low, high]; nothing when the tree would grow past its bound.
    std::optional<int> Decode(ZpDecoder& zp, int low, int high) {
        int cutoff = 0;
        int phase = 1;
        std::uint32_t range = 0xffffffff;
        std::uint32_t node = 0;
        bool negative = false;
        while (range != 1) {
            const bool decision = low >= cutoff || (high >= cutoff && zp.Decode(nodes_[node].context));
            std::uint32_t next = decision ? nodes_[node].right : nodes_[node].left;
            if (next == 0) {
                if (nodes_.size() >= kMaxNodes) return std::nullopt;
                next = static_cast<std::uint32_t>(nodes_.size());
                (decision ? nodes_[node].right : nodes_[node].left) = next;
                nodes_.push_back(Node{});
            }
            node = next;
            switch (phase) {
                case 1:
                    negative = !decision;
                    if (negative) {
                        const int temp = -low - 1;
                        low = -high - 1;
                        high = temp;
                    }
                    phase = 2;
                    cutoff = 1;
                    break;
                case 2:
                    if (!decision) {
                        phase = 3;
                        range = static_cast<std::uint32_t>(cutoff + 1) / 2;
                        if (range == 1) {
                            cutoff = 0;
                        } else {
                            cutoff -= static_cast<int>(range / 2);
                        }
                    } else {
                        if (cutoff > kBigPositive * 4) return std::nullopt;
                        cutoff += cutoff + 1;
                    }
                    break;
                default:
                    range /= 2;
                    if (range != 1) {
                        if (!decision) {
                            cutoff -= static_cast<int>(range / 2);
                        } else {
                            cutoff += static_cast<int>(range / 2);
                        }
                    } else if (!decision) {
                        --cutoff;
                    }
                    break;
            }
        }
        return negative ? -cutoff - 1 : cutoff;
    }

  private:
    struct Node {
        ZpContext context = 0;
        std::uint32_t left = 0;
        std::uint32_t right = 0;
    };
    static constexpr std::size_t kMaxNodes = 1u << 20;
    std::vector<Node> nodes_;
};

class Jb2Decoder {
  public:
    Jb2Decoder(std::span<const std::uint8_t> data, const Jb2Dictionary* shared) : zp_(data), shared_(shared) {}

    // Runs the records; false when the stream is damaged.
    bool Run(bool dictionary);

    int width = 0;
    int height = 0;
    std::vector<std::shared_ptr<const Bitmap>> shapes;  // every shape, library or not
    std::vector<std::uint32_t> library;                 // shapes a later record may match
    std::vector<Blit> blits;

  private:
    void ResetNumbers() {
        for (NumberContext* n : {&recordType_, &matchIndex_, &absLocX_, &absLocY_, &absSizeX_, &absSizeY_, &imageSize_,
                                 &inheritedCount_, &relLocXCurrent_, &relLocXLast_, &relLocYCurrent_, &relLocYLast_,
                                 &relSizeX_, &relSizeY_, &commentLength_, &commentByte_}) {
            n->Reset();
        }
    }
    bool Number(NumberContext& context, int low, int high, int& value) {
        const auto decoded = context.Decode(zp_, low, high);
        if (!decoded) return false;
        value = *decoded;
        return true;
    }
    bool NewBitmap(int w, int h, Bitmap& bitmap);
    bool DecodeDirect(Bitmap& bitmap);
    bool DecodeRefined(Bitmap& bitmap, const Bitmap& reference);
    bool Place(const Bitmap& bitmap, bool absolute, Blit& blit);
    int UpdateBottoms(int bottom) {
        bottoms_[0] = bottoms_[1];
        bottoms_[1] = bottoms_[2];
        bottoms_[2] = bottom;
        // The median of the last three bottoms follows the baseline past descenders.
        std::array<int, 3> sorted = bottoms_;
        std::sort(sorted.begin(), sorted.end());
        return sorted[1];
    }

    ZpDecoder zp_;
    const Jb2Dictionary* shared_;
    NumberContext recordType_, matchIndex_, absLocX_, absLocY_, absSizeX_, absSizeY_, imageSize_, inheritedCount_;
    NumberContext relLocXCurrent_, relLocXLast_, relLocYCurrent_, relLocYLast_, relSizeX_, relSizeY_;
    NumberContext commentLength_, commentByte_;
    ZpContext refinementFlag_ = 0;
    ZpContext offsetType_ = 0;
    std::array<ZpContext, 1024> directContexts_{};
    std::array<ZpContext, 2048> refinementContexts_{};
    // Placement state, in coordinates that grow upwards from the bottom row, 1-based.
    int lastRight_ = 0;
    int lastRowLeft_ = 0;
    int lastRowBottom_ = 0;
    int lastBottom_ = 0;
    std::array<int, 3> bottoms_{};
    std::uint64_t pixels_ = 0;
};

bool Jb2Decoder::NewBitmap(int w, int h, Bitmap& bitmap) {
    if (w < 0 || h < 0 || w > kBigPositive || h > kBigPositive) return false;
    const std::uint64_t area = std::uint64_t(w) * std::uint64_t(h);
    pixels_ += area;
    if (pixels_ > kMaxShapePixels) return false;
    bitmap.width = w;
    bitmap.height = h;
    bitmap.bits.assign(static_cast<std::size_t>(area), 0);
    return true;
}

bool Jb2Decoder::DecodeDirect(Bitmap& bitmap) {
    const int w = bitmap.width;
    for (int y = 0; y < bitmap.height; ++y) {
        std::uint8_t* row = bitmap.bits.data() + static_cast<std::size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            const int context = bitmap.At(x - 1, y - 2) << 9 | bitmap.At(x, y - 2) << 8 | bitmap.At(x + 1, y - 2) << 7 |
                                bitmap.At(x - 2, y - 1) << 6 | bitmap.At(x - 1, y - 1) << 5 | bitmap.At(x, y - 1) << 4 |
                                bitmap.At(x + 1, y - 1) << 3 | bitmap.At(x + 2, y - 1) << 2 | bitmap.At(x - 2, y) << 1 |
                                bitmap.At(x - 1, y);
            row[x] = static_cast<std::uint8_t>(zp_.Decode(directContexts_[context]));
        }
        if (zp_.Exhausted()) return false;
    }
    return true;
}

bool Jb2Decoder::DecodeRefined(Bitmap& bitmap, const Bitmap& reference) {
    const int w = bitmap.width;
    // The reference is centred on the new shape.
    const int dx = (reference.width - 1) / 2 - (w - 1) / 2;
    const int dy = reference.height / 2 - bitmap.height / 2;
    for (int y = 0; y < bitmap.height; ++y) {
        std::uint8_t* row = bitmap.bits.data() + static_cast<std::size_t>(y) * w;
        const int ry = y + dy;
        for (int x = 0; x < w; ++x) {
            const int rx = x + dx;
            const int context =
                bitmap.At(x - 1, y - 1) << 10 | bitmap.At(x, y - 1) << 9 | bitmap.At(x + 1, y - 1) << 8 |
                bitmap.At(x - 1, y) << 7 | reference.At(rx, ry - 1) << 6 | reference.At(rx - 1, ry) << 5 |
                reference.At(rx, ry) << 4 | reference.At(rx + 1, ry) << 3 | reference.At(rx - 1, ry + 1) << 2 |
                reference.At(rx, ry + 1) << 1 | reference.At(rx + 1, ry + 1);
            row[x] = static_cast<std::uint8_t>(zp_.Decode(refinementContexts_[context]));
        }
        if (zp_.Exhausted()) return false;
    }
    return true;
}

bool Jb2Decoder::Place(const Bitmap& bitmap, bool absolute, Blit& blit) {
    int left = 0;
    int bottom = 0;
    if (absolute) {
        int top = 0;
        if (!Number(absLocX_, 1, std::max(1, width), left) || !Number(absLocY_, 1, std::max(1, height), top)) {
            return false;
        }
        bottom = top - bitmap.height + 1;
    } else if (zp_.Decode(offsetType_)) {
        // The first shape of a new line, placed from the first shape of the line before.
        int xDiff = 0;
        int yDiff = 0;
        if (!Number(relLocXLast_, kBigNegative, kBigPositive, xDiff) ||
            !Number(relLocYLast_, kBigNegative, kBigPositive, yDiff)) {
            return false;
        }
        left = lastRowLeft_ + xDiff;
        const int top = lastRowBottom_ + yDiff;
        bottom = top - bitmap.height + 1;
        lastRowLeft_ = left;
        lastRight_ = left + bitmap.width - 1;
        lastBottom_ = lastRowBottom_ = bottom;
        bottoms_.fill(bottom);
    } else {
        int xDiff = 0;
        int yDiff = 0;
        if (!Number(relLocXCurrent_, kBigNegative, kBigPositive, xDiff) ||
            !Number(relLocYCurrent_, kBigNegative, kBigPositive, yDiff)) {
            return false;
        }
        left = lastRight_ + xDiff;
        bottom = lastBottom_ + yDiff;
        lastRight_ = left + bitmap.width - 1;
        lastBottom_ = UpdateBottoms(bottom);
    }
    // Far off the page only by damage; kept well inside int arithmetic.
    if (std::abs(left) > kMaxOffset || std::abs(bottom) > kMaxOffset) return false;
    // From 1-based, upward coordinates to the top-left corner in rows from the top.
    blit.left = left - 1;
    blit.top = height - (bottom - 1) - bitmap.height;
    return true;
}

bool Jb2Decoder::Run(bool dictionary) {
    bool started = false;
    for (std::size_t records = 0; records < kMaxRecords; ++records) {
        if (zp_.Exhausted()) return false;
        int type = 0;
        if (!Number(recordType_, kStartOfImage, kEndOfData, type)) return false;
        if (!started && type != kStartOfImage && type != kRequiredDictionaryOrReset && type != kComment) return false;
        switch (type) {
            case kStartOfImage: {
                if (started) return false;
                if (!Number(imageSize_, 0, kBigPositive, width) || !Number(imageSize_, 0, kBigPositive, height)) {
                    return false;
                }
                if (zp_.Decode(refinementFlag_)) return false;  // no decoder knows what it would mean
                if (!dictionary && !IsAcceptableSize(width, height)) return false;
                started = true;
                lastRowLeft_ = 0;
                lastRight_ = 0;
                lastRowBottom_ = height;
                lastBottom_ = height;
                bottoms_.fill(height);
                break;
            }
            case kRequiredDictionaryOrReset: {
                if (started) {
                    ResetNumbers();
                    break;
                }
                int count = 0;
                if (!Number(inheritedCount_, 0, kBigPositive, count)) return false;
                if (!shared_ || static_cast<std::size_t>(count) > shared_->shapes.size() || !library.empty()) {
                    return false;
                }
                for (int i = 0; i < count; ++i) {
                    library.push_back(static_cast<std::uint32_t>(shapes.size()));
                    shapes.push_back(shared_->shapes[i]);
                }
                break;
            }
            case kComment: {
                int length = 0;
                if (!Number(commentLength_, 0, kBigPositive, length)) return false;
                for (int i = 0; i < length; ++i) {
                    int ignored = 0;
                    if (!Number(commentByte_, 0, 255, ignored)) return false;
                    if (zp_.Exhausted()) return false;
                }
                break;
            }
            case kEndOfData:
                return true;
            case kNewSymbolLibraryAndBlit:
            case kNewSymbolLibraryOnly:
            case kNewSymbolBlitOnly:
            case kNonSymbol: {
                int w = 0;
                int h = 0;
                if (!Number(absSizeX_, 0, kBigPositive, w) || !Number(absSizeY_, 0, kBigPositive, h)) return false;
                auto bitmap = std::make_shared<Bitmap>();
                if (!NewBitmap(w, h, *bitmap) || !DecodeDirect(*bitmap)) return false;
                Blit blit;
                const bool blitted = type != kNewSymbolLibraryOnly;
                if (blitted && !Place(*bitmap, type == kNonSymbol, blit)) return false;
                blit.shape = static_cast<std::uint32_t>(shapes.size());
                shapes.push_back(std::move(bitmap));
                if (type == kNewSymbolLibraryAndBlit || type == kNewSymbolLibraryOnly) library.push_back(blit.shape);
                if (blitted) blits.push_back(blit);
                break;
            }
            case kRefinedLibraryAndBlit:
            case kRefinedLibraryOnly:
            case kRefinedBlitOnly:
            case kMatchedCopy: {
                if (library.empty()) return false;
                int index = 0;
                if (!Number(matchIndex_, 0, static_cast<int>(library.size()) - 1, index)) return false;
                const std::uint32_t match = library[index];
                Blit blit;
                if (type == kMatchedCopy) {
                    if (!Place(*shapes[match], false, blit)) return false;
                    blit.shape = match;
                    blits.push_back(blit);
                    break;
                }
                const Bitmap& reference = *shapes[match];
                int dw = 0;
                int dh = 0;
                if (!Number(relSizeX_, kBigNegative, kBigPositive, dw) ||
                    !Number(relSizeY_, kBigNegative, kBigPositive, dh)) {
                    return false;
                }
                auto bitmap = std::make_shared<Bitmap>();
                if (!NewBitmap(reference.width + dw, reference.height + dh, *bitmap) ||
                    !DecodeRefined(*bitmap, reference)) {
                    return false;
                }
                const bool blitted = type != kRefinedLibraryOnly;
                if (blitted && !Place(*bitmap, false, blit)) return false;
                blit.shape = static_cast<std::uint32_t>(shapes.size());
                shapes.push_back(std::move(bitmap));
                if (type != kRefinedBlitOnly) library.push_back(blit.shape);
                if (blitted) blits.push_back(blit);
                break;
            }
            default:
                return false;
        }
        if (dictionary && !blits.empty()) return false;
    }
    return false;
}

}  // namespace

std::optional<Jb2Dictionary> DecodeJb2Dictionary(std::span<const std::uint8_t> data, const Jb2Dictionary* shared) {
    Jb2Decoder decoder(data, shared);
    if (!decoder.Run(true)) return std::nullopt;
    Jb2Dictionary dictionary;
    for (std::uint32_t index : decoder.library) dictionary.shapes.push_back(decoder.shapes[index]);
    return dictionary;
}

std::optional<Jb2Image> DecodeJb2Image(std::span<const std::uint8_t> data, const Jb2Dictionary* shared) {
    Jb2Decoder decoder(data, shared);
    if (!decoder.Run(false)) return std::nullopt;
    Jb2Image image;
    image.width = decoder.width;
    image.height = decoder.height;
    image.shapes = std::move(decoder.shapes);
    image.blits = std::move(decoder.blits);
    return image;
}

std::vector<std::uint8_t> RenderMask(const Jb2Image& image) {
    std::vector<std::uint8_t> mask(static_cast<std::size_t>(image.width) * image.height, 0);
    for (const Blit& blit : image.blits) {
        const Bitmap& shape = *image.shapes[blit.shape];
        const int y0 = std::max(0, -blit.top);
        const int y1 = std::min(shape.height, image.height - blit.top);
        const int x0 = std::max(0, -blit.left);
        const int x1 = std::min(shape.width, image.width - blit.left);
        for (int y = y0; y < y1; ++y) {
            const std::uint8_t* from = shape.bits.data() + static_cast<std::size_t>(y) * shape.width;
            std::uint8_t* to = mask.data() + static_cast<std::size_t>(blit.top + y) * image.width + blit.left;
            for (int x = x0; x < x1; ++x) to[x] |= from[x];
        }
    }
    return mask;
}

}  // namespace pictrove::readers::djvu
