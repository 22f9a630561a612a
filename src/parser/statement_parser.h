// The statement parser: reads a token list and builds the program tree.
// Each parseStatement call reads one statement from an index and returns a node
// whose next field says where the following statement starts. Recursion depth
// is bounded by kMaxNestingDepth, so hostile nesting is an error, not a crash.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "frontend/keywords.h"
#include "frontend/token.h"
#include "parser/ast_arena.h"
#include "parser/ast_node.h"
#include "parser/parser_error.h"

namespace kestrel {

class StatementParser {
public:
    // Nested statements (groups, blocks, conditions, right-hand sides) allowed at once.
    static constexpr size_t kMaxNestingDepth = 400;

    explicit StatementParser(const TokenList& tokens)
        : tokens_(tokens), arena_(std::make_shared<KvAstArena>()) {}

    ParseOutcome parseProgram();
    StepResult parseStatement(size_t index);

private:
    // The operand sequence and the pipe buffer (pending access items) of one statement.
    struct Collected {
        KvAstNodeVector operands;
        KvAstNodeVector pipe;
        KvAstNodePtr first;        // the first operand, once operands were folded away
        size_t nextFold = 64;      // the sequence length at which folding is tried next
        bool any() const { return !operands.empty() || !pipe.empty(); }
        void flushPipe(KvAstArena* arena) {
            if (KvAstNodePtr node = buildPipe(pipe, arena)) operands.push_back(node);
        }
    };

    // Token tests and small builders.
    size_t size() const { return tokens_.size(); }
    const Token& token(size_t i) const { return tokens_[i]; }
    std::u16string_view text(size_t i) const { return tokens_.text(i); }
    std::u16string ownText(size_t i) const { return std::u16string(tokens_.text(i)); }
    StepResult failAt(const Token& token, const std::u16string& message) const {
        return failAtToken(tokens_, token, message);
    }
    const Token& tokenOrLast(size_t i) const { return tokens_[i < size() ? i : size() - 1]; }
    bool isKind(size_t i, TokenKind kind) const { return i < size() && tokens_[i].kind == kind; }
    bool isText(size_t i, TokenKind kind, const char16_t* text) const;
    bool isKeyword(size_t i, const char16_t* text) const { return isText(i, TokenKind::Keyword, text); }
    bool isWord(size_t i, const char16_t* text) const;  // an identifier recognised by its text
    bool isLineEnd(size_t i) const { return isKind(i, TokenKind::Newline); }
    size_t skipLineEnds(size_t i) const;
    size_t skipLineEndsAndSeparators(size_t i) const;
    const KeywordInfo* statementKeywordAt(size_t i) const;  // the statement word at i, or null
    // Nodes and the common payload shapes live in the tree's arena.
    KvAstNodePtr newNode(uint32_t type, std::u16string_view text = std::u16string_view()) const {
        return arena_->node(type, text);
    }
    template <class Shape, class... Args>
    Shape* give(const KvAstNodePtr& node, Args&&... args) const {
        return arena_->attach<Shape>(*node, std::forward<Args>(args)...);
    }
    KvAstNodePtr pipeOf(KvAstNodeVector& pending) const { return buildPipe(pending, arena_.get()); }
    StepResult expressionOf(Collected& c) const;
    KvAstNodePtr makeLeaf(uint32_t type, size_t i) const;
    void spanTokens(KvAstNode& node, size_t first, size_t next) const;
    KvAstNodePtr makeSpanned(uint32_t type, std::unique_ptr<KvAstPayload> payload, size_t first, size_t next) const;

    // The statement loop and what it delegates.
    StepResult statementLoop(size_t index);
    StepResult onOperator(Collected& c, size_t at);
    void foldOperands(Collected& c, std::u16string_view nextOperator) const;
    StepResult onAssignment(Collected& c, size_t at, const std::u16string& arithmetic);
    StepResult onIncrement(Collected& c, size_t at);
    StepResult readTernary(Collected& c, size_t at);
    StepResult readBracketGroup(size_t open);
    StepResult readBraceGroup(size_t open);
    StepResult readBraceEntries(size_t open, KvAstNodeList& entries, bool& isMap, size_t& close);
    StepResult readCondition(size_t index);
    bool continuesCondition(size_t i) const;
    StepResult parseKeywordStatement(size_t at, Keyword word);

    // Keyword rules (one per statement family).
    StepResult parseIf(size_t kw);
    StepResult parseDo(size_t kw);
    StepResult parseWhile(size_t kw);
    StepResult parseFor(size_t kw);
    StepResult parseForEach(size_t kw, KvAstNodePtr varStatement, size_t colon);
    StepResult parseJump(size_t kw, uint32_t type);
    StepResult parseReturn(size_t kw);
    StepResult parseThrow(size_t kw);
    StepResult parseTry(size_t kw);
    StepResult parseCatch(size_t catchAt, KvAstTry& payload, size_t& next);
    StepResult parseSwitch(size_t kw);
    StepResult parseVar(size_t kw);
    StepResult parseTupleVar(size_t kw);
    StepResult parseVarValue(size_t assign);
    StepResult parseNew(size_t kw);
    StepResult parseFunc(size_t kw);
    StepResult parseClass(size_t kw);
    StepResult readClassNames(size_t index, KvAstNameList& names, size_t& next, const char16_t* error);
    StepResult parseLambda(Collected& c, size_t arrow);
    StepResult parseImport(size_t kw);
    StepResult parseImportFields(size_t index, KvAstImport& payload, size_t& next);

    const TokenList& tokens_;
    std::shared_ptr<KvAstArena> arena_;  // the tree being built; the root handed out owns it
    size_t depth_ = 0;
};

}  // namespace kestrel
