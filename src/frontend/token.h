// The tokenizer's record: one token of a decoded source text, and the list
// that owns the tokens together with the text they are cut from.
// Positions count UTF-16 code units from 0; lines count from 1. A token is a
// small fixed record: its text is a slice of the source, or of the list's own
// text pool when the canonical text differs from what was typed (decoded
// escapes, keyword mapping, full-width punctuation, template code).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrel {

enum class TokenKind : uint8_t {
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
    int32_t start = 0;        // a string's first content character
    int32_t end = 0;          // just past the token; a string's closing quote
    uint32_t textAt = 0;      // where the canonical text begins (source or pool)
    uint32_t textLength = 0;
    TokenKind kind = TokenKind::Identifier;
    uint8_t flags = 0;        // TokenList::kTextInPool, kSpelled, kSpelledAside
};

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

// The tokens of one source text, in text order. Texts are handed out as views
// that stay valid while the list lives and no token is appended.
class TokenList {
public:
    static constexpr uint8_t kTextInPool = 1;     // text lives in the pool, not the source
    static constexpr uint8_t kSpelled = 2;        // keyword mapping replaced the word at start..end
    static constexpr uint8_t kSpelledAside = 4;   // the spelling is kept aside (template tokens)

    TokenList() = default;
    explicit TokenList(std::u16string source) : source_(std::move(source)) {}

    size_t size() const { return tokens_.size(); }
    bool empty() const { return tokens_.empty(); }
    const Token& operator[](size_t i) const { return tokens_[i]; }
    const Token& back() const { return tokens_.back(); }
    std::vector<Token>::const_iterator begin() const { return tokens_.begin(); }
    std::vector<Token>::const_iterator end() const { return tokens_.end(); }

    const std::u16string& source() const { return source_; }

    // The canonical text: the name or keyword after mapping, the number as
    // written, a string's decoded content, or punctuation in ASCII.
    std::u16string_view text(const Token& token) const {
        const std::u16string& from = (token.flags & kTextInPool) ? pool_ : source_;
        return std::u16string_view(from).substr(token.textAt, token.textLength);
    }
    std::u16string_view text(size_t i) const { return text(tokens_[i]); }

    // The spelling as written when keyword mapping replaced the word; empty otherwise.
    std::u16string_view spelling(const Token& token) const;

    // The spelling a reader saw: the spelling when there is one, else the text.
    std::u16string_view displayText(const Token& token) const {
        return (token.flags & (kSpelled | kSpelledAside)) ? spelling(token) : text(token);
    }

    // Appends a token; a text equal to the source at start..end is kept as a
    // slice of the source, any other goes to the pool. A non-empty spelling
    // is the word as written before keyword mapping.
    void append(TokenKind kind, std::u16string_view text, int32_t start, int32_t end, int32_t line,
                std::u16string_view spelling = std::u16string_view());

    void clear();
    void reserve(size_t count) { tokens_.reserve(count); }

    // Bytes held for the tokens themselves (records, pool, spellings kept
    // aside), without the source text.
    size_t bytesHeld() const;

private:
    bool isSourceSlice(std::u16string_view text, int32_t start, int32_t end) const;

    std::u16string source_;
    std::vector<Token> tokens_;
    std::u16string pool_;
    std::unordered_map<size_t, std::u16string> asideSpellings_;  // by token index
};

}  // namespace kestrel
