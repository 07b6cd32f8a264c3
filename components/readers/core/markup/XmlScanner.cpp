// Scanning XML tags and text.
#include "markup/XmlScanner.h"

#include "markup/TextCodec.h"
#include "codecs/HexDigits.h"

namespace pictrove::readers {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsNameChar(char c) {
    return !IsSpace(c) && c != '>' && c != '/' && c != '=' && c != '<';
}

void AppendCodePoint(std::string& out, unsigned long code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    AppendUtf8(out, static_cast<char32_t>(code));
}

}  // namespace

std::string_view LocalName(std::string_view qualified) {
    const auto colon = qualified.rfind(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

bool XmlScanner::Next() {
    while (position_ < text_.size()) {
        if (text_[position_] != '<') {
            const auto next = text_.find('<', position_);
            tokenStart_ = position_;
            tokenEnd_ = next == std::string_view::npos ? text_.size() : next;
            position_ = tokenEnd_;
            kind_ = Token::kText;
            return true;
        }
        const std::string_view rest = text_.substr(position_);
        if (rest.starts_with("<!--")) {
            const auto end = text_.find("-->", position_ + 4);
            if (end == std::string_view::npos) return false;
            position_ = end + 3;
            continue;
        }
        if (rest.starts_with("<![CDATA[")) {
            const auto end = text_.find("]]>", position_ + 9);
            if (end == std::string_view::npos) return false;
            tokenStart_ = position_ + 9;
            tokenEnd_ = end;
            position_ = end + 3;
            kind_ = Token::kText;
            return true;
        }
        if (rest.starts_with("<?")) {
            const auto end = text_.find("?>", position_ + 2);
            if (end == std::string_view::npos) return false;
            position_ = end + 2;
            continue;
        }
        if (rest.starts_with("<!")) {
            // A declaration, perhaps with an internal subset in brackets.
            std::size_t at = position_ + 2;
            int depth = 0;
            while (at < text_.size() && (text_[at] != '>' || depth > 0)) {
                if (text_[at] == '[') ++depth;
                if (text_[at] == ']' && depth > 0) --depth;
                ++at;
            }
            if (at >= text_.size()) return false;
            position_ = at + 1;
            continue;
        }
        // A tag: the end is the first ">" outside quotes.
        std::size_t at = position_ + 1;
        char quote = 0;
        while (at < text_.size() && (quote != 0 || text_[at] != '>')) {
            if (quote != 0 && text_[at] == quote) {
                quote = 0;
            } else if (quote == 0 && (text_[at] == '"' || text_[at] == '\'')) {
                quote = text_[at];
            }
            ++at;
        }
        if (at >= text_.size()) return false;
        std::string_view inside = text_.substr(position_ + 1, at - position_ - 1);
        position_ = at + 1;
        const bool end = inside.starts_with("/");
        if (end) inside.remove_prefix(1);
        selfClosing_ = !end && inside.ends_with("/");
        if (selfClosing_) inside.remove_suffix(1);
        std::size_t nameEnd = 0;
        while (nameEnd < inside.size() && IsNameChar(inside[nameEnd])) ++nameEnd;
        if (nameEnd == 0) continue;  // "< " in sloppy markup: not a tag
        name_ = LocalName(inside.substr(0, nameEnd));
        attributes_ = inside.substr(nameEnd);
        kind_ = end ? Token::kEndTag : Token::kStartTag;
        return true;
    }
    return false;
}

template <typename Visit>
void XmlScanner::VisitAttributes(Visit visit) const {
    if (kind_ != Token::kStartTag) return;
    std::size_t at = 0;
    const std::string_view text = attributes_;
    while (at < text.size()) {
        while (at < text.size() && IsSpace(text[at])) ++at;
        const std::size_t nameStart = at;
        while (at < text.size() && IsNameChar(text[at])) ++at;
        const std::string_view name = text.substr(nameStart, at - nameStart);
        if (name.empty()) {
            ++at;
            continue;
        }
        while (at < text.size() && IsSpace(text[at])) ++at;
        std::string_view value;
        if (at < text.size() && text[at] == '=') {
            ++at;
            while (at < text.size() && IsSpace(text[at])) ++at;
            if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
                const char quote = text[at++];
                const auto end = text.find(quote, at);
                const std::size_t stop = end == std::string_view::npos ? text.size() : end;
                value = text.substr(at, stop - at);
                at = stop + 1;
            } else {
                const std::size_t valueStart = at;
                while (at < text.size() && !IsSpace(text[at])) ++at;
                value = text.substr(valueStart, at - valueStart);
            }
        }
        if (!visit(name, value)) return;
    }
}

std::optional<std::string> XmlScanner::Attribute(std::string_view localName) const {
    std::optional<std::string> found;
    VisitAttributes([&](std::string_view name, std::string_view value) {
        if (LocalName(name) != localName) return true;
        found = Unescape(value);
        return false;
    });
    return found;
}

std::vector<std::pair<std::string_view, std::string>> XmlScanner::Attributes() const {
    std::vector<std::pair<std::string_view, std::string>> all;
    VisitAttributes([&](std::string_view name, std::string_view value) {
        all.emplace_back(name, Unescape(value));
        return true;
    });
    return all;
}

std::string XmlScanner::Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const auto semicolon = text.find(';', i);
        if (semicolon == std::string_view::npos || semicolon - i > 12) {
            out += '&';
            continue;
        }
        const std::string_view entity = text.substr(i + 1, semicolon - i - 1);
        if (entity == "amp") {
            out += '&';
        } else if (entity == "lt") {
            out += '<';
        } else if (entity == "gt") {
            out += '>';
        } else if (entity == "quot") {
            out += '"';
        } else if (entity == "apos") {
            out += '\'';
        } else if (entity.size() > 1 && entity[0] == '#') {
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            unsigned long code = 0;
            bool ok = entity.size() > (hex ? 2u : 1u);
            for (std::size_t k = hex ? 2 : 1; k < entity.size() && ok; ++k) {
                const char c = entity[k];
                int digit = codecs::HexDigitValue(static_cast<std::uint8_t>(c));
                if (!hex && digit > 9) digit = -1;
                ok = digit >= 0;
                code = code * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
                if (code > 0x10FFFF) code = 0x110000;
            }
            if (!ok) {
                out += '&';
                continue;
            }
            AppendCodePoint(out, code);
        } else {
            out += '&';
            continue;
        }
        i = semicolon;
    }
    return out;
}

}  // namespace pictrove::readers
