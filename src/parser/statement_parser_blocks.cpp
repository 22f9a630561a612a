// Statements built around blocks: try/catch/finally and switch.
// Cases are kept in source order; each case holds its values and statements.
#include "parser/parser_messages.h"
#include "parser/statement_parser.h"

namespace kestrel {

namespace {

// The catch variable: a plain name, or a plain name in parentheses; empty otherwise.
std::u16string catchVariableName(const KvAstNodePtr& node) {
    if (node->type() == KvAstType_Var && !node->payload()) return node->text();
    if (node->type() != KvAstType_Parens) return std::u16string();
    const auto& items = node->payloadAs<KvAstList>()->items;
    if (items.size() == 1 && items.front()->type() == KvAstType_Var && !items.front()->payload())
        return items.front()->text();
    return std::u16string();
}

void closeCase(KvAstSwitch& payload, KvAstSwitchCase& current, bool& open, bool always) {
    if (open && (always || !current.values.empty() || !current.statements.empty()))
        payload.cases.push_back(std::move(current));
    current = KvAstSwitchCase();
    open = false;
}

}  // namespace

// try-stmt: "try" NL stmt NL ["catch" NL (block | name NL stmt)] NL ["finally" NL stmt]
StepResult StatementParser::parseTry(size_t kw) {
    if (kw + 1 >= size()) return failAt(tokenOrLast(kw + 1), msg::kTryBlock);
    StepResult block = parseStatement(kw + 1);
    if (!block.ok) return block;
    if (!block.node) return failAt(tokenOrLast(kw + 1), msg::kTryBlock);
    auto payload = std::make_unique<KvAstTry>();
    payload->tryBlock = block.node;
    size_t next = block.node->next();
    if (next >= size()) return failAt(tokenOrLast(next), msg::kCatchBlock);
    size_t at = skipLineEnds(next);
    if (isKeyword(at, u"catch")) {
        StepResult caught = parseCatch(at, *payload, next);
        if (!caught.ok) return caught;
        at = skipLineEnds(next);
    }
    if (isWord(at, u"finally")) {
        StepResult finally = parseStatement(at + 1);
        if (!finally.ok) return finally;
        if (!finally.node) return failAt(token(at), msg::kFinallyBlock);
        payload->finallyBlock = finally.node;
        next = finally.node->next();
    }
    KvAstTry* parts = payload.get();
    auto node = makeSpanned(KvAstType_Try, std::move(payload), kw, next);
    for (const auto* child : {&parts->tryBlock, &parts->catchBlock, &parts->finallyBlock, &parts->catchVar})
        adoptChild(node.get(), *child);
    return StepResult::success(node);
}

// catch-part: "catch" NL block | "catch" NL (name | "(" name ")") NL stmt
StepResult StatementParser::parseCatch(size_t catchAt, KvAstTry& payload, size_t& next) {
    StepResult first = parseStatement(catchAt + 1);
    if (!first.ok) return first;
    if (!first.node) return failAt(tokenOrLast(catchAt + 1), msg::kCatchBlock);
    if (first.node->type() == KvAstType_Block) {
        payload.catchBlock = first.node;
        next = first.node->next();
        return StepResult::success(nullptr);
    }
    std::u16string name = catchVariableName(first.node);
    if (name.empty()) return failAt(token(catchAt), msg::kCatchBlock);
    StepResult block = parseStatement(first.node->next());
    if (!block.ok) return block;
    if (!block.node) return failAt(tokenOrLast(first.node->next()), msg::kCatchBlock);
    payload.catchName = name;
    payload.catchVar = newNode(KvAstType_Var, name);
    spanNodes(*payload.catchVar, *first.node, *first.node);
    payload.catchBlock = block.node;
    next = block.node->next();
    return StepResult::success(nullptr);
}

// switch-stmt: "switch" stmt NL "{" {"case" stmt ":" | "default" ":" | stmt} "}"
StepResult StatementParser::parseSwitch(size_t kw) {
    StepResult test = parseStatement(kw + 1);
    if (!test.ok) return test;
    if (!test.node) return failAt(token(kw), msg::kSwitchTest);
    size_t i = skipLineEnds(test.node->next());
    if (i >= size()) return failAt(tokenOrLast(i), msg::kSwitchDefine);
    if (!isKind(i, TokenKind::OpenBrace)) return failAt(token(i), msg::kSwitchNoBrace);
    auto payload = std::make_unique<KvAstSwitch>();
    payload->test = test.node;
    KvAstSwitchCase current;
    bool open = false;
    for (i = i + 1;;) {
        i = skipLineEndsAndSeparators(i);
        if (i >= size()) return failAt(tokenOrLast(i), msg::kSwitchDefine);
        if (isKind(i, TokenKind::CloseBrace)) {
            closeCase(*payload, current, open, true);
            ++i;
            break;
        }
        const bool isCase = isWord(i, u"case");
        if (isCase || isWord(i, u"default")) {
            closeCase(*payload, current, open, false);
            size_t colon = i + 1;
            if (isCase) {
                StepResult value = parseStatement(i + 1);
                if (!value.ok) return value;
                if (!value.node) return failAt(token(i), msg::kSwitchNoCaseValue);
                current.values.push_back(value.node);
                colon = value.node->next();
            }
            if (colon >= size()) return failAt(tokenOrLast(colon), msg::kSwitchDefine);
            if (!isKind(colon, TokenKind::Colon)) return failAt(token(colon), msg::kSwitchNoColon);
            open = true;
            i = colon + 1;
            continue;
        }
        if (!open) return failAt(token(i), msg::kSwitchBeforeCase);
        StepResult statement = parseStatement(i);
        if (!statement.ok) return statement;
        if (!statement.node) return failAt(token(i), msg::kSwitchBody);
        current.statements.push_back(statement.node);
        i = statement.node->next();
    }
    KvAstSwitch* parts = payload.get();
    auto node = makeSpanned(KvAstType_Switch, std::move(payload), kw, i);
    adoptChild(node.get(), parts->test);
    for (const auto& c : parts->cases) {
        adoptChildren(node.get(), c.values);
        adoptChildren(node.get(), c.statements);
    }
    return StepResult::success(node);
}

}  // namespace kestrel
