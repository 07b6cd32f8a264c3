// Layered image files of the common paint program format (.psd): the merged (flattened) picture
// that such files carry after their layers, for gray and RGB pictures of 8 or 16 bits per
// channel, stored raw or run-length packed. Layers themselves are not listed.
#pragma once

#include <span>

#include "model/DocumentSource.h"

namespace pictrove::readers {

// Whether the bytes start with the signature of such a file.
bool LooksLikePsd(std::span<const std::uint8_t> file);

class PsdSource : public DocumentSource {
  public:
    std::optional<DecodedImage> Decode(std::size_t index) override;

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

  private:
    // Unpacks one channel row into out (width * bytes per sample); false on damaged data.
    bool ReadRow(int channel, int y, std::span<std::uint8_t> out) const;

    FileBytes file_;
    int channels_ = 0;
    int width_ = 0;
    int height_ = 0;
    int bytesPerSample_ = 1;
    int colourChannels_ = 1;               // 1 gray, 3 RGB
    bool alpha_ = false;                   // the channel after the colours is the merged picture's transparency
    bool packed_ = false;                  // run-length packed rows
    std::size_t dataOffset_ = 0;           // first byte of the pixel data
    std::vector<std::size_t> rowOffsets_;  // packed rows: start of each channel row
    std::vector<std::uint16_t> rowSizes_;  // packed rows: bytes of each channel row
};

}  // namespace pictrove::readers
