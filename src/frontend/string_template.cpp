// Template expansion and escape decoding. The literal pieces of a template
// become long strings, which come back through expandString when the
// generated code is tokenized, so their escapes are decoded exactly once.
#include "frontend/string_template.h"

#include <algorithm>
#include <utility>

#include "frontend/tokenizer.h"

namespace kestrel {
namespace {

constexpr std::u16string_view kOpen = u"{{";
constexpr std::u16string_view kClose = u"}}";

// Value of up to two digits in `base` read from `text` at `index`, stopping at
// the first non-digit; 0 when there is none.
char16_t readEscapedCode(std::u16string_view text, size_t index, int base) {
    unsigned value = 0;
    for (size_t i = index; i < text.size() && i < index + 2; ++i) {
        char16_t c = text[i];
        int digit = -1;
        if (c >= u'0' && c <= u'9') digit = c - u'0';
        else if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
        if (digit < 0 || digit >= base) break;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    }
    return static_cast<char16_t>(value);
}

// The character a one-letter escape stands for, or 0 when the letter is not one.
char16_t simpleEscape(char16_t letter) {
    switch (letter) {
        case u'r': return 13;
        case u't': return 9;
        case u'n': return 10;
        case u'a': return 7;
        case u'b': return 8;
        case u'v': return 11;
        case u'f': return 12;
        case u'{': return u'{';
        case u'}': return u'}';
        default: return 0;
    }
}

// Appends a literal piece and closes its long string. Quote characters at the
// very end of the piece would run into the closing quote and end the string
// early, so they go into a separate piece with the other kind of quote.
void appendLiteral(std::u16string& code, std::u16string_view piece, std::u16string_view quote) {
    char16_t quoteChar = quote[0];
    size_t tailStart = piece.size();
    while (tailStart > 0 && piece[tailStart - 1] == quoteChar) --tailStart;
    code += piece.substr(0, tailStart);
    code += quote;
    if (tailStart == piece.size()) return;
    std::u16string_view wrapper = quoteChar == u'\'' ? u"\"" : u"'''";
    code += u").append(";
    code += wrapper;
    code += piece.substr(tailStart);
    code += wrapper;
}

}  // namespace

std::u16string templateCode(std::u16string_view text) {
    const std::u16string_view quote = text.find(u"'''") == std::u16string_view::npos ? u"'''" : u"\"\"\"";
    std::u16string code = u"new util.StringBuffer().append(";
    code += quote;
    size_t index = 0;
    bool inExpression = false;
    for (;;) {
        size_t found = text.find(inExpression ? kClose : kOpen, index);
        if (found == std::u16string_view::npos) break;
        std::u16string_view piece = text.substr(index, found - index);
        if (inExpression) {
            std::u16string expression = trimTabs(piece);
            code += expression.empty() ? u"\"\"" : expression;
            code += u").append(";
            code += quote;
        } else {
            appendLiteral(code, piece, quote);
            code += u").append(";
        }
        index = found + 2;
        inExpression = !inExpression;
    }
    std::u16string_view rest = text.substr(index);
    if (inExpression) {
        code += rest;  // unbalanced: the parser reports it at the string
        code += quote;
    } else {
        appendLiteral(code, rest, quote);
    }
    code += u").toString()";
    return code;
}

bool expandString(Tokenizer& owner, std::u16string_view raw, int32_t start, int32_t end, int32_t line) {
    if (raw.find(kOpen) == std::u16string_view::npos) {
        if (raw.find(u'\\') == std::u16string_view::npos) {
            owner.appendToken(TokenKind::String, raw, start, end, line);  // nothing to decode
        } else {
            owner.appendToken(TokenKind::String, unescape(raw), start, end, line);
        }
        return true;
    }
    if (owner.templateDepth() >= kMaxTemplateDepth) return false;
    Tokenizer generated;
    generated.setTemplateDepth(owner.templateDepth() + 1);
    generated.setText(templateCode(raw));
    if (!generated.tokenize()) return false;
    const TokenList& pieces = generated.tokens();
    for (const Token& piece : pieces)
        owner.appendToken(piece.kind, pieces.text(piece), start, end, line, pieces.spelling(piece));
    return true;
}

std::u16string unescape(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char16_t c = text[i];
        if (c != u'\\') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) break;  // a lone final backslash is dropped
        char16_t letter = text[i + 1];
        if (letter == u'x' || letter == u'o') {
            out += readEscapedCode(text, i + 2, letter == u'x' ? 16 : 8);
            i = std::min(i + 4, text.size());
        } else if (char16_t decoded = simpleEscape(letter)) {
            out += decoded;
            i += 2;
        } else {
            out += c;
            out += letter;
            i += 2;
        }
    }
    return out;
}

std::u16string trimTabs(std::u16string_view text) {
    size_t first = text.find_first_not_of(u'\t');
    if (first == std::u16string_view::npos) return std::u16string();
    size_t last = text.find_last_not_of(u'\t');
    return std::u16string(text.substr(first, last - first + 1));
}

}  // namespace kestrel
