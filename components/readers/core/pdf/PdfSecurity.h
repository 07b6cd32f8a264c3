// The standard security handler: revisions 2 to 4 (RC4 of 40 to 128 bits, AES-128 through
// crypt filters, Identity filters) and 5 and 6 (AES-256). Authenticates the user or the owner
// password and decrypts strings and streams with the per-object keys.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "PdfObject.h"

namespace pictrove::readers::pdf {

enum class CryptMethod : std::uint8_t { kNone, kRc4, kAes128, kAes256 };

enum class SecurityStatus { kOpened, kWrongPassword, kUnsupported };

class Security {
  public:
    // encrypt: the resolved encryption dictionary; firstId: the first string of the trailer's
    // ID. password: UTF-16 as typed; empty tries the empty user password.
    static SecurityStatus Create(const Dict& encrypt,
                                 const std::string& firstId,
                                 const std::u16string& password,
                                 std::unique_ptr<Security>& out);

    void DecryptString(std::string& bytes, std::int64_t number, int generation) const;
    std::vector<std::uint8_t> DecryptStream(std::span<const std::uint8_t> data,
                                            std::int64_t number,
                                            int generation) const;

    CryptMethod StreamMethod() const { return streamMethod_; }
    CryptMethod StringMethod() const { return stringMethod_; }
    const std::vector<std::uint8_t>& FileKey() const { return key_; }

  private:
    std::vector<std::uint8_t> ObjectKey(CryptMethod method, std::int64_t number, int generation) const;
    std::vector<std::uint8_t> Run(CryptMethod method,
                                  std::span<const std::uint8_t> data,
                                  std::int64_t number,
                                  int generation) const;

    std::vector<std::uint8_t> key_;
    CryptMethod streamMethod_ = CryptMethod::kNone;
    CryptMethod stringMethod_ = CryptMethod::kNone;
};

}  // namespace pictrove::readers::pdf
