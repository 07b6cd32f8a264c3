// Small helpers for the tests of the XML-backed stores: documents from text, files as text.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/XmlDocument.h"
#include "tests/support/TestSupport.h"

namespace pictrove::test {

// A document parsed from text by the real component; fails the test when the text is not parsed.
inline xml::ComPtr<IXMLDOMDocument> ParseXml(const std::wstring& text) {
    auto document = xml::CreateDomDocument();
    EXPECT_TRUE(document) << "DOMDocument not available";
    if (!document) return nullptr;
    BSTR source = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    VARIANT_BOOL ok = VARIANT_FALSE;
    document->loadXML(source, &ok);
    SysFreeString(source);
    EXPECT_NE(ok, VARIANT_FALSE) << "not parsed";
    return document;
}

// A node as the component serialises it, without the indentation Wine's serialiser adds.
inline std::wstring XmlOf(IXMLDOMNode* node) {
    BSTR text = nullptr;
    if (!node || FAILED(node->get_xml(&text)) || !text) return L"?";
    std::wstring raw(text, SysStringLen(text));
    SysFreeString(text);
    std::wstring result;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == L'\r' && i + 1 < raw.size() && raw[i + 1] == L'\n') {
            for (i += 2; i < raw.size() && raw[i] == L'\t'; ++i) {
            }
            --i;
            continue;
        }
        result += raw[i];
    }
    return result;
}

inline std::string TextOf(const std::vector<unsigned char>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// Line breaks as line feeds, so a comparison does not depend on the serialiser's line-break style.
inline std::string WithLineFeeds(std::string text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

inline bool WriteText(const std::wstring& path, const std::string& utf8) {
    return WriteFileBytes(path, std::vector<unsigned char>(utf8.begin(), utf8.end()));
}

// Names of the files in a folder.
inline std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

}  // namespace pictrove::test
