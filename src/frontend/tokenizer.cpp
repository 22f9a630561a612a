// The tokenizer's pass. Line numbers: a line feed read as the current
// character is counted after its step, so a word cut at it keeps its own line
// and the Newline token carries the line that it begins.
#include "frontend/tokenizer.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "frontend/keyword_map.h"
#include "frontend/keywords.h"
#include "frontend/string_template.h"

namespace kestrel {

namespace {

// The text of an ASCII punctuation character, without building a string.
std::u16string_view asciiText(char16_t c) {
    static const auto table = [] {
        std::array<char16_t, 128> chars{};
        for (size_t i = 0; i < chars.size(); ++i) chars[i] = static_cast<char16_t>(i);
        return chars;
    }();
    return std::u16string_view(&table[c & 0x7F], 1);
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A word's kind from its canonical text (after keyword mapping), so a
// localized spelling of "(" or "true" acts as that punctuation or literal.
TokenKind classifyWord(std::u16string_view text) {
    if (text.size() == 1) {
        switch (text[0]) {
            case u'(': case u'[': return TokenKind::OpenBracket;
            case u')': case u']': return TokenKind::CloseBracket;
            case u'{': return TokenKind::OpenBrace;
            case u'}': return TokenKind::CloseBrace;
            case u',': case u';': return TokenKind::Separator;
            case u'.': return TokenKind::Dot;
            default: return TokenKind::Identifier;
        }
    }
    if (text == u"null") return TokenKind::Null;
    if (text == u"true" || text == u"false") return TokenKind::Bool;
    return isReservedWord(text) ? TokenKind::Keyword : TokenKind::Identifier;
}

}  // namespace

void Tokenizer::setText(std::u16string text) {
    // Positions are 32-bit; a longer text is cut at the largest position.
    constexpr size_t kMaxLength = static_cast<size_t>(std::numeric_limits<int32_t>::max());
    if (text.size() > kMaxLength) text.resize(kMaxLength);
    tokens_ = TokenList(std::move(text));
    length_ = static_cast<int32_t>(source().size());
    position_ = wordStart_ = wordEnd_ = 0;
    line_ = 1;
    state_ = State::Normal;
    contentStart_ = 0;
    longQuote_ = 0;
    // Typical code has a token for every four to six characters; reserving
    // for that saves most of the regrowth copies of a large source, and
    // capacity never written costs no memory.
    tokens_.reserve(source().size() / 6);
}

bool Tokenizer::tokenize() {
    while (position_ < length_) {
        char16_t c0 = charAt(position_);
        int32_t advance = kInWord;
        switch (state_) {
            case State::Normal: advance = stepNormal(c0); break;
            case State::BlockComment: advance = stepBlockComment(c0); break;
            case State::String:
            case State::TypographicString: advance = stepString(c0); break;
            case State::LongString: advance = stepLongString(c0); break;
        }
        if (advance == kFailed) return false;
        if (advance == kInWord) {
            advance = 1;
        } else {
            wordStart_ = position_ + advance;
        }
        if (c0 == u'\n') ++line_;
        position_ = std::min(position_ + advance, length_);
    }
    flushWord();
    return true;  // an open string or comment is dropped here without a token
}

void Tokenizer::flushWord() {
    wordEnd_ = position_;
    int32_t start = std::max(wordStart_, 0);
    if (wordEnd_ - start < 1) return;
    std::u16string_view word =
        std::u16string_view(source()).substr(static_cast<size_t>(start), static_cast<size_t>(wordEnd_ - start));
    if (const std::u16string* mapped = keywordMap().lookup(word)) {
        tokens_.append(classifyWord(*mapped), *mapped, start, wordEnd_, line_, word);
    } else {
        tokens_.append(classifyWord(word), word, start, wordEnd_, line_);
    }
    wordStart_ = wordEnd_;
}

bool Tokenizer::readChar(int32_t position, CharRecord& record) const {
    return kestrel::readChar(source(), position == -1 ? position_ : position, record);
}

void Tokenizer::appendToken(TokenKind kind, std::u16string_view text, int32_t start, int32_t end, int32_t line,
                            std::u16string_view spelling) {
    tokens_.append(kind, text, start, end, line, spelling);
    wordEnd_ = position_;
}

void Tokenizer::emit(TokenKind kind, std::u16string_view text, int32_t start, int32_t end, int32_t line) {
    tokens_.append(kind, text, start, end, line);
}

bool Tokenizer::isTripleQuote(char16_t c0) const {
    return (c0 == u'\'' || c0 == u'"') && charAt(position_ + 1) == c0 && charAt(position_ + 2) == c0;
}

int32_t Tokenizer::lineEndFrom(int32_t from) const {
    int32_t index = from;
    while (index < length_ && source()[static_cast<size_t>(index)] != u'\r' &&
           source()[static_cast<size_t>(index)] != u'\n') {
        ++index;
    }
    return index;
}

// Digits as typed, with at most one "." among them.
int32_t Tokenizer::numberLength(int32_t from) const {
    int32_t index = from;
    bool seenDot = false;
    while (index < length_) {
        char16_t c = source()[static_cast<size_t>(index)];
        if (c == u'.' && !seenDot) {
            seenDot = true;
        } else if (!isDigit(c)) {
            break;
        }
        ++index;
    }
    return index - from;
}

int32_t Tokenizer::stepNormal(char16_t c0) {
    if (isTripleQuote(c0)) {
        flushWord();
        contentStart_ = position_ + 3;
        longQuote_ = c0;
        state_ = State::LongString;
        return 3;
    }
    char16_t c1 = charAt(position_ + 1);
    switch (c0) {
        case u'\t': case u'\r': case u' ':
            flushWord();
            return 1;
        case u'\n':
            flushWord();
            emit(TokenKind::Newline, u"\n", position_, position_ + 1, line_ + 1);
            return 1;
        case u'#':
            flushWord();
            return lineEndFrom(position_) - position_;
        case u'/':
            flushWord();
            if (c1 == u'/') return lineEndFrom(position_) - position_;
            if (c1 == u'*') {
                state_ = State::BlockComment;
                return 2;
            }
            return stepSingle(TokenKind::Operator, c0);
        case u'"':
            flushWord();
            contentStart_ = position_ + 1;
            state_ = source()[static_cast<size_t>(position_)] == u'"' ? State::String : State::TypographicString;
            return 1;
        case u'-': return stepMinus(c1);
        case u'%': case u'*': case u'+': return stepArithmetic(c0, c1);
        case u'!': case u'=': case u'<': case u'>': return stepComparison(c0, c1, charAt(position_ + 2));
        case u'&': case u'|': return stepLogical(c0, c1);
        case u'\\': return stepSingle(TokenKind::Operator, c0);  // integer division
        case u'^': case u'~': return stepSingle(TokenKind::BitOperator, c0);
        case u'(': case u'[': return stepSingle(TokenKind::OpenBracket, c0);
        case u')': case u']': return stepSingle(TokenKind::CloseBracket, c0);
        case u'{': return stepSingle(TokenKind::OpenBrace, c0);
        case u'}': return stepSingle(TokenKind::CloseBrace, c0);
        case u',': case u';': return stepSingle(TokenKind::Separator, c0);
        case u'.': return stepSingle(TokenKind::Dot, c0);
        case u':': return stepSingle(TokenKind::Colon, c0);
        case u'?': return stepSingle(TokenKind::Question, c0);
        default:
            if (isDigit(c0) && wordStart_ >= position_) return stepNumber();
            return kInWord;
    }
}

int32_t Tokenizer::stepSingle(TokenKind kind, char16_t c0) {
    flushWord();
    emit(kind, asciiText(c0), position_, position_ + 1, line_);
    return 1;
}

int32_t Tokenizer::stepNumber() {
    int32_t length = numberLength(position_);
    std::u16string_view digits =
        std::u16string_view(source()).substr(static_cast<size_t>(position_), static_cast<size_t>(length));
    emit(TokenKind::Number, digits, position_, position_ + length, line_);
    return length;
}

// "-" is glued to a following digit whatever came before, so a-1 is a and -1.
int32_t Tokenizer::stepMinus(char16_t c1) {
    flushWord();
    if (c1 == u'=' || c1 == u'-') {
        emit(TokenKind::Operator, std::u16string{u'-', c1}, position_, position_ + 2, line_);
        return 2;
    }
    if (isDigit(c1)) {
        int32_t length = 1 + numberLength(position_ + 1);
        std::u16string text =
            u"-" + source().substr(static_cast<size_t>(position_ + 1), static_cast<size_t>(length - 1));
        emit(TokenKind::Number, std::move(text), position_, position_ + length, line_);
        return length;
    }
    if (c1 == u'>') {
        emit(TokenKind::Keyword, u"->", position_, position_ + 2, line_);
        return 2;
    }
    emit(TokenKind::Operator, u"-", position_, position_ + 1, line_);
    return 1;
}

int32_t Tokenizer::stepArithmetic(char16_t c0, char16_t c1) {
    flushWord();
    if (c1 == u'=' || (c0 == u'+' && c1 == u'+')) {
        emit(TokenKind::Operator, std::u16string{c0, c1}, position_, position_ + 2, line_);
        return 2;
    }
    emit(TokenKind::Operator, asciiText(c0), position_, position_ + 1, line_);
    return 1;
}

int32_t Tokenizer::stepComparison(char16_t c0, char16_t c1, char16_t c2) {
    flushWord();
    if (c0 == u'=' && c1 == u'=' && c2 == u'=') {
        emit(TokenKind::Operator, u"===", position_, position_ + 3, line_);
        return 3;
    }
    if (c1 == u'=') {
        emit(TokenKind::Operator, std::u16string{c0, c1}, position_, position_ + 2, line_);
        return 2;
    }
    if ((c0 == u'<' || c0 == u'>') && c1 == c0) {
        emit(TokenKind::BitOperator, std::u16string{c0, c1}, position_, position_ + 2, line_);
        return 2;
    }
    emit(TokenKind::Operator, asciiText(c0), position_, position_ + 1, line_);
    return 1;
}

int32_t Tokenizer::stepLogical(char16_t c0, char16_t c1) {
    flushWord();
    if (c1 == c0) {
        emit(TokenKind::Operator, std::u16string{c0, c1}, position_, position_ + 2, line_);
        return 2;
    }
    emit(TokenKind::BitOperator, asciiText(c0), position_, position_ + 1, line_);
    return 1;
}

int32_t Tokenizer::stepBlockComment(char16_t c0) {
    if (c0 == u'*' && charAt(position_ + 1) == u'/') {
        state_ = State::Normal;
        return 2;
    }
    return 1;
}

// A backslash keeps itself and the next character in the content; a line
// feed skipped that way still counts as a line.
int32_t Tokenizer::stepString(char16_t c0) {
    if (c0 == u'\\') {
        if (charAt(position_ + 1) == u'\n') ++line_;
        return 2;
    }
    if (c0 == u'"') {
        bool asciiQuote = source()[static_cast<size_t>(position_)] == u'"';
        if (asciiQuote == (state_ == State::String)) return closeString(position_, 1);
    }
    return 1;
}

int32_t Tokenizer::stepLongString(char16_t c0) {
    if (c0 == longQuote_ && isTripleQuote(c0)) return closeString(position_, 3);
    return 1;
}

int32_t Tokenizer::closeString(int32_t closingQuote, int32_t advance) {
    std::u16string_view raw = std::u16string_view(source()).substr(
        static_cast<size_t>(contentStart_), static_cast<size_t>(closingQuote - contentStart_));
    state_ = State::Normal;
    return expandString(*this, raw, contentStart_, closingQuote, line_) ? advance : kFailed;
}

}  // namespace kestrel
