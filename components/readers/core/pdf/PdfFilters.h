// The general stream filters of PDF: Flate and LZW with PNG and TIFF predictors, ASCIIHex,
// ASCII85 and RunLength. Every decoder stops at limit output bytes, so a small stream cannot
// expand into gigabytes, and keeps what it decoded before damaged data.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "PdfObject.h"

namespace pictrove::readers::pdf {

using ByteVector = std::vector<std::uint8_t>;

// The full name of a filter, also for the abbreviations of inline images ("Fl" -> "FlateDecode").
std::string FullFilterName(std::string_view name);
// Filters that produce pictures rather than bytes; they end a chain.
bool IsImageCodec(std::string_view fullName);

// Runs one general filter (full name) with its resolved parameters. False when the filter is
// unknown or nothing usable came out.
bool RunFilter(std::string_view fullName,
               const Dict& params,
               std::span<const std::uint8_t> in,
               std::size_t limit,
               ByteVector& out);

bool AsciiHexDecode(std::span<const std::uint8_t> in, std::size_t limit, ByteVector& out);
bool Ascii85Decode(std::span<const std::uint8_t> in, std::size_t limit, ByteVector& out);
bool RunLengthDecode(std::span<const std::uint8_t> in, std::size_t limit, ByteVector& out);
bool LzwDecode(std::span<const std::uint8_t> in, bool earlyChange, std::size_t limit, ByteVector& out);
bool FlateDecode(std::span<const std::uint8_t> in, std::size_t limit, ByteVector& out);
// Undoes a PNG (10..15) or TIFF (2) predictor in place of data.
bool Unpredict(int predictor, int colours, int bitsPerComponent, int columns, ByteVector& data);

}  // namespace pictrove::readers::pdf
