// Parse failures as values: KvParserException describes one failure, a step
// result carries either a node or a failure, and a parse outcome is what the
// whole-source parse hands back. Nothing here is ever thrown.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "frontend/token.h"
#include "parser/ast_node.h"

namespace kestrel {

class KvParserException : public std::exception {
public:
    KvParserException() = default;
    KvParserException(uint32_t line, uint32_t pos, std::u16string tokenText, std::u16string message)
        : line(line), pos(pos), tokenText(std::move(tokenText)), message(std::move(message)) {}
    ~KvParserException() override = default;
    KvParserException(const KvParserException&) = default;
    KvParserException& operator=(const KvParserException&) = default;

    // The two-line report, using sourceText to show the offending line up to the token.
    std::u16string report(const std::u16string& sourceText) const;

    uint32_t line = 0;
    uint32_t pos = 0;
    std::u16string tokenText;
    std::u16string message;
    std::u16string sourceName;  // filled by the loader before reporting
};

struct StepResult {
    bool ok = true;
    KvAstNodePtr node;
    std::unique_ptr<KvParserException> error;

    static StepResult success(KvAstNodePtr node) { return StepResult{true, std::move(node), nullptr}; }
    static StepResult failure(std::unique_ptr<KvParserException> error) {
        return StepResult{false, nullptr, std::move(error)};
    }
};

struct ParseOutcome {
    bool ok = false;
    KvParserException error;
    KvAstNodePtr root;
};

// A failed step at a token of `tokens` (statement parser), showing the token's
// spelling as written, or at a node (expression parser).
StepResult failAtToken(const TokenList& tokens, const Token& token, const std::u16string& message);
StepResult failAtNode(const KvAstNode& node, const std::u16string& message);

}  // namespace kestrel
