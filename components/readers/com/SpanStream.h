// A read-only stream over bytes the caller keeps alive for as long as the stream is used, so GDI+
// reads a picture where it lies (in a mapped document, say) instead of from a private copy.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <span>

namespace pictrove::readers {

// A new stream (one reference) at position 0; nothing when out of memory.
IStream* CreateSpanStream(std::span<const std::uint8_t> bytes);

}  // namespace pictrove::readers
