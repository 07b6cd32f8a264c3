// Names and files natively: the commands' wide strings as UTF-8 paths, errno as the reasons
// the command line reports, and whole files only.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/DecodedImage.h"

namespace pictrove::cli {

std::string Utf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

// A path as the file system takes it: UTF-8, and a template's backslashes as folder separators.
std::string NativePath(std::wstring_view path);

// The reason code of an errno value.
std::uint32_t ReasonOfErrno(int error);

// Writes the bytes to a temporary file beside path and renames it over path, so no half-written
// file is ever left under the final name; 0, or the reason it failed.
std::uint32_t WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

// Encodes the picture as the image type says (PNG for the original format) and writes it whole.
std::uint32_t WriteEncodedPicture(const readers::DecodedImage& image, int typeIndex, const std::string& path);

}  // namespace pictrove::cli
