// The statement loop: collects operands, operators and access items token by
// token and hands them to the expression parser when the statement ends.
// Keyword statements, groups and blocks live in the statement_parser_*.cpp files.
#include "parser/statement_parser.h"

#include "parser/expression_parser.h"
#include "parser/operator_table.h"
#include "parser/parser_messages.h"

namespace kestrel {

namespace {

// Counts one level of nesting for as long as a parseStatement call runs.
class DepthGuard {
public:
    explicit DepthGuard(size_t& depth) : depth_(depth) { ++depth_; }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    size_t& depth_;
};

uint32_t literalType(TokenKind kind) {
    switch (kind) {
    case TokenKind::Null: return KvAstType_Null;
    case TokenKind::Number: return KvAstType_Number;
    case TokenKind::String: return KvAstType_String;
    default: return KvAstType_Bool;
    }
}

}  // namespace

bool StatementParser::isText(size_t i, TokenKind kind, const char16_t* expected) const {
    return isKind(i, kind) && text(i) == expected;
}

// Words such as "continue", "case" or "and" are identifiers to the tokenizer;
// right after a "." they are member names, not words of the grammar.
bool StatementParser::isWord(size_t i, const char16_t* text) const {
    return isText(i, TokenKind::Identifier, text) && !(i > 0 && isKind(i - 1, TokenKind::Dot));
}

size_t StatementParser::skipLineEnds(size_t i) const {
    while (isLineEnd(i)) ++i;
    return i;
}

size_t StatementParser::skipLineEndsAndSeparators(size_t i) const {
    while (isLineEnd(i) || isKind(i, TokenKind::Separator)) ++i;
    return i;
}

// A reserved statement word must be a Keyword token; "continue", which is not
// reserved, an identifier in word position.
const KeywordInfo* StatementParser::statementKeywordAt(size_t i) const {
    if (i >= size()) return nullptr;
    const KeywordInfo* info = findKeyword(text(i));
    if (!info || !info->beginsStatement()) return nullptr;
    const bool spelled = info->reserved() ? isKind(i, TokenKind::Keyword) : isWord(i, info->text);
    return spelled ? info : nullptr;
}

void StatementParser::spanTokens(KvAstNode& node, size_t first, size_t next) const {
    const Token& head = tokenOrLast(first);
    node.setLine(static_cast<uint32_t>(head.line));
    node.setStart(static_cast<uint32_t>(head.start));
    node.setEnd(static_cast<uint32_t>(tokenOrLast(next > 0 ? next - 1 : 0).end));
    node.setNext(static_cast<uint32_t>(next));
}

KvAstNodePtr StatementParser::makeLeaf(uint32_t type, size_t i) const {
    KvAstNodePtr node = newNode(type, text(i));
    spanTokens(*node, i, i + 1);
    return node;
}

KvAstNodePtr StatementParser::makeSpanned(uint32_t type, std::unique_ptr<KvAstPayload> payload, size_t first,
                                          size_t next) const {
    KvAstNodePtr node = newNode(type);
    node->setPayload(std::move(payload));
    spanTokens(*node, first, next);
    return node;
}

StepResult StatementParser::expressionOf(Collected& c) const {
    return parseExpression(c.operands, c.pipe, arena_.get(), c.first);
}

// Keeps a long arithmetic statement from holding its whole operand sequence.
// A sequence that cannot be folded is tried again only at twice its length.
void StatementParser::foldOperands(Collected& c, std::u16string_view nextOperator) const {
    if (c.operands.size() < c.nextFold) return;
    KvAstNodePtr first = c.operands.front();
    if (foldArithmeticPrefix(c.operands, nextOperator, arena_.get())) {
        if (!c.first) c.first = std::move(first);
    } else {
        c.nextFold = c.operands.size() * 2;
    }
}

// program: { stmt }; a closing bracket where a statement should start is an error.
ParseOutcome StatementParser::parseProgram() {
    ParseOutcome outcome;
    KvAstNodeList statements;
    size_t i = skipLineEndsAndSeparators(0);
    while (i < size()) {
        const TokenKind kind = token(i).kind;
        if (kind == TokenKind::CloseBracket || kind == TokenKind::CloseBrace) {
            outcome.error = *failAt(token(i), msg::kUnexpectedToken).error;
            return outcome;
        }
        StepResult step = parseStatement(i);
        if (!step.ok) {
            outcome.error = *step.error;
            return outcome;
        }
        if (!step.node) break;
        if (step.node->next() <= i) {  // no progress: never loop on a malformed node
            outcome.error = *failAt(token(i), msg::kUnexpectedToken).error;
            return outcome;
        }
        i = step.node->next();
        if (step.node->type() == KvAstType_VarDefineList) {
            for (const auto& definition : step.node->payloadAs<KvAstList>()->items) statements.push_back(definition);
        } else {
            statements.push_back(step.node);
        }
        i = skipLineEndsAndSeparators(i);
    }
    KvAstNodePtr program = newNode(KvAstType_Program);
    adoptChildren(program.get(), give<KvAstList>(program, std::move(statements))->items);
    program->setEnd(size() ? static_cast<uint32_t>(tokens_.back().end) : 0);
    program->setNext(static_cast<uint32_t>(size()));
    outcome.ok = true;
    outcome.root = KvAstArena::owning(arena_, program);
    return outcome;
}

StepResult StatementParser::parseStatement(size_t index) {
    DepthGuard guard(depth_);
    if (depth_ > kMaxNestingDepth) return failAt(tokenOrLast(index), msg::kNestingTooDeep);
    return statementLoop(index);
}

StepResult StatementParser::statementLoop(size_t index) {
    Collected c;
    size_t i = index;
    while (i < size()) {
        const size_t at = i++;
        const Token& tok = token(at);
        switch (tok.kind) {
        case TokenKind::Null:
        case TokenKind::Number:
        case TokenKind::String:
        case TokenKind::Bool:
            c.flushPipe(arena_.get());
            c.operands.push_back(makeLeaf(literalType(tok.kind), at));
            break;
        case TokenKind::Identifier:
            if (isWord(at, u"and") || isWord(at, u"or")) {
                c.flushPipe(arena_.get());
                c.operands.push_back(makeLeaf(KvAstType_BoolOp, at));
            } else if (const KeywordInfo* keyword = statementKeywordAt(at)) {
                if (c.any()) return expressionOf(c);
                return parseKeywordStatement(at, keyword->id);
            } else {
                c.pipe.push_back(makeLeaf(KvAstType_Var, at));
            }
            break;
        case TokenKind::Dot:
            break;
        case TokenKind::OpenBracket: {
            StepResult group = readBracketGroup(at);
            if (!group.ok) return group;
            c.pipe.push_back(group.node);
            i = group.node->next();
            break;
        }
        case TokenKind::Operator: {
            StepResult step = onOperator(c, at);
            if (!step.ok) return step;
            if (step.node) i = step.node->next();
            break;
        }
        case TokenKind::BitOperator:
            c.flushPipe(arena_.get());
            c.operands.push_back(makeLeaf(KvAstType_BitOp, at));
            break;
        case TokenKind::Separator:
        case TokenKind::Newline:
        case TokenKind::Colon:
            if (c.any()) return expressionOf(c);
            break;
        case TokenKind::CloseBracket:
        case TokenKind::CloseBrace:
            return expressionOf(c);
        case TokenKind::OpenBrace:
            if (c.any()) return expressionOf(c);
            return readBraceGroup(at);
        case TokenKind::Question:
            return readTernary(c, at);
        case TokenKind::Keyword: {
            if (text(at) == u"->") return parseLambda(c, at);
            // "else" ends a then-statement written on the same line: if (a) b() else c()
            if (text(at) == u"else" && c.any()) return expressionOf(c);
            const KeywordInfo* keyword = statementKeywordAt(at);
            if (!keyword) {
                c.pipe.push_back(makeLeaf(KvAstType_Var, at));
                break;
            }
            if (c.any()) return expressionOf(c);
            return parseKeywordStatement(at, keyword->id);
        }
        }
    }
    return expressionOf(c);
}

// Operators: "++"/"--" (prefix or postfix), "=" and the compound assignments,
// otherwise a bare operator node for the expression parser. A returned node
// tells the loop where to continue.
StepResult StatementParser::onOperator(Collected& c, size_t at) {
    const std::u16string_view op = text(at);
    if (op.size() == 2) {  // the common one-character operators skip these tests
        if (op == u"++" || op == u"--") return onIncrement(c, at);
        std::u16string arithmetic = compoundAssignmentOperator(op);
        if (!arithmetic.empty()) return onAssignment(c, at, arithmetic);
    } else if (op == u"=") {
        return onAssignment(c, at, std::u16string());
    }
    c.flushPipe(arena_.get());
    const bool arithmetic = isArithmeticOperator(op);
    if (arithmetic) foldOperands(c, op);
    c.operands.push_back(makeLeaf(arithmetic ? KvAstType_NumberOp : KvAstType_BoolOp, at));
    return StepResult::success(nullptr);
}

// assignment: target "=" stmt; the target is the pending access chain alone.
StepResult StatementParser::onAssignment(Collected& c, size_t at, const std::u16string& arithmetic) {
    KvAstNodePtr target = pipeOf(c.pipe);
    if (!target) return failAt(token(at), msg::kSetValue);
    StepResult value = parseStatement(at + 1);
    if (!value.ok) return value;
    if (!value.node) return failAt(tokenOrLast(at + 1), msg::kSetValue);
    KvAstNodePtr node;
    if (arithmetic.empty()) {
        node = newNode(KvAstType_Assign, text(at));
        give<KvAstTwoChildren>(node, target, value.node);
    } else {
        node = newNode(KvAstType_CompoundAssign, text(at));
        give<KvAstOperator>(node, arithmetic, kArithmeticOperatorCode, target, value.node);
    }
    spanNodes(*node, *target, *value.node);
    adoptChild(node.get(), target);
    adoptChild(node.get(), value.node);
    c.operands.push_back(node);
    return StepResult::success(node);
}

// increment: chain "++" | "++" stmt (the prefix form takes the rest of the statement).
StepResult StatementParser::onIncrement(Collected& c, size_t at) {
    const bool increment = text(at) == u"++";
    if (KvAstNodePtr operand = pipeOf(c.pipe)) {
        KvAstNodePtr node = newNode(increment ? KvAstType_PostIncrement : KvAstType_PostDecrement, text(at));
        give<KvAstOneChild>(node, operand);
        spanTokens(*node, at, at + 1);
        node->setLine(operand->line());
        node->setStart(operand->start());
        adoptChild(node.get(), operand);
        c.operands.push_back(node);
        return StepResult::success(node);
    }
    StepResult operand = parseStatement(at + 1);
    if (!operand.ok) return operand;
    if (!operand.node) return failAt(token(at), msg::kExpressionDefine);
    KvAstNodePtr node = newNode(increment ? KvAstType_PreIncrement : KvAstType_PreDecrement, text(at));
    give<KvAstOneChild>(node, operand.node);
    spanTokens(*node, at, operand.node->next());
    adoptChild(node.get(), operand.node);
    c.operands.push_back(node);
    return StepResult::success(node);
}

// ternary: collected "?" stmt ":" stmt
StepResult StatementParser::readTernary(Collected& c, size_t at) {
    StepResult test = expressionOf(c);
    if (!test.ok) return test;
    if (!test.node) return failAt(token(at), msg::kTernaryNoHead);
    StepResult then = parseStatement(at + 1);
    if (!then.ok) return then;
    if (!then.node) return failAt(tokenOrLast(at + 1), msg::kTernaryIncomplete);
    size_t colon = skipLineEnds(then.node->next());
    if (!isKind(colon, TokenKind::Colon)) return failAt(tokenOrLast(colon), msg::kTernaryIncomplete);
    StepResult otherwise = parseStatement(colon + 1);
    if (!otherwise.ok) return otherwise;
    if (!otherwise.node) return failAt(tokenOrLast(colon + 1), msg::kTernaryIncomplete);
    KvAstNodePtr node = newNode(KvAstType_Ternary, text(at));
    give<KvAstThreeChildren>(node, test.node, then.node, otherwise.node);
    spanNodes(*node, *test.node, *otherwise.node);
    adoptChild(node.get(), test.node);
    adoptChild(node.get(), then.node);
    adoptChild(node.get(), otherwise.node);
    return StepResult::success(node);
}

// Called only where statementKeywordAt found a statement word.
StepResult StatementParser::parseKeywordStatement(size_t at, Keyword word) {
    switch (word) {
        case Keyword::If: return parseIf(at);
        case Keyword::Do: return parseDo(at);
        case Keyword::While: return parseWhile(at);
        case Keyword::For: return parseFor(at);
        case Keyword::Var: return parseVar(at);
        case Keyword::Break: return parseJump(at, KvAstType_Break);
        case Keyword::Continue: return parseJump(at, KvAstType_Continue);
        case Keyword::New: return parseNew(at);
        case Keyword::Throw: return parseThrow(at);
        case Keyword::Return: return parseReturn(at);
        case Keyword::Try: return parseTry(at);
        case Keyword::Switch: return parseSwitch(at);
        case Keyword::Func: return parseFunc(at);
        case Keyword::Class: return parseClass(at);
        case Keyword::Import: return parseImport(at);
        default: return parseImport(at);  // not reached: only statement words come here
    }
}

}  // namespace kestrel
