// MSXML DOM access for the settings and language files.
#include "resources/XmlDocument.h"

#include <cwctype>
#include <new>
#include <vector>

#include "common/Handles.h"

namespace pictrove::xml {

namespace {

// Class context 23: in-process server and handler, local and remote server.
constexpr DWORD kAnyServer = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

// Every text handed to the component travels as its own system string; running out of memory
// here is not something a caller can work around, so it propagates.
ScopedBstr MakeBstr(std::wstring_view text) {
    ScopedBstr bstr;
    *bstr.Out() = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!bstr.Get()) throw std::bad_alloc();
    return bstr;
}

// A string variant owning its system string.
void SetBstrVariant(VARIANT* v, std::wstring_view text) {
    VariantInit(v);
    v->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!v->bstrVal) throw std::bad_alloc();
    v->vt = VT_BSTR;
}

void SetAttributeVariant(IXMLDOMNode* node, std::wstring_view name, VARIANT* value) {
    if (!node) return;
    ComPtr<IXMLDOMElement> element;
    if (FAILED(node->QueryInterface(kIidXmlDomElement, reinterpret_cast<void**>(element.GetAddressOf()))) || !element) {
        return;
    }
    ScopedBstr bstrName = MakeBstr(name);
    element->setAttribute(bstrName.Get(), *value);
}

}  // namespace

ComPtr<IXMLDOMDocument> CreateDomDocument() {
    ComPtr<IXMLDOMDocument> document;
    if (FAILED(CoCreateInstance(kClsidDomDocument, nullptr, kAnyServer, kIidXmlDomDocument,
                                reinterpret_cast<void**>(document.GetAddressOf())))) {
        return nullptr;
    }
    return document;
}

bool LoadDocument(IXMLDOMDocument* document, std::wstring_view path) {
    if (!document) return false;
    // Loading is asynchronous by default; callers query right away, so ask for a complete document.
    document->put_async(VARIANT_FALSE);
    VARIANT source;
    SetBstrVariant(&source, path);
    VARIANT_BOOL success = VARIANT_FALSE;
    const HRESULT hr = document->load(source, &success);
    VariantClear(&source);
    return SUCCEEDED(hr) && success != VARIANT_FALSE;
}

HRESULT SaveDocument(IXMLDOMDocument* document, std::wstring_view path) {
    if (!document) return E_POINTER;
    VARIANT target;
    SetBstrVariant(&target, path);
    const HRESULT hr = document->save(target);
    VariantClear(&target);
    return hr;
}

ComPtr<IXMLDOMNode> SelectNode(IXMLDOMNode* context, std::wstring_view pattern) {
    ComPtr<IXMLDOMNode> node;
    if (!context) return node;
    ScopedBstr query = MakeBstr(pattern);
    if (context->selectSingleNode(query.Get(), &node) != S_OK) node.Reset();
    return node;
}

ComPtr<IXMLDOMNodeList> SelectNodes(IXMLDOMNode* context, std::wstring_view pattern) {
    ComPtr<IXMLDOMNodeList> list;
    if (!context) return list;
    ScopedBstr query = MakeBstr(pattern);
    if (FAILED(context->selectNodes(query.Get(), &list))) list.Reset();
    return list;
}

ComPtr<IXMLDOMNodeList> ChildNodes(IXMLDOMNode* node) {
    ComPtr<IXMLDOMNodeList> list;
    if (node && FAILED(node->get_childNodes(&list))) list.Reset();
    return list;
}

std::wstring GetAttribute(IXMLDOMNode* node, std::wstring_view name, std::wstring_view defaultText) {
    if (!node || name.empty()) return std::wstring(defaultText);
    try {
        ComPtr<IXMLDOMNamedNodeMap> attributes;
        if (FAILED(node->get_attributes(&attributes)) || !attributes) return std::wstring(defaultText);
        ScopedBstr bstrName = MakeBstr(name);
        ComPtr<IXMLDOMNode> attribute;
        if (attributes->getNamedItem(bstrName.Get(), &attribute) != S_OK || !attribute) {
            return std::wstring(defaultText);
        }
        VARIANT value;
        VariantInit(&value);
        if (SUCCEEDED(attribute->get_nodeValue(&value)) && value.vt == VT_BSTR) {
            std::wstring text(value.bstrVal ? value.bstrVal : L"", value.bstrVal ? SysStringLen(value.bstrVal) : 0);
            VariantClear(&value);
            return text;
        }
        VariantClear(&value);
        ScopedBstr text;
        if (FAILED(attribute->get_text(text.Out()))) return std::wstring(defaultText);
        return std::wstring(text.Get() ? text.Get() : L"", text.Length());
    } catch (const std::bad_alloc&) {
        return std::wstring(defaultText);
    }
}

void SetAttributeString(IXMLDOMNode* node, std::wstring_view name, std::wstring_view text) {
    if (!node) return;
    VARIANT value;
    SetBstrVariant(&value, text);
    SetAttributeVariant(node, name, &value);
    VariantClear(&value);
}

void SetAttributeInt(IXMLDOMNode* node, std::wstring_view name, int32_t number) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = number;
    SetAttributeVariant(node, name, &value);
}

void SetAttributeBool(IXMLDOMNode* node, std::wstring_view name, int flag) {
    SetAttributeInt(node, name, flag != 0 ? 1 : 0);
}

ComPtr<IXMLDOMNode> CreateChildElement(IXMLDOMDocument* document, IXMLDOMNode* parent, std::wstring_view name) {
    if (!document || !parent) return nullptr;
    VARIANT type;
    VariantInit(&type);
    type.vt = VT_I2;
    type.iVal = NODE_ELEMENT;
    ScopedBstr bstrName = MakeBstr(name);
    ComPtr<IXMLDOMNode> created;
    if (FAILED(document->createNode(type, bstrName.Get(), nullptr, &created)) || !created) return nullptr;
    ComPtr<IXMLDOMNode> appended;
    if (FAILED(parent->appendChild(created.Get(), &appended))) return nullptr;
    return appended;
}

ComPtr<IXMLDOMNode> GetOrCreateNode(IXMLDOMNode* parent,
                                    std::wstring_view path,
                                    IXMLDOMDocument* document,
                                    bool create,
                                    bool clear) {
    if (!parent) return nullptr;
    std::vector<std::wstring_view> pieces;
    for (size_t start = 0; start <= path.size();) {
        size_t slash = path.find(L'/', start);
        if (slash == std::wstring_view::npos) slash = path.size();
        if (slash > start) pieces.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    if (pieces.empty()) return nullptr;
    // The query is built from the same pieces the creation uses: a stray slash would make an
    // invalid pattern, on which MSXML under Wine crashes.
    std::wstring query;
    for (const auto& piece : pieces) {
        if (!query.empty()) query += L'/';
        query += piece;
    }
    ComPtr<IXMLDOMNode> node = SelectNode(parent, query);
    if (!node && create) {
        ComPtr<IXMLDOMNode> current = parent;
        for (const auto& piece : pieces) {
            current = CreateChildElement(document, current.Get(), piece);
            if (!current) break;
        }
        node = current;
    }
    if (node && clear) ClearNodeContent(node.Get());
    return node;
}

void ClearNodeContent(IXMLDOMNode* node) {
    if (!node) return;
    // Child by child rather than through put_text: Wine's put_text frees the children outright,
    // so a reference still held to one of them (an earlier query's result) would point at freed
    // memory. Removed children live on as orphans until their last reference goes.
    for (;;) {
        ComPtr<IXMLDOMNode> child;
        if (FAILED(node->get_firstChild(&child)) || !child) break;
        ComPtr<IXMLDOMNode> removed;
        if (FAILED(node->removeChild(child.Get(), &removed))) {
            // Not removable one by one (an attribute node, say): fall back to emptying the text.
            ScopedBstr empty = MakeBstr(L"");
            node->put_text(empty.Get());
            break;
        }
    }
}

std::wstring ChildPattern(std::wstring_view parent, std::wstring_view child) {
    std::wstring pattern(parent);
    pattern += L'/';
    pattern += child;
    return pattern;
}

std::wstring ChildByNumberPattern(std::wstring_view parent,
                                  std::wstring_view child,
                                  std::wstring_view attribute,
                                  int32_t value) {
    return ChildByTextPattern(parent, child, attribute, std::to_wstring(value));
}

std::wstring ChildByTextPattern(std::wstring_view parent,
                                std::wstring_view child,
                                std::wstring_view attribute,
                                std::wstring_view value) {
    std::wstring pattern = ChildPattern(parent, child);
    pattern += L"[@";
    pattern += attribute;
    pattern += L"=\"";
    pattern += value;
    pattern += L"\"]";
    return pattern;
}

int32_t ParseDecimal(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && std::iswspace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10u + static_cast<uint32_t>(text[i] - L'0');
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

namespace {

void ReplaceEscape(std::wstring& text, wchar_t letter, wchar_t replacement) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == letter) {
            out += replacement;
            ++i;
        } else {
            out += text[i];
        }
    }
    text = std::move(out);
}

}  // namespace

std::wstring UnescapeText(std::wstring_view text) {
    std::wstring out(text);
    ReplaceEscape(out, L'r', L'\r');
    ReplaceEscape(out, L'n', L'\n');
    ReplaceEscape(out, L't', L'\t');
    return out;
}

std::wstring UnescapeTabs(std::wstring_view text) {
    std::wstring out(text);
    ReplaceEscape(out, L't', L'\t');
    return out;
}

}  // namespace pictrove::xml
