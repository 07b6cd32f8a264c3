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

// Second round.
extern const std::vector<std::uint8_t> kJpxDeclares15000Square;
extern const std::vector<std::uint8_t> kPdfJpxDeclares15000Square;
extern const std::vector<std::uint8_t> kJpxSubsampled2047x44800;
extern const std::vector<std::uint8_t> kJbig2Region15000Square;
extern const std::vector<std::uint8_t> kDjvuBackground15000Square;
extern const std::vector<std::uint8_t> kPdfDctWithoutSamples;
// Made by a real encoder (make-findings-samples.sh): few bytes that must still decode.
extern const std::vector<std::uint8_t> kOpjWhitePage4000x3000;

}  // namespace pictrove::test
