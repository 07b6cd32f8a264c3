// Placeholder substitution, safe names and distinct names for output files; no platform calls.
#include "engine/OutputNames.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <unordered_set>

#include "contracts/StoredFormat.h"

namespace pictrove {

namespace {

// The number as printf's "%0<width>d" writes it. The pad format is ours (IndexPadFormat); should
// it ever be anything else, the plain number stands in.
std::wstring PaddedNumber(long long number, std::wstring_view padFormat) {
    std::wstring digits = std::to_wstring(number);
    if (padFormat.size() < 4 || padFormat.substr(0, 2) != L"%0" || padFormat.back() != L'd') return digits;
    size_t width = 0;
    for (wchar_t c : padFormat.substr(2, padFormat.size() - 3)) {
        if (c < L'0' || c > L'9' || width > 64) return digits;
        width = width * 10 + static_cast<size_t>(c - L'0');
    }
    if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
    return digits;
}

}  // namespace

int PadWidth(int imageCount) {
    int width = 0;
    for (int value = imageCount; value > 0; value /= 10) ++width;
    return width;
}

std::wstring IndexPadFormat(int imageCount) {
    return L"%0" + std::to_wstring(PadWidth(imageCount)) + L"d";
}

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view placeholder, std::wstring_view replacement) {
    if (placeholder.empty()) return std::wstring(text);
    std::wstring out;
    out.reserve(text.size());
    size_t from = 0;
    for (size_t at = text.find(placeholder); at != std::wstring_view::npos; at = text.find(placeholder, from)) {
        out.append(text, from, at - from);
        out.append(replacement);
        from = at + placeholder.size();
    }
    out.append(text, from);
    return out;
}

namespace {

// Names Windows keeps for devices, whatever extension follows them ("con.png" is the console).
bool IsReservedDeviceName(std::wstring_view name) {
    const std::wstring_view base = name.substr(0, name.find(L'.'));
    auto equals = [base](std::wstring_view reserved) {
        if (base.size() != reserved.size()) return false;
        for (size_t i = 0; i < base.size(); ++i) {
            if (static_cast<wchar_t>(std::towupper(base[i])) != reserved[i]) return false;
        }
        return true;
    };
    for (std::wstring_view reserved : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (equals(reserved)) return true;
    }
    if (base.size() == 4 && (equals(std::wstring(L"COM") + base[3]) || equals(std::wstring(L"LPT") + base[3]))) {
        // COM1-COM9 and LPT1-LPT9, and the superscript digits Windows treats alike.
        const wchar_t digit = base[3];
        return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
    }
    return false;
}

}  // namespace

std::wstring SafeImageName(std::wstring_view name) {
    std::wstring safe(name.substr(0, kMaxImageNameLength));
    // Never end between the halves of a surrogate pair.
    if (!safe.empty() && safe.size() < name.size() && safe.back() >= 0xD800 && safe.back() <= 0xDBFF) safe.pop_back();
    for (wchar_t& c : safe) {
        if (c < 0x20 || c == 0x7F || std::wcschr(L"\\/:*?\"<>|", c) != nullptr) c = L'_';
    }
    // Windows drops trailing dots and spaces, so "a." would become "a" and ".." the folder above.
    for (size_t i = safe.size(); i > 0 && (safe[i - 1] == L'.' || safe[i - 1] == L' '); --i) safe[i - 1] = L'_';
    if (IsReservedDeviceName(safe)) safe.insert(0, 1, L'_');
    return safe;
}

namespace {

// Each character of text that refused() names, once, in order of appearance.
template <typename Refused>
std::wstring ListRefused(std::wstring_view text, Refused refused) {
    std::wstring seen;
    std::wstring list;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (!refused(c, i) || seen.find(c) != std::wstring::npos) continue;
        seen += c;
        if (!list.empty()) list += L' ';
        if (c < 0x20 || c == 0x7F) {
            wchar_t code[8];
            std::swprintf(code, 8, L"U+%04X", static_cast<unsigned>(c));
            list += code;
        } else {
            list += c;
        }
    }
    return list;
}

bool IsControl(wchar_t c) {
    return c < 0x20 || c == 0x7F;
}

}  // namespace

std::wstring ForbiddenTemplateCharacters(std::wstring_view fileTemplate) {
    return ListRefused(fileTemplate,
                       [](wchar_t c, size_t) { return IsControl(c) || std::wcschr(L":*?\"<>|", c) != nullptr; });
}

std::wstring ForbiddenFolderCharacters(std::wstring_view folder) {
    const std::wstring_view kLongPrefix = L"\\\\?\\";
    const size_t start = folder.substr(0, kLongPrefix.size()) == kLongPrefix ? kLongPrefix.size() : 0;
    return ListRefused(folder.substr(start), [](wchar_t c, size_t i) {
        if (c == L':') return i != 1;
        return IsControl(c) || std::wcschr(L"*?\"<>|", c) != nullptr;
    });
}

std::wstring LongPathForm(std::wstring_view path) {
    std::wstring form(path);
    if (path.size() < kLongPathThreshold) return form;
    // Only a full drive path can take the prefix: it turns off the parsing that would resolve
    // "." and "..", which such a path does not need.
    const bool drivePath = path.size() > 3 && path[1] == L':' && path[2] == L'\\';
    const bool uncPath = path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?';
    if (drivePath) return L"\\\\?\\" + form;
    if (uncPath) return L"\\\\?\\UNC\\" + form.substr(2);
    return form;
}

std::wstring ComposeOutputPath(std::wstring_view folder,
                               std::wstring_view fileTemplate,
                               int index,
                               std::wstring_view padFormat,
                               std::wstring_view imageName) {
    std::wstring path(folder);
    path.append(fileTemplate);
    const long long number = static_cast<long long>(index) + 1;
    path = ReplaceAll(path, L"%II%", std::to_wstring(number));
    path = ReplaceAll(path, L"%0II%", PaddedNumber(number, padFormat));
    return ReplaceAll(path, L"%IN%", SafeImageName(imageName));
}

size_t ExtensionStart(std::wstring_view path) {
    const size_t separator = path.find_last_of(L"\\/");
    const size_t nameStart = separator == std::wstring_view::npos ? 0 : separator + 1;
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring_view::npos || dot < nameStart) return std::wstring_view::npos;
    return dot;
}

namespace {

std::wstring Folded(std::wstring_view text) {
    std::wstring folded(text);
    for (wchar_t& c : folded) c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    return folded;
}

}  // namespace

int ImageTypeOfExtension(std::wstring_view path) {
    const size_t dot = ExtensionStart(path);
    if (dot == std::wstring_view::npos) return -1;
    const std::wstring extension = Folded(path.substr(dot));
    static const struct {
        const wchar_t* extension;
        int type;
    } kKnown[] = {{L".BMP", 0}, {L".GIF", 1}, {L".JPG", 2}, {L".JPEG", 2}, {L".JPE", 2}, {L".JFIF", 2}, {L".PNG", 3}};
    for (const auto& known : kKnown) {
        if (extension == known.extension) return known.type;
    }
    return -1;
}

std::wstring_view ImageTypeExtension(int typeIndex) {
    static constexpr std::wstring_view kExtensions[] = {L".bmp", L".gif", L".jpg", L".png"};
    return typeIndex >= 0 && typeIndex < 4 ? kExtensions[typeIndex] : std::wstring_view();
}

std::wstring FixTemplateExtension(std::wstring fileTemplate, std::wstring_view extension) {
    if (fileTemplate.empty()) fileTemplate = L"%IN%";
    // Only an image extension is ours to swap; "v1.5_%IN%" ends in a name, not in ".5_%IN%".
    if (ImageTypeOfExtension(fileTemplate) >= 0) fileTemplate.erase(ExtensionStart(fileTemplate));
    fileTemplate.append(extension);
    return fileTemplate;
}

std::wstring OriginalFormatExtension(int storedFormat) {
    const std::wstring extension = StoredFormatExtension(storedFormat);
    return extension.empty() ? std::wstring(ImageTypeExtension(3)) : extension;
}

std::wstring NumberedPath(std::wstring_view path, int number) {
    const size_t dot = ExtensionStart(path);
    const size_t cut = dot == std::wstring_view::npos ? path.size() : dot;
    std::wstring numbered(path.substr(0, cut));
    numbered += L" (" + std::to_wstring(number) + L")";
    numbered.append(path.substr(cut));
    return numbered;
}

bool SamePath(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && Folded(a) == Folded(b);
}

namespace {

// The components of a path as Windows resolves it: "." goes, ".." takes the one before away.
// Windows also drops trailing dots and spaces, so a component of nothing else but "." itself
// ("...", ". .") is taken as "..": such a path is never let through as inside.
std::vector<std::wstring> ResolvedComponents(std::wstring_view path) {
    std::vector<std::wstring> components;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos) end = path.size();
        const std::wstring_view component = path.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == L".") continue;
        if (component.find_first_not_of(L". ") == std::wstring_view::npos) {
            if (!components.empty()) components.pop_back();
            continue;
        }
        components.push_back(Folded(component));
    }
    return components;
}

}  // namespace

bool InsideFolder(std::wstring_view path, std::wstring_view folder) {
    const std::vector<std::wstring> inner = ResolvedComponents(path);
    const std::vector<std::wstring> outer = ResolvedComponents(folder);
    return inner.size() > outer.size() && std::equal(outer.begin(), outer.end(), inner.begin());
}

std::vector<std::wstring> DistinctOutputPaths(const std::vector<std::wstring>& paths,
                                              bool keepExisting,
                                              const std::function<bool(const std::wstring&)>& exists) {
    std::vector<std::wstring> distinct;
    distinct.reserve(paths.size());
    std::unordered_set<std::wstring> taken;
    for (const std::wstring& path : paths) {
        std::wstring candidate = path;
        for (int number = 2; taken.count(Folded(candidate)) || (keepExisting && exists && exists(candidate));
             ++number) {
            candidate = NumberedPath(path, number);
        }
        taken.insert(Folded(candidate));
        distinct.push_back(std::move(candidate));
    }
    return distinct;
}

}  // namespace pictrove
