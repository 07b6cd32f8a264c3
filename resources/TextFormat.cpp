// Typed formatting of user-visible texts.
#include "resources/TextFormat.h"

#include <cwchar>

namespace pictrove {

namespace {

struct Conversion {
    bool leftAlign = false;
    bool zeroPad = false;
    size_t width = 0;
    wchar_t kind = 0;   // 'd', 's' or '%'
    size_t length = 0;  // characters of the conversion, '%' included
};

constexpr size_t kMaxWidth = 256;

std::optional<Conversion> ParseConversion(std::wstring_view text) {
    Conversion c;
    size_t i = 1;
    for (; i < text.size() && (text[i] == L'-' || text[i] == L'0'); ++i) {
        if (text[i] == L'-')
            c.leftAlign = true;
        else
            c.zeroPad = true;
    }
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        c.width = c.width * 10 + static_cast<size_t>(text[i] - L'0');
        if (c.width > kMaxWidth) return std::nullopt;
    }
    if (i >= text.size()) return std::nullopt;
    c.kind = text[i];
    c.length = i + 1;
    if (c.kind == L'%') return c.length == 2 ? std::optional(c) : std::nullopt;
    if (c.kind == L'i') c.kind = L'd';
    if (c.kind != L'd' && c.kind != L's') return std::nullopt;
    return c;
}

void AppendPadded(std::wstring& out, std::wstring_view body, const Conversion& c, bool negative) {
    const size_t shown = body.size() + (negative ? 1 : 0);
    const size_t pad = c.width > shown ? c.width - shown : 0;
    if (c.leftAlign) {
        if (negative) out += L'-';
        out += body;
        out.append(pad, L' ');
    } else if (c.zeroPad && c.kind == L'd') {
        if (negative) out += L'-';
        out.append(pad, L'0');
        out += body;
    } else {
        out.append(pad, L' ');
        if (negative) out += L'-';
        out += body;
    }
}

}  // namespace

std::optional<std::wstring> FormatText(std::wstring_view format, std::span<const FormatArg> args) {
    std::wstring out;
    size_t next = 0;
    for (size_t i = 0; i < format.size();) {
        if (format[i] != L'%') {
            out += format[i++];
            continue;
        }
        auto c = ParseConversion(format.substr(i));
        if (!c) return std::nullopt;
        i += c->length;
        if (c->kind == L'%') {
            out += L'%';
            continue;
        }
        if (next >= args.size()) return std::nullopt;
        const FormatArg& arg = args[next++];
        if (c->kind == L'd') {
            const auto* number = std::get_if<long long>(&arg);
            if (!number) return std::nullopt;
            const bool negative = *number < 0;
            unsigned long long magnitude =
                negative ? 0ULL - static_cast<unsigned long long>(*number) : static_cast<unsigned long long>(*number);
            std::wstring digits;
            do {
                digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
                magnitude /= 10;
            } while (magnitude);
            AppendPadded(out, digits, *c, negative);
        } else {
            const auto* text = std::get_if<std::wstring_view>(&arg);
            if (!text) return std::nullopt;
            AppendPadded(out, *text, *c, false);
        }
    }
    return out;
}

std::optional<std::string> FormatSignature(std::wstring_view format) {
    std::string kinds;
    for (size_t i = 0; i < format.size();) {
        if (format[i] != L'%') {
            ++i;
            continue;
        }
        auto c = ParseConversion(format.substr(i));
        if (!c) return std::nullopt;
        i += c->length;
        if (c->kind != L'%') kinds += static_cast<char>(c->kind);
    }
    return kinds;
}

}  // namespace pictrove
