// A forgiving pull scanner over XML and XHTML text (UTF-8): start and end tags with their
// attributes, and text. Enough for the package, page and book files of e-books; it never
// validates, skips comments, declarations and processing instructions, and stops quietly at
// damaged markup instead of failing the whole document.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pictrove::readers {

class XmlScanner {
  public:
    enum class Token { kStartTag, kEndTag, kText };

    explicit XmlScanner(std::string_view text) : text_(text) {}

    // Moves to the next token; false at the end of the text or at markup that cannot be read.
    bool Next();

    Token Kind() const { return kind_; }
    // The tag's name without its namespace prefix ("svg:image" gives "image").
    std::string_view Name() const { return name_; }
    bool SelfClosing() const { return selfClosing_; }

    // An attribute of the current start tag by local name (prefix ignored), entities resolved.
    std::optional<std::string> Attribute(std::string_view localName) const;
    // Every attribute of the current start tag in document order: qualified name and value,
    // entities resolved.
    std::vector<std::pair<std::string_view, std::string>> Attributes() const;

    // The current text, raw (entities unresolved); CDATA sections come as text too.
    std::string_view Text() const { return text_.substr(tokenStart_, tokenEnd_ - tokenStart_); }

    // Text with the five named entities and numeric references resolved.
    static std::string Unescape(std::string_view text);

  private:
    template <typename Visit>
    void VisitAttributes(Visit visit) const;

    std::string_view text_;
    std::size_t position_ = 0;
    Token kind_ = Token::kText;
    std::string_view name_;
    std::string_view attributes_;  // the raw attribute part of a start tag
    bool selfClosing_ = false;
    std::size_t tokenStart_ = 0;
    std::size_t tokenEnd_ = 0;
};

// The local part of a qualified name.
std::string_view LocalName(std::string_view qualified);

}  // namespace pictrove::readers
