// The token listing. Output is UTF-8 and never loses characters silently:
// anything that UTF-8 cannot carry or a terminal would act on is escaped.
#include "frontend/token_dump.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "frontend/decode.h"
#include "frontend/tokenizer.h"
#include "host/file_io.h"
#include "host/utf8.h"

namespace kestrel {
namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void appendEscapedUnit(std::string& out, char16_t c) {
    char buffer[8];
    switch (c) {
        case u'"': out += "\\\""; return;
        case u'\\': out += "\\\\"; return;
        case u'\n': out += "\\n"; return;
        case u'\r': out += "\\r"; return;
        case u'\t': out += "\\t"; return;
        default: break;
    }
    if (c < 0x20 || c == 0x7F) {
        std::snprintf(buffer, sizeof buffer, "\\x%02X", static_cast<unsigned>(c));
    } else {
        std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
    }
    out += buffer;
}

std::string quoted(std::u16string_view text) {
    std::string out = "\"";
    std::u16string plain;  // a run that converts to UTF-8 as it is
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            plain += c;
            plain += text[++i];
            continue;
        }
        bool needsEscape = c < 0x20 || c == 0x7F || c == u'"' || c == u'\\' || isHighSurrogate(c) ||
                           isLowSurrogate(c);
        if (!needsEscape) {
            plain += c;
            continue;
        }
        out += toUtf8(plain);
        plain.clear();
        appendEscapedUnit(out, c);
    }
    out += toUtf8(plain);
    out += '"';
    return out;
}

}  // namespace

std::string describeToken(const TokenList& tokens, const Token& token) {
    std::string line = tokenKindName(token.kind);
    line += ' ';
    const std::u16string_view text = tokens.text(token);
    const std::u16string_view spelling = tokens.spelling(token);
    line += quoted(text);
    line += ' ' + std::to_string(token.line) + ' ' + std::to_string(token.start) + ' ' +
            std::to_string(token.end);
    if (!spelling.empty() && spelling != text) line += ' ' + quoted(spelling);
    return line;
}

int dumpTokens(const std::u16string& path, std::string& out) {
    std::u16string text = readSourceFile(path);
    if (text.empty() && !isRegularFile(path)) {
        out += "Can't read file \"" + toUtf8(path) + "\"\n";
        return 1;
    }
    Tokenizer tokenizer;
    tokenizer.setText(std::move(text));
    bool complete = tokenizer.tokenize();
    const TokenList& tokens = tokenizer.tokens();
    for (const Token& token : tokens) out += describeToken(tokens, token) + '\n';
    if (!complete) {
        out += "Tokenizing stopped: a string template could not be expanded\n";
        return 2;
    }
    return 0;
}

}  // namespace kestrel
