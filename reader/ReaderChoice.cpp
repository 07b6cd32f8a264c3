// Reader choice by file extension.
#include "reader/ReaderChoice.h"

#include <cwctype>

namespace pictrove {

namespace {

struct FormatRow {
    int format;
    std::wstring_view extensions[11];
};

// Rows are tried in this order; the first exact match wins.
constexpr FormatRow kFormats[] = {
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
};

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::wstring GetReaderExtension(std::wstring_view path) {
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring_view::npos) return {};
    std::wstring_view extension = path.substr(dot);
    if (EqualsNoCase(extension, L".zip")) {
        if (dot == 0) return {};
        const size_t earlier = path.rfind(L'.', dot - 1);
        if (earlier == std::wstring_view::npos) return {};
        extension = path.substr(earlier);
    }
    return std::wstring(extension);
}

int ClassifyExtension(std::wstring_view extension) {
    std::wstring normalized;
    normalized.reserve(extension.size());
    for (wchar_t c : extension) normalized += static_cast<wchar_t>(std::towlower(c));
    const size_t first = normalized.find_first_not_of(L" \t\r\n\v\f");
    if (first == std::wstring::npos) return 0;
    const size_t last = normalized.find_last_not_of(L" \t\r\n\v\f");
    const std::wstring_view trimmed = std::wstring_view(normalized).substr(first, last - first + 1);
    for (const FormatRow& row : kFormats) {
        for (std::wstring_view candidate : row.extensions) {
            if (!candidate.empty() && candidate == trimmed) return row.format;
        }
    }
    return 0;
}

std::wstring SupportedFilesPattern() {
    std::wstring pattern;
    for (const FormatRow& row : kFormats) {
        for (std::wstring_view extension : row.extensions) {
            if (extension.empty()) continue;
            if (!pattern.empty()) pattern += L';';
            pattern += L'*';
            pattern += extension;
        }
    }
    return pattern;
}

Microsoft::WRL::ComPtr<DocumentReader> CreateReaderForFile(std::wstring_view path) {
    Microsoft::WRL::ComPtr<DocumentReader> reader;
    const int format = ClassifyExtension(GetReaderExtension(path));
    if (format < 1 || format > 14) return reader;
    CoCreateInstance(kReaderClassIds[format], nullptr, CLSCTX_ALL, kIidDocumentReader,
                     reinterpret_cast<void**>(reader.GetAddressOf()));
    return reader;
}

}  // namespace pictrove
