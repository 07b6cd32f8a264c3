// Regression inputs: tiny files whose headers declare enormous pictures or entries.
#pragma once

#include <cstdint>
#include <vector>

namespace pictrove::test {

extern const std::vector<std::uint8_t> kPalmBitmap138;
extern const std::vector<std::uint8_t> kPalmBitmap170;
extern const std::vector<std::uint8_t> kZippedFb2Declared30;
extern const std::vector<std::uint8_t> kZippedFb2Inflates315;
extern const std::vector<std::uint8_t> kPdfDeclares16000Square;
extern const std::vector<std::uint8_t> kDjvuLayerLargerThanPage;
extern const std::vector<std::uint8_t> kJpxGridOf43692Tiles;

}  // namespace pictrove::test
