// Building failure records and formatting them into the two-line report:
//   Parser exception: MESSAGE!("SOURCE")
//     [line:L, pos:COLUMN] LINE-TEXT-UP-TO-TOKEN TOKEN <<
#include "parser/parser_error.h"

#include "host/utf8.h"

#include <string>

namespace kestrel {

namespace {

// Index where the line holding pos begins. When pos is itself a line feed
// (the offending token is a line end), the line is the one that feed ends.
size_t lineStartBefore(const std::u16string& text, size_t pos) {
    if (pos >= text.size()) pos = text.size();
    size_t searchFrom = pos;
    if (pos < text.size() && text[pos] == u'\n') {
        if (pos == 0) return 0;
        searchFrom = pos - 1;
    }
    size_t feed = text.rfind(u'\n', searchFrom);
    return feed == std::u16string::npos ? 0 : feed + 1;
}

bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A very long line or token would flood the console: the report shows at
// most kEchoLimit characters, the token's first kTokenLimit of them and the
// line's last ones before it, with "..." where text was cut. A cut never
// splits a surrogate pair.
constexpr size_t kEchoLimit = 200;
constexpr size_t kTokenLimit = 40;
const std::u16string kCutMark = u"...";

std::u16string shownToken(const std::u16string& token) {
    if (token.size() <= kTokenLimit) return token;
    size_t keep = kTokenLimit;
    if (isLowSurrogate(token[keep])) --keep;
    return token.substr(0, keep) + kCutMark;
}

std::u16string shownLineStart(const std::u16string& text, size_t from, size_t to, size_t budget) {
    if (to - from <= budget) return text.substr(from, to - from);
    size_t cut = to - budget;
    if (isLowSurrogate(text[cut])) ++cut;
    return kCutMark + text.substr(cut, to - cut);
}

}  // namespace

std::u16string KvParserException::report(const std::u16string& sourceText) const {
    std::u16string out = u"Parser exception: " + message + u"!";
    if (!sourceName.empty()) out += u"(\"" + sourceName + u"\")";
    out += u"\r\n  [line:" + decimalText(static_cast<int32_t>(line));
    if (sourceText.empty()) {
        out += u", pos:" + decimalText(static_cast<int32_t>(pos)) + u"] " + shownToken(tokenText);
    } else {
        size_t at = pos < sourceText.size() ? pos : sourceText.size();
        size_t lineStart = lineStartBefore(sourceText, at);
        out += u", pos:" + decimalText(static_cast<int32_t>(at - lineStart)) + u"] ";
        // A line-end token is shown as the two characters \n so the report keeps two lines.
        size_t lineEnd = at;
        if (lineEnd > lineStart && sourceText[lineEnd - 1] == u'\r') --lineEnd;
        std::u16string token = tokenText == u"\n" ? u"\\n" : shownToken(tokenText);
        out += shownLineStart(sourceText, lineStart, lineEnd, kEchoLimit - token.size()) + token + u" <<";
    }
    out += u"\r\n";
    return out;
}

StepResult failAtToken(const TokenList& tokens, const Token& token, const std::u16string& message) {
    return StepResult::failure(std::make_unique<KvParserException>(static_cast<uint32_t>(token.line),
                                                                   static_cast<uint32_t>(token.start),
                                                                   std::u16string(tokens.displayText(token)), message));
}

StepResult failAtNode(const KvAstNode& node, const std::u16string& message) {
    return StepResult::failure(
        std::make_unique<KvParserException>(node.line(), node.start(), node.text(), message));
}

}  // namespace kestrel
