// Helpers shared by the front-end tests: tokenize a text and describe the
// tokens compactly as "Kind:text" entries.
#pragma once

#include <string>
#include <vector>

#include "frontend/tokenizer.h"
#include "host/utf8.h"

namespace kestrel::testing {

inline TokenList tokenizeText(const std::u16string& text, bool* ok = nullptr) {
    Tokenizer tokenizer;
    tokenizer.setText(text);
    bool result = tokenizer.tokenize();
    if (ok != nullptr) *ok = result;
    return tokenizer.takeTokens();
}

// "Kind:text" per token, texts in UTF-8, for readable assertion failures.
inline std::vector<std::string> describe(const TokenList& tokens) {
    std::vector<std::string> out;
    for (const Token& token : tokens) {
        out.push_back(std::string(tokenKindName(token.kind)) + ":" + toUtf8(std::u16string(tokens.text(token))));
    }
    return out;
}

inline std::vector<std::string> describe(const std::u16string& text) {
    return describe(tokenizeText(text));
}

}  // namespace kestrel::testing
