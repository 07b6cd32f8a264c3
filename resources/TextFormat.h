// printf-style formatting for user-visible texts with typed arguments: a text that asks for
// another kind or number of arguments than the caller passes cannot read past them.
#pragma once

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace pictrove {

using FormatArg = std::variant<long long, std::wstring_view>;

// Formats with the conversions the program's texts use: %d and %s with optional '-' and '0'
// flags and a width, and %%. Returns nothing when a conversion is unknown, does not match the
// argument at its position or has no argument; surplus arguments are ignored, as printf does.
std::optional<std::wstring> FormatText(std::wstring_view format, std::span<const FormatArg> args);

// The conversions of a format in order ('d' or 's'), or nothing when it holds an illegal one.
std::optional<std::string> FormatSignature(std::wstring_view format);

}  // namespace pictrove
