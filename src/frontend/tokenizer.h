// The tokenizer: one left-to-right pass over a decoded source text with a
// small state machine (normal text, block comment, string, long string).
// Every decision is made on the normalised character; names and string
// contents are cut from the text as typed. Tokens stay in text order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frontend/char_reader.h"
#include "frontend/token.h"

namespace kestrel {

class Tokenizer {
public:
    Tokenizer() = default;

    // Takes the text (the token list keeps it) and starts over: position 0,
    // line 1, no tokens.
    void setText(std::u16string text);

    // Runs the pass over the whole text. False only when the string-template
    // expander refused a string; the tokens made until then stay in the list.
    bool tokenize();

    const TokenList& tokens() const { return tokens_; }
    // Hands the list (and the text it holds) to the caller; the tokenizer is empty afterwards.
    TokenList takeTokens() { return std::move(tokens_); }

    // Cuts the pending word (if any) into a name, keyword or literal token.
    void flushWord();

    // Fills `record` for `position` (-1: the current position).
    bool readChar(int32_t position, CharRecord& record) const;

    // Used by the string-template expander to put a token (or the tokens
    // that replace it) into the list.
    void appendToken(TokenKind kind, std::u16string_view text, int32_t start, int32_t end, int32_t line,
                     std::u16string_view spelling = std::u16string_view());

    // How deep this tokenizer sits inside template expansions (0 for a file).
    int templateDepth() const { return templateDepth_; }
    void setTemplateDepth(int depth) { templateDepth_ = depth; }

private:
    enum class State { Normal = 0, BlockComment = 1, String = 3, TypographicString = 4, LongString = 5 };

    const std::u16string& source() const { return tokens_.source(); }

    // Normalised character at `index`, 0 past the end.
    char16_t charAt(int32_t index) const {
        return index < length_ ? normalisedValue(source()[static_cast<size_t>(index)]) : 0;
    }

    // Each step returns how far to advance; kInWord means "the character
    // belongs to the pending word", kFailed that the pass must stop.
    static constexpr int32_t kInWord = 0;
    static constexpr int32_t kFailed = -1;
    int32_t stepNormal(char16_t c0);
    int32_t stepBlockComment(char16_t c0);
    int32_t stepString(char16_t c0);
    int32_t stepLongString(char16_t c0);

    int32_t stepMinus(char16_t c1);
    int32_t stepArithmetic(char16_t c0, char16_t c1);
    int32_t stepComparison(char16_t c0, char16_t c1, char16_t c2);
    int32_t stepLogical(char16_t c0, char16_t c1);
    int32_t stepNumber();
    int32_t stepSingle(TokenKind kind, char16_t c0);

    int32_t numberLength(int32_t from) const;
    int32_t lineEndFrom(int32_t from) const;
    bool isTripleQuote(char16_t c0) const;
    int32_t closeString(int32_t closingQuote, int32_t advance);
    void emit(TokenKind kind, std::u16string_view text, int32_t start, int32_t end, int32_t line);

    int32_t length_ = 0;
    int32_t position_ = 0;
    int32_t wordStart_ = 0;   // a word is pending while wordStart_ < position_
    int32_t wordEnd_ = 0;
    int32_t line_ = 1;
    State state_ = State::Normal;
    int32_t contentStart_ = 0;
    char16_t longQuote_ = 0;  // the quote character of the open long string
    int templateDepth_ = 0;
    TokenList tokens_;
};

}  // namespace kestrel
