// PDF tokens and objects.
#include "PdfLexer.h"

#include <cmath>
#include <cstring>

#include "codecs/HexDigits.h"

namespace pictrove::readers::pdf {
namespace {

// Strings longer than this are cut: no legitimate dictionary value needs more, and it bounds
// what a damaged file can make us hold per token.
constexpr std::size_t kMaxTokenBytes = std::size_t{1} << 24;

}  // namespace

void Lexer::SkipWhite() {
    while (position_ < data_.size()) {
        const std::uint8_t c = data_[position_];
        if (IsWhite(c)) {
            ++position_;
        } else if (c == '%') {
            while (position_ < data_.size() && data_[position_] != '\n' && data_[position_] != '\r') ++position_;
        } else {
            break;
        }
    }
}

Token Lexer::Next() {
    SkipWhite();
    Token token;
    token.start = position_;
    if (position_ >= data_.size()) return token;
    const std::uint8_t c = data_[position_];
    switch (c) {
        case '(':
            ++position_;
            ReadLiteralString(token);
            break;
        case '<':
            if (position_ + 1 < data_.size() && data_[position_ + 1] == '<') {
                position_ += 2;
                token.kind = TokenKind::kDictOpen;
            } else {
                ++position_;
                ReadHexString(token);
            }
            break;
        case '>':
            if (position_ + 1 < data_.size() && data_[position_ + 1] == '>') {
                position_ += 2;
                token.kind = TokenKind::kDictClose;
            } else {
                ++position_;
                token.kind = TokenKind::kError;
            }
            break;
        case '[':
            ++position_;
            token.kind = TokenKind::kArrayOpen;
            break;
        case ']':
            ++position_;
            token.kind = TokenKind::kArrayClose;
            break;
        case '/':
            ++position_;
            ReadName(token);
            break;
        case '{':
        case '}':
        case ')':
            ++position_;
            token.kind = TokenKind::kKeyword;  // PostScript braces and stray parentheses
            token.text.assign(1, static_cast<char>(c));
            break;
        default:
            ReadNumberOrKeyword(token);
            break;
    }
    return token;
}

void Lexer::ReadLiteralString(Token& token) {
    token.kind = TokenKind::kString;
    int depth = 1;
    while (position_ < data_.size()) {
        std::uint8_t c = data_[position_++];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0) return;
        } else if (c == '\\') {
            if (position_ >= data_.size()) break;
            c = data_[position_++];
            switch (c) {
                case 'n':
                    c = '\n';
                    break;
                case 'r':
                    c = '\r';
                    break;
                case 't':
                    c = '\t';
                    break;
                case 'b':
                    c = '\b';
                    break;
                case 'f':
                    c = '\f';
                    break;
                case '\r':
                    if (position_ < data_.size() && data_[position_] == '\n') ++position_;
                    continue;
                case '\n':
                    continue;
                default:
                    if (c >= '0' && c <= '7') {
                        int value = c - '0';
                        for (int i = 0;
                             i < 2 && position_ < data_.size() && data_[position_] >= '0' && data_[position_] <= '7';
                             ++i) {
                            value = value * 8 + (data_[position_++] - '0');
                        }
                        c = static_cast<std::uint8_t>(value);
                    }
                    break;
            }
        } else if (c == '\r') {
            // An end of line inside a string reads as a single line feed.
            if (position_ < data_.size() && data_[position_] == '\n') ++position_;
            c = '\n';
        }
        if (token.text.size() < kMaxTokenBytes) token.text += static_cast<char>(c);
    }
}

void Lexer::ReadHexString(Token& token) {
    token.kind = TokenKind::kString;
    int high = -1;
    while (position_ < data_.size()) {
        const std::uint8_t c = data_[position_++];
        if (c == '>') break;
        const int value = codecs::HexDigitValue(c);
        if (value < 0) continue;
        if (high < 0) {
            high = value;
        } else {
            if (token.text.size() < kMaxTokenBytes) token.text += static_cast<char>(high * 16 + value);
            high = -1;
        }
    }
    if (high >= 0) token.text += static_cast<char>(high * 16);
}

void Lexer::ReadName(Token& token) {
    token.kind = TokenKind::kName;
    while (position_ < data_.size() && IsRegular(data_[position_])) {
        std::uint8_t c = data_[position_++];
        if (c == '#' && position_ + 1 < data_.size() && codecs::HexDigitValue(data_[position_]) >= 0 &&
            codecs::HexDigitValue(data_[position_ + 1]) >= 0) {
            c = static_cast<std::uint8_t>(codecs::HexDigitValue(data_[position_]) * 16 +
                                          codecs::HexDigitValue(data_[position_ + 1]));
            position_ += 2;
        }
        if (token.text.size() < 4096) token.text += static_cast<char>(c);
    }
}

namespace {

// ClassifyWord, with or without working out the number's value (the costly part).
template <bool kValue>
WordKind Classify(std::string_view text, std::int64_t& integer, double& real) {
    const std::size_t size = text.size();
    integer = 0;
    real = 0;
    // Numbers: optional sign, digits, at most one point. Producers also write "--5" and "5-"; the
    // extra signs are ignored.
    std::size_t i = 0;
    bool negative = false;
    while (i < size && (text[i] == '+' || text[i] == '-')) negative = negative != (text[i++] == '-');
    bool digits = false;
    bool point = false;
    std::int64_t whole = 0;
    bool overflow = false;
    double value = 0;
    double scale = 1;
    std::size_t j = i;
    for (; j < size; ++j) {
        const char c = text[j];
        if (c >= '0' && c <= '9') {
            digits = true;
            if (!kValue) continue;
            if (point) {
                scale /= 10;
                value += (c - '0') * scale;
            } else {
                if (whole > (INT64_MAX - 9) / 10)
                    overflow = true;
                else
                    whole = whole * 10 + (c - '0');
                value = value * 10 + (c - '0');
            }
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    // The word is not NUL-terminated: count the trailing signs within it.
    std::size_t signs = j;
    while (signs < size && (text[signs] == '-' || text[signs] == '+')) ++signs;
    const bool trailingSigns = j < size && signs == size;
    if (digits && (j == size || trailingSigns)) {
        if (point || overflow) {
            real = negative ? -value : value;
            return WordKind::kReal;
        }
        integer = negative ? -whole : whole;
        real = static_cast<double>(integer);
        return WordKind::kInteger;
    }
    if (i > 0 && i == size) return WordKind::kInteger;                    // lone signs read as zero
    if (i == 0 && point && j == size && !digits) return WordKind::kReal;  // "." alone
    return WordKind::kKeyword;
}

}  // namespace

WordKind ClassifyWord(std::string_view text, std::int64_t& integer, double& real) {
    return Classify<true>(text, integer, real);
}

WordKind ClassifyWord(std::string_view text) {
    std::int64_t integer = 0;
    double real = 0;
    return Classify<false>(text, integer, real);
}

void Lexer::ReadNumberOrKeyword(Token& token) {
    const std::size_t begin = position_;
    while (position_ < data_.size() && IsRegular(data_[position_])) ++position_;
    if (position_ == begin) {
        ++position_;  // a byte no token starts with
        token.kind = TokenKind::kError;
        return;
    }
    const std::string_view text(reinterpret_cast<const char*>(data_.data() + begin), position_ - begin);
    switch (ClassifyWord(text, token.integer, token.real)) {
        case WordKind::kInteger:
            token.kind = TokenKind::kInteger;
            break;
        case WordKind::kReal:
            token.kind = TokenKind::kReal;
            break;
        case WordKind::kKeyword:
            token.kind = TokenKind::kKeyword;
            token.text.assign(text.substr(0, 256));
            break;
    }
}

Token Parser::NextToken() {
    if (pending_) {
        Token token = std::move(*pending_);
        pending_.reset();
        return token;
    }
    return lexer_.Next();
}

std::optional<Token> Parser::TakePending() {
    std::optional<Token> token = std::move(pending_);
    pending_.reset();
    return token;
}

std::optional<Object> Parser::ReadObject() {
    return FromToken(NextToken(), 0);
}

std::optional<Object> Parser::FromToken(Token token, int depth) {
    if (depth > kMaxNesting) return std::nullopt;
    switch (token.kind) {
        case TokenKind::kInteger: {
            if (allowRefs_ && token.integer >= 0) {
                // "n g R": look two tokens ahead, and give them back when they are not that.
                const std::size_t mark = lexer_.Position();
                if (!pending_) {
                    Token second = lexer_.Next();
                    if (second.kind == TokenKind::kInteger && second.integer >= 0 && second.integer <= 65535) {
                        Token third = lexer_.Next();
                        if (third.IsKeyword("R")) {
                            return Object::Ref(token.integer, static_cast<int>(second.integer));
                        }
                    }
                    lexer_.Seek(mark);
                }
            }
            return Object::Integer(token.integer);
        }
        case TokenKind::kReal:
            return Object::Real(token.real);
        case TokenKind::kString:
            return Object::String(std::move(token.text));
        case TokenKind::kName:
            return Object::Name(std::move(token.text));
        case TokenKind::kArrayOpen: {
            Array items;
            for (;;) {
                Token next = NextToken();
                if (next.kind == TokenKind::kArrayClose) break;
                if (next.kind == TokenKind::kEnd || next.kind == TokenKind::kDictClose) {
                    pending_ = std::move(next);
                    break;
                }
                if (next.kind == TokenKind::kKeyword && next.text != "true" && next.text != "false" &&
                    next.text != "null") {
                    // A keyword inside an array means the array was never closed.
                    pending_ = std::move(next);
                    break;
                }
                auto item = FromToken(std::move(next), depth + 1);
                if (!item) return std::nullopt;
                items.push_back(std::move(*item));
            }
            return Object::MakeArray(std::move(items));
        }
        case TokenKind::kDictOpen: {
            Dict dict;
            for (;;) {
                Token key = NextToken();
                if (key.kind == TokenKind::kDictClose) break;
                if (key.kind == TokenKind::kEnd) break;
                if (key.kind != TokenKind::kName) {
                    if (key.kind == TokenKind::kKeyword && key.text != "true" && key.text != "false" &&
                        key.text != "null") {
                        pending_ = std::move(key);  // "stream" or "endobj" after an unclosed dictionary
                        break;
                    }
                    continue;  // junk where a key belongs
                }
                Token valueToken = NextToken();
                if (valueToken.kind == TokenKind::kDictClose) {
                    dict.entries.emplace_back(std::move(key.text), Object::Null());
                    break;
                }
                if (valueToken.kind == TokenKind::kKeyword && valueToken.text != "true" && valueToken.text != "false" &&
                    valueToken.text != "null") {
                    pending_ = std::move(valueToken);
                    break;
                }
                auto value = FromToken(std::move(valueToken), depth + 1);
                if (!value) return std::nullopt;
                dict.entries.emplace_back(std::move(key.text), std::move(*value));
            }
            return Object::MakeDict(std::move(dict));
        }
        case TokenKind::kKeyword:
            if (token.text == "true") return Object::Boolean(true);
            if (token.text == "false") return Object::Boolean(false);
            if (token.text == "null") return Object::Null();
            pending_ = std::move(token);
            return std::nullopt;
        case TokenKind::kArrayClose:
        case TokenKind::kDictClose:
        case TokenKind::kError:
            return std::nullopt;
        case TokenKind::kEnd:
            return std::nullopt;
    }
    return std::nullopt;
}

std::size_t SkipStreamEol(std::span<const std::uint8_t> data, std::size_t position) {
    // Some writers put blanks between the keyword and the end of line.
    std::size_t p = position;
    while (p < data.size() && (data[p] == ' ' || data[p] == '\t')) ++p;
    if (p < data.size() && data[p] == '\r') ++p;
    if (p < data.size() && data[p] == '\n') ++p;
    return p;
}

std::size_t FindBytes(std::span<const std::uint8_t> data, std::string_view word, std::size_t from) {
    if (word.empty() || from >= data.size() || data.size() - from < word.size()) return std::string_view::npos;
    const auto* begin = reinterpret_cast<const char*>(data.data());
    const std::string_view haystack(begin, data.size());
    return haystack.find(word, from);
}

}  // namespace pictrove::readers::pdf
