// The token listing behind "kestrel --tokens FILE": one token a line, for
// looking at what the parser will be given.
#pragma once

#include <string>

#include "frontend/token.h"

namespace kestrel {

// One line for a token, without the line end:
//   Kind "text" line start end ["source"]
// Texts are quoted with \" \\ \n \r \t and \xHH / \uHHHH for other control
// characters and unpaired surrogates; the source is shown only when it differs.
std::string describeToken(const TokenList& tokens, const Token& token);

// Reads, decodes and tokenizes the file at `path` and appends its listing to
// `out` (UTF-8, "\n" line ends). Returns the exit status: 0 done, 1 the file
// cannot be read (a message is appended instead), 2 a string template was
// refused (the tokens before it are listed, then a message).
int dumpTokens(const std::u16string& path, std::string& out);

}  // namespace kestrel
