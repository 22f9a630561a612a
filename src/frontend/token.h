// The tokenizer's record: one token of a decoded source text.
// Positions count UTF-16 code units from 0; lines count from 1.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrel {

enum class TokenKind : int32_t {
    Null = 0,
    Number = 1,
    String = 2,
    Bool = 3,
    Operator = 5,
    BitOperator = 6,
    OpenBracket = 8,
    CloseBracket = 9,
    OpenBrace = 10,
    CloseBrace = 11,
    Dot = 12,
    Separator = 13,
    Newline = 14,
    Question = 15,
    Colon = 16,
    Keyword = 17,
    Identifier = 18,
};

struct Token {
    int32_t line = 1;
    int32_t start = 0;       // a string's first content character
    int32_t end = 0;         // just past the token; a string's closing quote
    std::u16string text;     // canonical text (after keyword mapping, ASCII punctuation)
    std::u16string source;   // spelling as written, when keyword mapping replaced it
    TokenKind kind = TokenKind::Identifier;
};

// The spelling a reader saw: the source spelling when keyword mapping
// replaced the word, else the canonical text.
inline const std::u16string& displayText(const Token& token) {
    return token.source.empty() ? token.text : token.source;
}

// The kind's name as written in TokenKind ("?" for the unused values 4 and 7).
inline const char* tokenKindName(TokenKind kind) {
    static const char* const kNames[] = {
        "Null",      "Number",     "String",       "Bool",         "?",
        "Operator",  "BitOperator", "?",           "OpenBracket",  "CloseBracket",
        "OpenBrace", "CloseBrace", "Dot",          "Separator",    "Newline",
        "Question",  "Colon",      "Keyword",      "Identifier"};
    auto index = static_cast<int32_t>(kind);
    return (index >= 0 && index < 19) ? kNames[index] : "?";
}

using TokenPtr = std::shared_ptr<Token>;
using TokenList = std::vector<TokenPtr>;

}  // namespace kestrel
