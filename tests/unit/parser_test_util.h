// Helpers for the parser tests: parse a UTF-8 source and show the result as
// compact tree text, or as "error: MESSAGE at TOKEN" when the parse fails.
#pragma once

#include <string>

#include "host/utf8.h"
#include "parser/ast_printer.h"
#include "parser/parse_source.h"

namespace kestrel::testing {

inline ParseOutcome parseUtf8(const std::string& source) { return parseSourceText(fromUtf8(source)); }

// The top-level statements in compact form, separated by "; ".
inline std::string parsed(const std::string& source) {
    ParseOutcome outcome = parseUtf8(source);
    if (!outcome.ok)
        return "error: " + toUtf8(outcome.error.message) + " at " + toUtf8(outcome.error.tokenText);
    std::string out;
    for (const auto& statement : outcome.root->payloadAs<KvAstList>()->items) {
        if (!out.empty()) out += "; ";
        out += compactAst(statement.get());
    }
    return out;
}

// The full report of a failing source, without a source name.
inline std::string reportOf(const std::string& source, const std::string& sourceName = "") {
    ParseOutcome outcome = parseUtf8(source);
    if (outcome.ok) return "parsed";
    return toUtf8(parseErrorReport(outcome, fromUtf8(sourceName), fromUtf8(source)));
}

}  // namespace kestrel::testing
