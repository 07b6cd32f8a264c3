// Which reader family opens a file, by its extension: the format table every front end shares
// (the window's Open filter and reader choice, both command lines). Format numbers index the
// reader class ids; 0 is no format.
#pragma once

#include <cstddef>
#include <cwctype>
#include <string>
#include <string_view>

namespace pictrove {

struct ReaderFormatRow {
    int format;
    std::wstring_view extensions[11];
};

// Rows are tried in this order; the first exact match wins. One row a line: the installer's
// "Open with" list is read from this table by the build.
inline constexpr ReaderFormatRow kReaderFormats[] = {
    {1, {L".tif", L".tiff"}},
    {2, {L".djvu", L".djv"}},
    {3, {L".pdf", L".wwf"}},
    {4, {L".txt", L".tcr"}},
    {5, {L".bmp", L".jpeg", L".jpg", L".jpe", L".jfif", L".png", L".ico", L".emf", L".wmf", L".gif", L".psd"}},
    {6, {L".xps"}},
    {7, {L".cbz", L".cbr"}},
    {8, {L".pdb"}},
    {9, {L".jbig2", L".jb2"}},
    {10, {L".fb2", L".fb2.zip"}},
    {11, {L".pcx", L".dcx"}},
    {12, {L".mobi", L".azw"}},
    {13, {L".epub"}},
    {14, {L".doc"}},
    {15, {L".docx", L".docm", L".dotx", L".pptx", L".pptm", L".potx", L".ppsx", L".xlsx", L".xlsm"}},
    {16, {L".odt", L".odp", L".ods", L".odg", L".ott", L".otp", L".fodt", L".fodp", L".fods", L".fodg"}},
    {17, {L".ppt", L".pps", L".pot", L".xls", L".xlt"}},
};

inline constexpr int kHighestReaderFormat = 17;

namespace reader_formats_detail {
inline bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return true;
}
}  // namespace reader_formats_detail

// The extension that selects the reader: from the last '.' of the whole path, or from the dot
// before ".zip" so that story.fb2.zip yields ".fb2.zip". Empty when there is no dot.
inline std::wstring GetReaderExtension(std::wstring_view path) {
    const std::size_t dot = path.rfind(L'.');
    if (dot == std::wstring_view::npos) return {};
    std::wstring_view extension = path.substr(dot);
    if (reader_formats_detail::EqualsNoCase(extension, L".zip")) {
        if (dot == 0) return {};
        const std::size_t earlier = path.rfind(L'.', dot - 1);
        if (earlier == std::wstring_view::npos) return {};
        extension = path.substr(earlier);
    }
    return std::wstring(extension);
}

// Format number of the extension table, 0 when no row matches: lower case, white space
// stripped from both ends, exact equality.
inline int ClassifyExtension(std::wstring_view extension) {
    std::wstring normalized;
    normalized.reserve(extension.size());
    for (wchar_t c : extension) normalized += static_cast<wchar_t>(std::towlower(c));
    const std::size_t first = normalized.find_first_not_of(L" \t\r\n\v\f");
    if (first == std::wstring::npos) return 0;
    const std::size_t last = normalized.find_last_not_of(L" \t\r\n\v\f");
    const std::wstring_view trimmed = std::wstring_view(normalized).substr(first, last - first + 1);
    for (const ReaderFormatRow& row : kReaderFormats) {
        for (std::wstring_view candidate : row.extensions) {
            if (!candidate.empty() && candidate == trimmed) return row.format;
        }
    }
    return 0;
}

// Every extension of the table as one open-dialog pattern, in table order: "*.tif;*.tiff;...".
inline std::wstring SupportedFilesPattern() {
    std::wstring pattern;
    for (const ReaderFormatRow& row : kReaderFormats) {
        for (std::wstring_view extension : row.extensions) {
            if (extension.empty()) continue;
            if (!pattern.empty()) pattern += L';';
            pattern += L'*';
            pattern += extension;
        }
    }
    return pattern;
}

}  // namespace pictrove
