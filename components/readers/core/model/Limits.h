// The readers' side of the two limits of ReaderLimits.h: checks that refuse a picture or a
// stream beyond them, and a note of the refusal on the calling thread, so the shell can tell a
// picture that is too large from one that is damaged without every decoder reporting why.
#pragma once

#include <cstdint>

#include "contracts/ReaderLimits.h"

namespace pictrove::readers {

enum class LimitBreach { kNone, kPixels, kStreamBytes };

// Notes on the calling thread that a limit refused work; the first note stands until taken.
void NoteLimitBreach(LimitBreach breach);
// This thread's note, cleared.
LimitBreach TakeLimitBreach();

// Whether a picture of this size keeps within the pixel limit; a refusal is noted.
bool WithinPixelLimit(std::uint64_t width, std::uint64_t height);
// Whether a stream may unpack to this many bytes; a refusal is noted.
bool WithinStreamLimit(std::uint64_t bytes);

}  // namespace pictrove::readers
