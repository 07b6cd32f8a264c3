// The one way both XML files are read and written: MSXML's DOM through COM, the few query
// patterns the program uses, attribute access with defaults, and the number and escape rules.
#pragma once

#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace pictrove::xml {

using Microsoft::WRL::ComPtr;

// MinGW's headers name these GUIDs without defining them, so the program carries its own.
inline constexpr CLSID kClsidDomDocument = {0xF6D90F11,
                                            0x9C73,
                                            0x11D3,
                                            {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
inline constexpr IID kIidXmlDomDocument = {0x2933BF81,
                                           0x7B36,
                                           0x11D2,
                                           {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
inline constexpr IID kIidXmlDomElement = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// A null pointer when the component cannot be created.
ComPtr<IXMLDOMDocument> CreateDomDocument();
// Synchronous or not, the document is complete when this returns true.
bool LoadDocument(IXMLDOMDocument* document, std::wstring_view path);
// The component's status; the settings store needs it to know whether a replacement file is whole.
HRESULT SaveDocument(IXMLDOMDocument* document, std::wstring_view path);

ComPtr<IXMLDOMNode> SelectNode(IXMLDOMNode* context, std::wstring_view pattern);
ComPtr<IXMLDOMNodeList> SelectNodes(IXMLDOMNode* context, std::wstring_view pattern);
ComPtr<IXMLDOMNodeList> ChildNodes(IXMLDOMNode* node);

// Calls visit(IXMLDOMNode*) for each node of a list in order; indices that yield no node are skipped.
template <class Visit>
void ForEachNode(IXMLDOMNodeList* list, Visit&& visit) {
    if (!list) return;
    long length = 0;
    if (FAILED(list->get_length(&length))) return;
    for (long i = 0; i < length; ++i) {
        ComPtr<IXMLDOMNode> node;
        if (SUCCEEDED(list->get_item(i, &node)) && node) visit(node.Get());
    }
}

// The attribute's text; defaultText when the node, the name or the attribute is missing. A
// present attribute with an empty value gives the empty text.
std::wstring GetAttribute(IXMLDOMNode* node, std::wstring_view name, std::wstring_view defaultText);
void SetAttributeString(IXMLDOMNode* node, std::wstring_view name, std::wstring_view text);
void SetAttributeInt(IXMLDOMNode* node, std::wstring_view name, int32_t value);
void SetAttributeBool(IXMLDOMNode* node, std::wstring_view name, int flag);

// A new element appended after the parent's existing children.
ComPtr<IXMLDOMNode> CreateChildElement(IXMLDOMDocument* document, IXMLDOMNode* parent, std::wstring_view name);
// Finds path below parent; when absent and create is set, creates every "/"-separated piece anew.
// clear empties the result of child nodes (attributes stay).
ComPtr<IXMLDOMNode> GetOrCreateNode(IXMLDOMNode* parent,
                                    std::wstring_view path,
                                    IXMLDOMDocument* document,
                                    bool create,
                                    bool clear);
void ClearNodeContent(IXMLDOMNode* node);

// Query patterns: "parent/child", "parent/child[@attribute="number"]" and
// "parent/child[@attribute="text"]" (text inserted verbatim).
std::wstring ChildPattern(std::wstring_view parent, std::wstring_view child);
std::wstring ChildByNumberPattern(std::wstring_view parent,
                                  std::wstring_view child,
                                  std::wstring_view attribute,
                                  int32_t value);
std::wstring ChildByTextPattern(std::wstring_view parent,
                                std::wstring_view child,
                                std::wstring_view attribute,
                                std::wstring_view value);

// Every number of both files: blanks, one sign, decimal digits, wrapping modulo 2^32.
int32_t ParseDecimal(std::wstring_view text);
// Backslash-r, -n and -t, in three passes in that order; no escape for the backslash itself.
std::wstring UnescapeText(std::wstring_view text);
// The tab pass alone.
std::wstring UnescapeTabs(std::wstring_view text);

}  // namespace pictrove::xml
