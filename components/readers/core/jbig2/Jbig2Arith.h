// Integers and symbol ids decoded with the MQ coder: the integer procedure (one context set per
// kind of value) and the fixed-length symbol id procedure.
#pragma once

#include <cstdint>
#include <optional>

#include "codecs/MqDecoder.h"

namespace pictrove::readers::jbig2 {

// One kind of integer (IADH, IADW, IAFS...), with its own 512 contexts.
class IntegerContexts {
  public:
    IntegerContexts() : contexts_(512) {}
    // The value; nothing for the out-of-band value.
    std::optional<std::int32_t> Decode(codecs::MqDecoder& mq);

  private:
    codecs::MqContexts contexts_;
};

// Symbol ids of codeLength bits.
class IdContexts {
  public:
    explicit IdContexts(int codeLength) : length_(codeLength), contexts_(std::size_t{1} << codeLength) {}
    std::uint32_t Decode(codecs::MqDecoder& mq);

  private:
    int length_;
    codecs::MqContexts contexts_;
};

// The arithmetic decoder's contexts for every integer kind a region or dictionary uses.
struct IntegerSet {
    IntegerContexts dh, dw, ex, ai, dt, fs, ds, it, ri, rdw, rdh, rdx, rdy, rsize;
};

}  // namespace pictrove::readers::jbig2
