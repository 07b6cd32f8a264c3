// Text decoding for the document formats: UTF-8 and UTF-16 with or without a byte-order mark,
// the legacy single-byte code pages that older e-books and zip names use, and base64.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pictrove::readers {

// UTF-8 to UTF-16; bytes that are no valid UTF-8 are read as Windows-1252, so a mislabelled
// name still gives readable text instead of replacement characters.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
bool IsValidUtf8(std::string_view text);

// Code page 437, the original zip name encoding.
std::u16string Cp437ToUtf16(std::string_view text);

// Decodes a document's bytes into UTF-8, by byte-order mark first, then by the encoding named
// in an XML declaration (UTF-8, UTF-16, Windows-1251/1252, KOI8-R, ISO-8859-1/5 ...).
// Unknown encodings are taken as UTF-8.
std::string XmlToUtf8(std::span<const std::uint8_t> bytes);

// Base64 with any white space between the characters; stops at "=" or the end. Nothing when a
// character outside the alphabet appears or the output would exceed limit.
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text, std::size_t limit);

// Percent-escapes (%20) resolved, as in the links of e-book pages.
std::string PercentDecode(std::string_view text);

// ASCII lower case.
std::string AsciiLower(std::string_view text);

// Appends one code point (a valid scalar value) as UTF-8.
void AppendUtf8(std::string& out, char32_t code);

}  // namespace pictrove::readers
