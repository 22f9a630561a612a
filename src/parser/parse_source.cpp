// Glue between the tokenizer and the statement parser for one source text.
// The tokenizer owns the tokens; the tree keeps copies of the texts it needs.
#include "parser/parse_source.h"

#include "frontend/tokenizer.h"
#include "parser/operator_table.h"
#include "parser/parser_messages.h"
#include "parser/statement_parser.h"

namespace kestrel {

ParseOutcome parseTokens(const TokenList& tokens) {
    loadOperatorTables();
    StatementParser parser(tokens);
    return parser.parseProgram();
}

ParseOutcome parseSourceText(const std::u16string& text) {
    Tokenizer tokenizer;
    tokenizer.setText(text);  // a copy: the caller keeps its text for reports
    if (!tokenizer.tokenize()) {
        ParseOutcome outcome;
        const TokenList& tokens = tokenizer.tokens();
        if (!tokens.empty()) {
            const Token& last = tokens.back();
            outcome.error = KvParserException(static_cast<uint32_t>(last.line), static_cast<uint32_t>(last.start),
                                              std::u16string(tokens.displayText(last)), msg::kStringTemplate);
        } else {
            outcome.error = KvParserException(1, 0, u"", msg::kStringTemplate);
        }
        return outcome;
    }
    return parseTokens(tokenizer.tokens());
}

std::u16string parseErrorReport(const ParseOutcome& outcome, const std::u16string& sourceName,
                                const std::u16string& sourceText) {
    KvParserException error = outcome.error;
    error.sourceName = sourceName;
    return error.report(sourceText);
}

}  // namespace kestrel
