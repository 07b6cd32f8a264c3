// Limit checks and the per-thread note of a refusal.
#include "model/Limits.h"

namespace pictrove::readers {
namespace {

thread_local LimitBreach noted = LimitBreach::kNone;

}  // namespace

void NoteLimitBreach(LimitBreach breach) {
    if (noted == LimitBreach::kNone) noted = breach;
}

LimitBreach TakeLimitBreach() {
    const LimitBreach breach = noted;
    noted = LimitBreach::kNone;
    return breach;
}

bool WithinPixelLimit(std::uint64_t width, std::uint64_t height) {
    // Both sides below 2^32, so the product cannot wrap.
    const bool within =
        width < (std::uint64_t{1} << 32) && height < (std::uint64_t{1} << 32) && width * height <= kMaxPicturePixels;
    if (!within) NoteLimitBreach(LimitBreach::kPixels);
    return within;
}

bool WithinStreamLimit(std::uint64_t bytes) {
    const bool within = bytes <= kMaxStreamBytes;
    if (!within) NoteLimitBreach(LimitBreach::kStreamBytes);
    return within;
}

}  // namespace pictrove::readers
