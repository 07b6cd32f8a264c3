// The primitives the standard security handler needs: MD5, SHA-256/384/512, RC4 and AES
// (128 and 256 bits, CBC). Small portable implementations, checked against published vectors,
// so the core needs no platform library and builds anywhere.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace pictrove::readers::pdf::crypto {

using Bytes = std::vector<std::uint8_t>;

std::array<std::uint8_t, 16> Md5(std::span<const std::uint8_t> data);
Bytes Sha256(std::span<const std::uint8_t> data);
Bytes Sha384(std::span<const std::uint8_t> data);
Bytes Sha512(std::span<const std::uint8_t> data);

// RC4 is its own inverse.
Bytes Rc4(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data);

class Aes {
  public:
    // key: 16 or 32 bytes.
    explicit Aes(std::span<const std::uint8_t> key);
    void EncryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const;
    void DecryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const;

  private:
    int rounds_ = 10;
    std::array<std::uint32_t, 60> roundKeys_{};
};

// CBC without padding; data must be whole blocks (a partial last block is dropped, or left
// as it is in place).
void AesCbcEncryptInPlace(std::span<const std::uint8_t> key,
                          std::span<const std::uint8_t> iv,
                          std::span<std::uint8_t> data);
Bytes AesCbcEncrypt(std::span<const std::uint8_t> key,
                    std::span<const std::uint8_t> iv,
                    std::span<const std::uint8_t> data);
// CBC; the first 16 bytes of data are the IV. Removes PKCS#7 padding when it is valid.
Bytes AesCbcDecryptWithIv(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data, bool unpad);

}  // namespace pictrove::readers::pdf::crypto
