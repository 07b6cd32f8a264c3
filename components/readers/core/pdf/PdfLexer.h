// Tokens and objects of PDF syntax read from a byte span: numbers, strings, names, arrays,
// dictionaries, references and keywords. Every read is bounds-checked and nesting is limited,
// so damaged input yields errors, never a crash.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "PdfObject.h"

namespace pictrove::readers::pdf {

namespace detail {
// Every byte's class, looked up rather than compared: lexing content streams is mostly asking
// these questions. kNumberChar marks what numbers are written with (digits, point, signs).
enum CharClass : std::uint8_t { kWhiteChar = 1, kDelimiterChar = 2, kNumberChar = 4 };
struct CharClasses {
    std::uint8_t of[256] = {};
    constexpr CharClasses() {
        for (const std::uint8_t c : {0, 9, 10, 12, 13, 32}) of[c] = kWhiteChar;
        for (const char c : {'(', ')', '<', '>', '[', ']', '{', '}', '/', '%'}) {
            of[static_cast<std::uint8_t>(c)] = kDelimiterChar;
        }
        for (const char c : {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '.', '+', '-'}) {
            of[static_cast<std::uint8_t>(c)] = kNumberChar;
        }
    }
};
inline constexpr CharClasses kCharClasses{};
}  // namespace detail

inline bool IsWhite(std::uint8_t c) {
    return detail::kCharClasses.of[c] == detail::kWhiteChar;
}

inline bool IsDelimiter(std::uint8_t c) {
    return detail::kCharClasses.of[c] == detail::kDelimiterChar;
}

inline bool IsRegular(std::uint8_t c) {
    return (detail::kCharClasses.of[c] & (detail::kWhiteChar | detail::kDelimiterChar)) == 0;
}

enum class TokenKind : std::uint8_t {
    kEnd,
    kInteger,
    kReal,
    kString,
    kName,
    kKeyword,
    kArrayOpen,
    kArrayClose,
    kDictOpen,
    kDictClose,
    kError,
};

struct Token {
    TokenKind kind = TokenKind::kEnd;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;  // string bytes, name, or keyword
    std::size_t start = 0;

    bool IsKeyword(std::string_view word) const { return kind == TokenKind::kKeyword && text == word; }
};

class Lexer {
  public:
    explicit Lexer(std::span<const std::uint8_t> data, std::size_t position = 0)
        : data_(data), position_(std::min(position, data.size())) {}

    Token Next();
    std::size_t Position() const { return position_; }
    void Seek(std::size_t position) { position_ = std::min(position, data_.size()); }
    std::span<const std::uint8_t> Data() const { return data_; }
    void SkipWhite();
    bool AtEnd() const { return position_ >= data_.size(); }

  private:
    void ReadLiteralString(Token& token);
    void ReadHexString(Token& token);
    void ReadName(Token& token);
    void ReadNumberOrKeyword(Token& token);

    std::span<const std::uint8_t> data_;
    std::size_t position_;
};

// What a run of regular characters is: a number (with its value; producers' stray signs
// tolerated as readers do) or a keyword.
enum class WordKind : std::uint8_t { kInteger, kReal, kKeyword };
WordKind ClassifyWord(std::string_view text, std::int64_t& integer, double& real);
// The same, without the value.
WordKind ClassifyWord(std::string_view text);

inline constexpr int kMaxNesting = 64;

// Reads objects from a lexer. Keywords other than true, false, null and R end an object; the
// caller sees them as keyword tokens through NextToken. References are only recognised when
// allowRefs is set (content streams have none).
class Parser {
  public:
    explicit Parser(Lexer& lexer, bool allowRefs = true) : lexer_(lexer), allowRefs_(allowRefs) {}

    // The next object; nullopt at the end, on an error, or at a keyword (then left in Pending).
    std::optional<Object> ReadObject();
    // The keyword or other token that stopped the last ReadObject, if any, then consumed.
    std::optional<Token> TakePending();

  private:
    std::optional<Object> FromToken(Token token, int depth);
    Token NextToken();

    Lexer& lexer_;
    bool allowRefs_;
    std::optional<Token> pending_;  // a token read ahead
};

// Skips the end-of-line that follows a "stream" keyword (CR LF or LF; a lone CR is tolerated).
std::size_t SkipStreamEol(std::span<const std::uint8_t> data, std::size_t position);

// The first position of word at or after from, or npos.
std::size_t FindBytes(std::span<const std::uint8_t> data, std::string_view word, std::size_t from);

}  // namespace pictrove::readers::pdf
