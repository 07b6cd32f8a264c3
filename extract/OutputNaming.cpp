// Placeholder substitution for output names; no platform calls.
#include "extract/OutputNaming.h"

#include "resources/TextFormat.h"

namespace pictrove {

int PadWidth(int imageCount) {
    int width = 0;
    for (int value = imageCount; value > 0; value /= 10) ++width;
    return width;
}

std::wstring IndexPadFormat(int imageCount) {
    const FormatArg width[] = {static_cast<long long>(PadWidth(imageCount))};
    return FormatText(L"%%0%dd", width).value_or(L"%d");
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

std::wstring SafeImageName(std::wstring_view name) {
    std::wstring safe(name);
    for (wchar_t& c : safe) {
        if (c == L'\\' || c == L'/' || c == L':') c = L'_';
    }
    return safe;
}

std::wstring ComposeOutputPath(std::wstring_view folder,
                               std::wstring_view fileTemplate,
                               int index,
                               std::wstring_view padFormat,
                               std::wstring_view imageName) {
    std::wstring path(folder);
    path.append(fileTemplate);
    const FormatArg number[] = {static_cast<long long>(index) + 1};
    path = ReplaceAll(path, L"%II%", FormatText(L"%d", number).value_or(L""));
    // The pad format is ours (IndexPadFormat); should it ever not fit, the plain number stands in.
    const std::wstring padded = FormatText(padFormat, number).value_or(FormatText(L"%d", number).value_or(L""));
    path = ReplaceAll(path, L"%0II%", padded);
    return ReplaceAll(path, L"%IN%", SafeImageName(imageName));
}

}  // namespace pictrove
