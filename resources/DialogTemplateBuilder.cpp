// Reading dialog descriptions and writing extended dialog templates.
#include "resources/DialogTemplateBuilder.h"

#include <windows.h>

#include "resources/LanguageResources.h"
#include "resources/XmlDocument.h"

namespace pictrove {

namespace {

constexpr uint32_t kSetFont = DS_SETFONT;

int32_t Number(IXMLDOMNode* node, const wchar_t* name, const wchar_t* defaultText = L"") {
    return xml::ParseDecimal(xml::GetAttribute(node, name, defaultText));
}

int16_t Short(IXMLDOMNode* node, const wchar_t* name) {
    return static_cast<int16_t>(static_cast<uint16_t>(Number(node, name)));
}

class TemplateWriter {
  public:
    void Word(uint16_t value) { Raw(&value, sizeof(value)); }
    void Dword(uint32_t value) { Raw(&value, sizeof(value)); }
    void Short(int16_t value) { Raw(&value, sizeof(value)); }
    void Text(const std::wstring& text) {
        for (wchar_t c : text) Word(static_cast<uint16_t>(c));
        Word(0);
    }
    void Ordinal(uint16_t value) {
        Word(0xFFFF);
        Word(value);
    }
    void AlignToDword() { bytes_.resize((bytes_.size() + 3) & ~size_t{3}, 0); }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

  private:
    void Raw(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    std::vector<uint8_t> bytes_;
};

}  // namespace

bool ReadDialogDescription(const LanguageResources& language, unsigned dialogId, DialogTemplateBuilder& description) {
    if (!language.HasSelection()) return false;
    auto dialog = language.FindLanguageElement(
        xml::ChildByNumberPattern(L"Dialogs", L"Dialog", L"ID", static_cast<int32_t>(dialogId)));
    if (!dialog) return false;

    description.style = static_cast<uint32_t>(Number(dialog.Get(), L"Style"));
    description.exStyle = static_cast<uint32_t>(Number(dialog.Get(), L"ExtStyle"));
    description.x = Short(dialog.Get(), L"X");
    description.y = Short(dialog.Get(), L"Y");
    description.width = Short(dialog.Get(), L"Width");
    description.height = Short(dialog.Get(), L"Height");
    description.caption = xml::GetAttribute(dialog.Get(), L"Caption", L"");

    if (description.style & kSetFont) {
        if (auto font = xml::SelectNode(dialog.Get(), L"Font")) {
            description.fontName = xml::GetAttribute(font.Get(), L"Name", L"");
            description.pointSize = static_cast<uint16_t>(Number(font.Get(), L"Size"));
            description.weight = static_cast<uint16_t>(Number(font.Get(), L"Weight", L"400"));
        } else {
            description.fontName = L"MS Shell Dlg";
            description.pointSize = 8;
            description.weight = 400;
        }
    }

    xml::ForEachNode(xml::SelectNodes(dialog.Get(), L"Control").Get(), [&](IXMLDOMNode* node) {
        DialogControlItem& item = description.controls.emplace_back();
        item.id = static_cast<uint16_t>(Number(node, L"ID"));
        item.style = static_cast<uint32_t>(Number(node, L"Style"));
        item.exStyle = static_cast<uint32_t>(Number(node, L"ExtStyle"));
        if (const int32_t atom = Number(node, L"SystemClass")) {
            item.classAtom = static_cast<uint16_t>(atom);
        } else {
            item.className = xml::GetAttribute(node, L"ClassName", L"");
        }
        item.x = Short(node, L"X");
        item.y = Short(node, L"Y");
        item.width = Short(node, L"Width");
        item.height = Short(node, L"Height");
        if (const int32_t captionId = Number(node, L"CaptionID")) {
            item.captionId = static_cast<uint16_t>(captionId);
        } else {
            item.caption = xml::UnescapeText(xml::GetAttribute(node, L"Caption", L""));
        }
    });
    return true;
}

std::vector<uint8_t> BuildDialogTemplate(const DialogTemplateBuilder& d) {
    TemplateWriter out;
    out.Word(1);       // version
    out.Word(0xFFFF);  // extended template signature
    out.Dword(d.helpId);
    out.Dword(d.exStyle);
    out.Dword(d.style);
    out.Word(static_cast<uint16_t>(d.controls.size()));
    out.Short(d.x);
    out.Short(d.y);
    out.Short(d.width);
    out.Short(d.height);
    out.Word(0);  // no menu
    out.Word(0);  // the default dialog class
    out.Text(d.caption);
    if (d.style & kSetFont) {
        out.Word(d.pointSize);
        out.Word(d.weight);
        out.Word(0);  // italic 0, character set 0
        out.Text(d.fontName);
    }
    for (const DialogControlItem& item : d.controls) {
        out.AlignToDword();
        out.Dword(item.helpId);
        out.Dword(item.exStyle);
        out.Dword(item.style);
        out.Short(item.x);
        out.Short(item.y);
        out.Short(item.width);
        out.Short(item.height);
        out.Dword(item.id);
        if (item.classAtom)
            out.Ordinal(item.classAtom);
        else
            out.Text(item.className);
        if (item.captionId)
            out.Ordinal(item.captionId);
        else
            out.Text(item.caption);
        out.Word(0);  // no creation data
    }
    return out.Take();
}

}  // namespace pictrove
