// Control-flow statements: if, do, while, both for forms, break, continue,
// return and throw. Each rule returns one node whose next is the index after
// its last token; inner failures pass outwards unchanged.
#include "parser/parser_messages.h"
#include "parser/statement_parser.h"

namespace kestrel {

namespace {

// A parenthesised loop condition stands for its first item; null when empty.
KvAstNodePtr unwrapParens(const KvAstNodePtr& condition) {
    if (condition->type() != KvAstType_Parens) return condition;
    const auto& items = condition->payloadAs<KvAstList>()->items;
    return items.empty() ? nullptr : items.front();
}

bool isEmptyParens(const KvAstNodePtr& node) {
    return node->type() == KvAstType_Parens && node->payloadAs<KvAstList>()->items.empty();
}

}  // namespace

// if-stmt: "if" condition stmt [NL "else" stmt]; "else" may follow line ends or ";".
StepResult StatementParser::parseIf(size_t kw) {
    StepResult condition = readCondition(kw + 1);
    if (!condition.ok) return condition;
    if (!condition.node || isEmptyParens(condition.node)) return failAt(token(kw), msg::kIfNoCondition);
    size_t i = condition.node->next();
    if (i >= size()) return failAt(tokenOrLast(i), msg::kIfIncomplete);
    StepResult then = parseStatement(i);
    if (!then.ok) return then;
    if (!then.node) return failAt(tokenOrLast(i), msg::kIfNoThen);
    i = then.node->next();
    KvAstNodePtr otherwise;
    size_t elseAt = i;
    while (isLineEnd(elseAt) || isText(elseAt, TokenKind::Separator, u";")) ++elseAt;
    if (isKeyword(elseAt, u"else")) {
        StepResult branch = parseStatement(elseAt + 1);
        if (!branch.ok) return branch;
        if (!branch.node) return failAt(token(elseAt), msg::kIfNoElse);
        otherwise = branch.node;
        i = otherwise->next();
    }
    auto node = makeSpanned(KvAstType_If, std::make_unique<KvAstThreeChildren>(condition.node, then.node, otherwise),
                            kw, i);
    adoptChild(node.get(), condition.node);
    adoptChild(node.get(), then.node);
    adoptChild(node.get(), otherwise);
    return StepResult::success(node);
}

// do-stmt: "do" stmt "while" condition
StepResult StatementParser::parseDo(size_t kw) {
    StepResult body = parseStatement(kw + 1);
    if (!body.ok) return body;
    if (!body.node) return failAt(token(kw), msg::kDoNoBody);
    size_t at = body.node->next();
    if (!isKeyword(at, u"while")) return failAt(tokenOrLast(at), msg::kDoNoCondition);
    StepResult condition = readCondition(at + 1);
    if (!condition.ok) return condition;
    if (!condition.node) return failAt(token(at), msg::kDoNoCondition);
    KvAstNodePtr test = unwrapParens(condition.node);
    if (!test) return failAt(token(at), msg::kDoNoCondition);
    auto node = makeSpanned(KvAstType_DoWhile, std::make_unique<KvAstTwoChildren>(body.node, test), kw,
                            condition.node->next());
    adoptChild(node.get(), body.node);
    adoptChild(node.get(), test);
    return StepResult::success(node);
}

// while-stmt: "while" condition stmt
StepResult StatementParser::parseWhile(size_t kw) {
    StepResult condition = readCondition(kw + 1);
    if (!condition.ok) return condition;
    if (!condition.node) return failAt(token(kw), msg::kWhileNoCondition);
    KvAstNodePtr test = unwrapParens(condition.node);
    if (!test) return failAt(token(kw), msg::kWhileNoCondition);
    if (test->type() == KvAstType_Block) return failAt(token(kw), msg::kWhileBadCondition);
    size_t i = condition.node->next();
    if (i >= size()) return failAt(tokenOrLast(i), msg::kWhileNoBody);
    StepResult body = parseStatement(i);
    if (!body.ok) return body;
    if (!body.node) return failAt(tokenOrLast(i), msg::kWhileNoBody);
    auto node = makeSpanned(KvAstType_While, std::make_unique<KvAstTwoChildren>(test, body.node), kw,
                            body.node->next());
    adoptChild(node.get(), test);
    adoptChild(node.get(), body.node);
    return StepResult::success(node);
}

// for-stmt: "for" "(" [stmt {"," stmt}] ";" [stmt] ";" [stmt {"," stmt}] ")" NL stmt
StepResult StatementParser::parseFor(size_t kw) {
    if (!isText(kw + 1, TokenKind::OpenBracket, u"(")) return failAt(tokenOrLast(kw + 1), msg::kForInit);
    auto loop = std::make_unique<KvAstCountedLoop>();
    size_t i = kw + 2;
    while (i < size() && !isText(i, TokenKind::Separator, u";")) {
        StepResult init = parseStatement(i);
        if (!init.ok) return init;
        if (!init.node) break;
        loop->initialisers.push_back(init.node);
        i = init.node->next();
        if (!isText(i, TokenKind::Separator, u",")) break;
        ++i;
    }
    if (loop->initialisers.size() == 1 && loop->initialisers.front()->type() == KvAstType_VarDefineList &&
        isKind(i, TokenKind::Colon))
        return parseForEach(kw, loop->initialisers.front(), i);
    if (!isText(i, TokenKind::Separator, u";")) return failAt(tokenOrLast(i), msg::kForInit);

    if (isText(i + 1, TokenKind::Separator, u";")) {
        i += 2;  // no test: the loop runs until break or return
    } else {
        StepResult test = parseStatement(i + 1);
        if (!test.ok) return test;
        if (!test.node || !isText(test.node->next(), TokenKind::Separator, u";"))
            return failAt(tokenOrLast(test.node ? test.node->next() : i + 1), msg::kForTest);
        loop->test = test.node;
        i = test.node->next() + 1;
    }
    while (i < size() && !isText(i, TokenKind::CloseBracket, u")")) {
        StepResult update = parseStatement(i);
        if (!update.ok) return update;
        if (!update.node) break;
        loop->updates.push_back(update.node);
        i = update.node->next();
        if (isText(i, TokenKind::Separator, u",")) ++i;
    }
    if (!isText(i, TokenKind::CloseBracket, u")")) return failAt(tokenOrLast(i), msg::kForEnd);
    StepResult body = parseStatement(i + 1);
    if (!body.ok) return body;
    if (!body.node) return failAt(tokenOrLast(i + 1), msg::kForBody);
    loop->body = body.node;
    KvAstCountedLoop* payload = loop.get();
    auto node = makeSpanned(KvAstType_For, std::move(loop), kw, body.node->next());
    adoptChildren(node.get(), payload->initialisers);
    adoptChild(node.get(), payload->test);
    adoptChildren(node.get(), payload->updates);
    adoptChild(node.get(), payload->body);
    return StepResult::success(node);
}

// for-each: "for" "(" "var" name ":" stmt ")" NL stmt
StepResult StatementParser::parseForEach(size_t kw, KvAstNodePtr varStatement, size_t colon) {
    const auto& definitions = varStatement->payloadAs<KvAstList>()->items;
    std::u16string name = definitions.front()->payloadAs<KvAstDefinition>()->name;
    StepResult range = parseStatement(colon + 1);
    if (!range.ok) return range;
    if (!range.node) return failAt(tokenOrLast(colon + 1), msg::kEachRange);
    size_t close = range.node->next();
    if (!isText(close, TokenKind::CloseBracket, u")")) return failAt(tokenOrLast(close), msg::kEachRangeEnd);
    if (close + 1 >= size()) return failAt(tokenOrLast(close + 1), msg::kEachBodyEnd);
    StepResult body = parseStatement(close + 1);
    if (!body.ok) return body;
    if (!body.node) return failAt(tokenOrLast(close + 1), msg::kEachBody);
    auto node = makeSpanned(KvAstType_ForEach, std::make_unique<KvAstEachLoop>(name, range.node, body.node), kw,
                            body.node->next());
    adoptChild(node.get(), range.node);
    adoptChild(node.get(), body.node);
    return StepResult::success(node);
}

// break-stmt: "break"; continue-stmt: "continue"
StepResult StatementParser::parseJump(size_t kw, uint32_t type) {
    KvAstNodePtr node = newNode(type);
    spanTokens(*node, kw, kw + 1);
    return StepResult::success(node);
}

// return-stmt: "return" [stmt]; a line end before the value does not end it, ";" does.
StepResult StatementParser::parseReturn(size_t kw) {
    KvAstNodePtr value;
    size_t next = kw + 1;
    if (!isText(kw + 1, TokenKind::Separator, u";")) {
        StepResult step = parseStatement(kw + 1);
        if (!step.ok) return step;
        value = step.node;
        if (value) next = skipLineEnds(value->next());
    }
    auto node = makeSpanned(KvAstType_Return, std::make_unique<KvAstOneChild>(value), kw, next);
    adoptChild(node.get(), value);
    return StepResult::success(node);
}

// throw-stmt: "throw" stmt {"," stmt}; the first two values are kept.
StepResult StatementParser::parseThrow(size_t kw) {
    StepResult first = parseStatement(kw + 1);
    if (!first.ok) return first;
    if (!first.node) return failAt(token(kw), msg::kThrowNoValue);
    KvAstNodeVector values{first.node};
    size_t i = first.node->next();
    while (isText(i, TokenKind::Separator, u",")) {
        StepResult more = parseStatement(i + 1);
        if (!more.ok) return more;
        if (!more.node) return failAt(token(i), msg::kParamAfterComma);
        values.push_back(more.node);
        i = more.node->next();
    }
    KvAstNodePtr second = values.size() > 1 ? values[1] : nullptr;
    auto node = makeSpanned(KvAstType_Throw, std::make_unique<KvAstTwoChildren>(first.node, second), kw, i);
    adoptChild(node.get(), first.node);
    adoptChild(node.get(), second);
    return StepResult::success(node);
}

}  // namespace kestrel
