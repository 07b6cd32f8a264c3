// Reading the merged picture of a layered image file.
#include "psd/PsdSource.h"

#include <algorithm>
#include <cstring>

#include "model/ByteReader.h"
#include "codecs/PackBits.h"

namespace pictrove::readers {
namespace {

enum ColourMode : int { kModeGray = 1, kModeRgb = 3, kModeDuotone = 8 };
enum Compression : int { kRaw = 0, kPackBits = 1 };

}  // namespace

bool LooksLikePsd(std::span<const std::uint8_t> file) {
    return file.size() >= 4 && std::memcmp(file.data(), "8BPS", 4) == 0;
}

void PsdSource::Close() {
    file_.clear();
    rowOffsets_.clear();
    rowSizes_.clear();
}

OpenStatus PsdSource::OpenDocument(OpenRequest request) {
    if (!LooksLikePsd(request.bytes)) return OpenStatus::kNotReadable;
    ByteReader reader(request.bytes, 4);
    const int version = reader.U16BE();
    reader.Skip(6);
    channels_ = reader.U16BE();
    height_ = static_cast<int>(std::min<std::uint32_t>(reader.U32BE(), kMaxImageSide + 1));
    width_ = static_cast<int>(std::min<std::uint32_t>(reader.U32BE(), kMaxImageSide + 1));
    const int depth = reader.U16BE();
    const int mode = reader.U16BE();
    if (!reader.Ok() || version != 1 || !IsListableSize(width_, height_)) return OpenStatus::kNotReadable;
    if (depth != 8 && depth != 16) return OpenStatus::kNotReadable;
    bytesPerSample_ = depth / 8;
    if (mode == kModeGray || mode == kModeDuotone) {
        colourChannels_ = 1;
    } else if (mode == kModeRgb) {
        colourChannels_ = 3;
    } else {
        return OpenStatus::kNotReadable;
    }
    if (channels_ < colourChannels_ || channels_ > 56) return OpenStatus::kNotReadable;

    reader.Skip(reader.U32BE());  // colour mode data
    reader.Skip(reader.U32BE());  // image resources
    const std::uint32_t layerSectionSize = reader.U32BE();
    const std::size_t layerSectionEnd = reader.Position() + layerSectionSize;
    // A negative layer count says the first extra channel holds the merged picture's transparency.
    int layerCount = 0;
    if (layerSectionSize >= 6) {
        reader.Skip(4);
        layerCount = static_cast<std::int16_t>(reader.U16BE());
    }
    alpha_ = layerCount < 0 && channels_ > colourChannels_ && colourChannels_ == 3;
    reader.Seek(layerSectionEnd);
    const int compression = reader.U16BE();
    if (!reader.Ok()) return OpenStatus::kNotReadable;

    const std::size_t rowBytes = std::size_t(width_) * bytesPerSample_;
    const std::size_t usedChannels = std::size_t(colourChannels_) + (alpha_ ? 1 : 0);
    if (compression == kRaw) {
        packed_ = false;
        dataOffset_ = reader.Position();
        if (reader.Remaining() / rowBytes / height_ < usedChannels) return OpenStatus::kNotReadable;
    } else if (compression == kPackBits) {
        packed_ = true;
        const std::size_t rows = std::size_t(channels_) * height_;
        rowSizes_.resize(rows);
        for (auto& size : rowSizes_) size = reader.U16BE();
        if (!reader.Ok()) return OpenStatus::kNotReadable;
        rowOffsets_.resize(rows);
        std::size_t offset = reader.Position();
        for (std::size_t row = 0; row < rows; ++row) {
            rowOffsets_[row] = offset;
            offset += rowSizes_[row];
        }
        // Only the channels that are drawn must be complete.
        const std::size_t usedRows = usedChannels * height_;
        if (rowOffsets_[usedRows - 1] + rowSizes_[usedRows - 1] > request.bytes.size()) return OpenStatus::kNotReadable;
    } else {
        return OpenStatus::kNotReadable;  // deflate-compressed data is left to a later version
    }
    file_ = std::move(request.bytes);
    images_.push_back({NamesFromFile(request.path, 1).front(), width_, height_});
    return OpenStatus::kOpened;
}

bool PsdSource::ReadRow(int channel, int y, std::span<std::uint8_t> out) const {
    const std::size_t row = std::size_t(channel) * height_ + y;
    if (packed_) {
        codecs::ByteSink sink(out);
        const auto packed = std::span(file_).subspan(rowOffsets_[row], rowSizes_[row]);
        return codecs::PackBitsDecode(packed, sink).end == codecs::DecodeEnd::kOutputFull;
    }
    const std::size_t offset = dataOffset_ + row * out.size();
    if (offset + out.size() > file_.size()) return false;
    std::memcpy(out.data(), file_.data() + offset, out.size());
    return true;
}

std::optional<DecodedImage> PsdSource::Decode(std::size_t index) {
    if (index != 0 || file_.empty()) return std::nullopt;
    const PixelType type = colourChannels_ == 1 ? PixelType::kGray8 : alpha_ ? PixelType::kBgra32 : PixelType::kBgr24;
    auto image = DecodedImage::Allocate(type, width_, height_);
    if (!image) return std::nullopt;
    const int bpp = BytesPerPixel(type);
    // Colour channels come red, green, blue; the image wants blue, green, red (alpha last).
    const int targetByte[4] = {colourChannels_ == 1 ? 0 : 2, 1, 0, 3};
    std::vector<std::uint8_t> row(std::size_t(width_) * bytesPerSample_);
    for (int channel = 0; channel < bpp; ++channel) {
        for (int y = 0; y < height_; ++y) {
            if (!ReadRow(channel, y, row)) return std::nullopt;
            std::uint8_t* target = image->Row(y) + targetByte[channel];
            // Sixteen-bit samples are big-endian: the first byte is the significant one.
            for (int x = 0; x < width_; ++x) target[x * bpp] = row[std::size_t(x) * bytesPerSample_];
        }
    }
    return image;
}

}  // namespace pictrove::readers
