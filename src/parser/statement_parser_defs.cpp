// Definitions: var (simple and wrapped), func, class, lambdas and new.
// A class member function named like its class is stored as "@init".
#include "parser/parser_messages.h"
#include "parser/statement_parser.h"

namespace kestrel {

namespace {

bool isPlainName(const KvAstNodePtr& node) { return node && node->type() == KvAstType_Var && !node->payload(); }

// The names of a group of plain names; false when an item is anything else.
bool plainNames(const KvAstNodePtr& group, KvAstNameList& names) {
    for (const auto& item : group->payloadAs<KvAstList>()->items) {
        if (!isPlainName(item)) return false;
        names.push_back(item->text());
    }
    return true;
}

// A brace group given as a var value is a map even without ":"; its bare
// names become entries without values.
KvAstNodePtr blockAsMap(KvAstArena& arena, const KvAstNodePtr& block) {
    KvAstNodeList entries = block->payloadAs<KvAstList>()->items;
    for (const auto& entry : entries)
        if (!isPlainName(entry)) return nullptr;
    KvAstNodePtr map = arena.node(KvAstType_Map, block->textRef());
    arena.attach<KvAstList>(*map, entries);
    spanNodes(*map, *block, *block);
    adoptChildren(map.get(), entries);
    return map;
}

}  // namespace

// var-stmt: "var" name ["=" stmt] {"," NL name ["=" stmt]} | "var" ("("|"[") names (")"|"]") "=" stmt
StepResult StatementParser::parseVar(size_t kw) {
    if (isKind(kw + 1, TokenKind::OpenBracket)) return parseTupleVar(kw);
    KvAstNodeList definitions;
    size_t i = kw + 1;
    for (;;) {
        if (i >= size()) return failAt(tokenOrLast(i), msg::kVarIncomplete);
        if (!isKind(i, TokenKind::Identifier)) return failAt(token(i), msg::kVarNoName);
        const size_t nameAt = i++;
        KvAstNodePtr value;
        if (isText(i, TokenKind::Operator, u"=")) {
            StepResult step = parseVarValue(i);
            if (!step.ok) return step;
            value = step.node;
            i = value->next();
        }
        auto definition = makeSpanned(KvAstType_VarDefine,
                                      std::make_unique<KvAstDefinition>(ownText(nameAt), value), nameAt, i);
        adoptChild(definition.get(), value);
        definitions.push_back(definition);
        if (!isText(i, TokenKind::Separator, u",")) break;
        i = skipLineEnds(i + 1);
    }
    auto node = makeSpanned(KvAstType_VarDefineList, std::make_unique<KvAstList>(std::move(definitions)), kw, i);
    adoptChildren(node.get(), node->payloadAs<KvAstList>()->items);
    return StepResult::success(node);
}

// The value after "=" in a var statement; a brace group becomes a map.
StepResult StatementParser::parseVarValue(size_t assign) {
    const size_t v = assign + 1;
    if (v >= size()) return failAt(tokenOrLast(v), msg::kVarInit);
    const Token& after = token(v);
    if (after.kind == TokenKind::Newline || after.kind == TokenKind::CloseBrace || text(v) == u"]" ||
        text(v) == u";")
        return failAt(after, msg::kVarInit);
    StepResult value = parseStatement(v);
    if (!value.ok) return value;
    if (!value.node) return failAt(after, msg::kVarInit);
    if (value.node->type() != KvAstType_Block) return value;
    KvAstNodePtr map = blockAsMap(*arena_, value.node);
    if (!map) return failAt(after, msg::kVarInit);
    return StepResult::success(map);
}

// tuple-var: "var" "(" name {"," name} ")" "=" stmt
StepResult StatementParser::parseTupleVar(size_t kw) {
    StepResult group = readBracketGroup(kw + 1);
    if (!group.ok) return group;
    KvAstNameList names;
    if (!plainNames(group.node, names) || names.empty()) return failAt(token(kw + 1), msg::kTupleFormat);
    size_t assign = group.node->next();
    if (!isText(assign, TokenKind::Operator, u"=")) return failAt(tokenOrLast(assign), msg::kTupleNoAssign);
    StepResult value = parseStatement(assign + 1);
    if (!value.ok) return value;
    if (!value.node) return failAt(token(assign), msg::kTupleNoValue);
    auto node = makeSpanned(KvAstType_TupleVarDefine, std::make_unique<KvAstMultiDefinition>(names, value.node), kw,
                            value.node->next());
    adoptChild(node.get(), value.node);
    return StepResult::success(node);
}

// new-expr: "new" name {"." name} "(" [args] ")" {access}
StepResult StatementParser::parseNew(size_t kw) {
    size_t i = kw + 1;
    if (i >= size()) return failAt(tokenOrLast(i), msg::kNewDefine);
    if (!isKind(i, TokenKind::Identifier)) return failAt(token(i), msg::kNewNoName);
    KvAstNodeList names{makeLeaf(KvAstType_Var, i++)};
    while (isKind(i, TokenKind::Dot) && isKind(i + 1, TokenKind::Identifier)) {
        names.push_back(makeLeaf(KvAstType_Var, i + 1));
        i += 2;
    }
    if (!isText(i, TokenKind::OpenBracket, u"(")) return failAt(tokenOrLast(i), msg::kNewDefine);
    KvAstNodeVector chain(names.begin(), names.end());
    KvAstNodePtr target = pipeOf(chain);
    StepResult call = parseStatement(i);
    if (!call.ok) return call;
    KvAstNodePtr rest = call.node;
    KvAstNodePtr args = rest && rest->type() == KvAstType_VarPipe ? rest->payloadAs<KvAstList>()->items.front() : rest;
    if (!args || args->type() != KvAstType_Parens || args->text() != u"(")
        return failAt(token(i), msg::kNewParams);
    const KvAstNodeList& arguments = args->payloadAs<KvAstList>()->items;
    auto node = makeSpanned(KvAstType_New, std::make_unique<KvAstCallLike>(target, arguments), kw, args->next());
    adoptChild(node.get(), target);
    adoptChildren(node.get(), arguments);
    if (rest == args) return StepResult::success(node);
    // new A().b(): the new expression, in parentheses, heads the access chain.
    KvAstNodePtr wrapper = newNode(KvAstType_Parens);
    give<KvAstList>(wrapper, KvAstNodeList{node});
    spanNodes(*wrapper, *node, *node);
    node->setParent(wrapper.get());
    rest->payloadAs<KvAstList>()->items.front() = wrapper;
    wrapper->setParent(rest.get());
    rest->setLine(node->line());
    rest->setStart(node->start());
    return StepResult::success(rest);
}

// func-stmt: "func" [name] NL ["(" [name {"," name}] ")"] NL "{" {stmt} "}"
StepResult StatementParser::parseFunc(size_t kw) {
    size_t i = kw + 1;
    if (i >= size()) return failAt(tokenOrLast(i), msg::kFuncDefine);
    auto function = std::make_unique<KvAstFunction>();
    if (isKind(i, TokenKind::Identifier)) function->name = ownText(i++);
    i = skipLineEnds(i);
    if (isText(i, TokenKind::OpenBracket, u"(")) {
        StepResult params = parseStatement(i);
        if (!params.ok) return params;
        if (!params.node || params.node->type() != KvAstType_Parens || !plainNames(params.node, function->params))
            return failAt(token(i), msg::kFuncParams);
        i = skipLineEnds(params.node->next());
    }
    if (!isKind(i, TokenKind::OpenBrace)) return failAt(tokenOrLast(i), msg::kFuncBody);
    StepResult body = parseStatement(i);
    if (!body.ok) return body;
    if (!body.node || body.node->type() != KvAstType_Block) return failAt(token(i), msg::kFuncBody);
    function->body = body.node->payloadAs<KvAstList>()->items;
    KvAstFunction* parts = function.get();
    auto node = makeSpanned(KvAstType_FuncDefine, std::move(function), kw, body.node->next());
    adoptChildren(node.get(), parts->body);
    return StepResult::success(node);
}

// Names after "extends"/":" or "implements": name {"," name}.
StepResult StatementParser::readClassNames(size_t index, KvAstNameList& names, size_t& next,
                                           const char16_t* error) {
    size_t i = index;
    for (;;) {
        if (!isKind(i, TokenKind::Identifier)) return failAt(tokenOrLast(i), error);
        names.push_back(ownText(i++));
        if (!isText(i, TokenKind::Separator, u",")) break;
        i = skipLineEnds(i + 1);
    }
    next = i;
    return StepResult::success(nullptr);
}

// class-stmt: "class" name NL [("extends"|":") names] NL ["implements" names] NL "{" {var-stmt | func-stmt} "}"
StepResult StatementParser::parseClass(size_t kw) {
    if (!isKind(kw + 1, TokenKind::Identifier)) return failAt(tokenOrLast(kw + 1), msg::kClassNoName);
    auto payload = std::make_unique<KvAstClass>();
    payload->name = ownText(kw + 1);
    size_t i = skipLineEnds(kw + 2);
    if (isKeyword(i, u"extends") || isKind(i, TokenKind::Colon)) {
        StepResult names = readClassNames(i + 1, payload->extends, i, msg::kClassExtends);
        if (!names.ok) return names;
        i = skipLineEnds(i);
    }
    if (isKeyword(i, u"implements")) {
        StepResult names = readClassNames(i + 1, payload->implements, i, msg::kClassImplements);
        if (!names.ok) return names;
        i = skipLineEnds(i);
    }
    if (!isKind(i, TokenKind::OpenBrace)) return failAt(tokenOrLast(i), msg::kClassNoBody);
    for (i = i + 1;;) {
        i = skipLineEndsAndSeparators(i);
        if (i >= size()) return failAt(tokenOrLast(i), msg::kClassBodyEnd);
        if (isKind(i, TokenKind::CloseBrace)) break;
        const bool isVar = isKeyword(i, u"var");
        if (!isVar && !isKeyword(i, u"func")) return failAt(token(i), msg::kClassMember);
        StepResult member = isVar ? parseVar(i) : parseFunc(i);
        if (!member.ok) return member;
        if (isVar) {
            // A tuple definition ("var (a, b) = ...") has no list of definitions: not a member.
            const KvAstList* definitions = member.node->payloadAs<KvAstList>();
            if (!definitions || definitions->items.empty()) return failAt(token(i), msg::kClassProperties);
            payload->variables.insert(payload->variables.end(), definitions->items.begin(), definitions->items.end());
        } else {
            auto* function = member.node->payloadAs<KvAstFunction>();
            if (function->name == payload->name) function->name = u"@init";
            payload->functions.push_back(member.node);
        }
        i = member.node->next();
    }
    KvAstClass* parts = payload.get();
    auto node = makeSpanned(KvAstType_ClassDefine, std::move(payload), kw, i + 1);
    adoptChildren(node.get(), parts->variables);
    adoptChildren(node.get(), parts->functions);
    return StepResult::success(node);
}

}  // namespace kestrel
