// Safe and unique image names.
#include "model/ImageNames.h"

#include <array>

namespace pictrove::readers {
namespace {

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool IsRefusedCharacter(char16_t c) {
    if (c < 0x20) return true;
    switch (c) {
        case u'<':
        case u'>':
        case u':':
        case u'"':
        case u'/':
        case u'\\':
        case u'|':
        case u'?':
        case u'*':
            return true;
        default:
            return false;
    }
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == 0x3000 || c == 0x00A0;
}

char16_t FoldChar(char16_t c) {
    if (c >= u'a' && c <= u'z') return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

// Windows refuses these as file names, also with any extension ("con.png").
bool IsDeviceName(std::u16string_view name) {
    const auto dot = name.find(u'.');
    std::u16string base = FoldCase(name.substr(0, dot));
    while (!base.empty() && IsBlank(base.back())) base.pop_back();
    static constexpr std::array<std::u16string_view, 4> kPlain = {u"CON", u"PRN", u"AUX", u"NUL"};
    for (auto device : kPlain) {
        if (base == device) return true;
    }
    if (base.size() == 4 && (base.starts_with(u"COM") || base.starts_with(u"LPT"))) {
        const char16_t digit = base[3];
        // Superscript digits count as well.
        return (digit >= u'1' && digit <= u'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

}  // namespace

std::u16string FoldCase(std::u16string_view text) {
    std::u16string folded(text);
    for (auto& c : folded) c = FoldChar(c);
    return folded;
}

std::u16string SanitizeImageName(std::u16string_view name) {
    std::u16string safe;
    safe.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        if (IsHighSurrogate(c) && i + 1 < name.size() && IsLowSurrogate(name[i + 1])) {
            safe += c;
            safe += name[++i];
        } else if (IsRefusedCharacter(c) || IsHighSurrogate(c) || IsLowSurrogate(c)) {
            safe += u'_';
        } else {
            safe += c;
        }
    }
    const auto trim = [](std::u16string& text) {
        std::size_t begin = 0;
        while (begin < text.size() && IsBlank(text[begin])) ++begin;
        std::size_t end = text.size();
        while (end > begin && (IsBlank(text[end - 1]) || text[end - 1] == u'.')) --end;
        text = text.substr(begin, end - begin);
    };
    trim(safe);
    if (!safe.empty() && IsDeviceName(safe)) safe.insert(safe.begin(), u'_');
    if (safe.size() > kMaxImageNameLength) {
        std::size_t cut = kMaxImageNameLength;
        if (IsLowSurrogate(safe[cut])) --cut;
        safe.resize(cut);
        trim(safe);
    }
    return safe;
}

std::u16string DocumentStem(std::u16string_view path) {
    const auto slash = path.find_last_of(u"/\\");
    const std::u16string_view file = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    const auto dot = file.rfind(u'.');
    if (dot == std::u16string_view::npos || dot == 0) return std::u16string(file);
    return std::u16string(file.substr(0, dot));
}

std::u16string NumberedName(std::u16string_view stem, int number) {
    std::u16string name(stem);
    name += u'_';
    for (char c : std::to_string(number)) name += static_cast<char16_t>(c);
    return name;
}

std::u16string UniqueNames::Add(std::u16string_view safeName) {
    if (safeName.empty()) return {};
    std::u16string candidate(safeName);
    for (int number = 2; !taken_.insert(FoldCase(candidate)).second; ++number) {
        // Keep the suffix inside the length limit.
        const std::u16string suffix = NumberedName(u"", number);
        std::u16string base(safeName.substr(0, kMaxImageNameLength - suffix.size()));
        if (!base.empty() && IsHighSurrogate(base.back())) base.pop_back();
        candidate = base + suffix;
    }
    return candidate;
}

}  // namespace pictrove::readers
