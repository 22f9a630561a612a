// Whole-source entry points: tokenize and parse one decoded source text, and
// format a failure as the two-line report naming the source.
#pragma once

#include <string>

#include "frontend/token.h"
#include "parser/parser_error.h"

namespace kestrel {

// Parses a token list into a Program node, or the first failure.
ParseOutcome parseTokens(const TokenList& tokens);

// Tokenizes then parses. A refused string template is reported as a parse
// failure at the last token read rather than parsing a truncated text.
ParseOutcome parseSourceText(const std::u16string& text);

// The report of a failed outcome, with sourceName (the file path) filled in.
std::u16string parseErrorReport(const ParseOutcome& outcome, const std::u16string& sourceName,
                                const std::u16string& sourceText);

}  // namespace kestrel
