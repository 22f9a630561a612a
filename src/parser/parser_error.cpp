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

}  // namespace

std::u16string KvParserException::report(const std::u16string& sourceText) const {
    std::u16string out = u"Parser exception: " + message + u"!";
    if (!sourceName.empty()) out += u"(\"" + sourceName + u"\")";
    out += u"\r\n  [line:" + decimalText(static_cast<int32_t>(line));
    if (sourceText.empty()) {
        out += u", pos:" + decimalText(static_cast<int32_t>(pos)) + u"] " + tokenText;
    } else {
        size_t at = pos < sourceText.size() ? pos : sourceText.size();
        size_t lineStart = lineStartBefore(sourceText, at);
        out += u", pos:" + decimalText(static_cast<int32_t>(at - lineStart)) + u"] ";
        // A line-end token is shown as the two characters \n so the report keeps two lines.
        std::u16string shown = sourceText.substr(lineStart, at - lineStart);
        if (!shown.empty() && shown.back() == u'\r') shown.pop_back();
        out += shown + (tokenText == u"\n" ? u"\\n" : tokenText) + u" <<";
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
