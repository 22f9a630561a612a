// Bracket groups ( ... ) and [ ... ], brace groups (blocks and map literals) and
// parenthesised conditions. Separators and line ends between items are skipped,
// so trailing commas and items spread over lines are accepted.
#include "parser/parser_messages.h"
#include "parser/statement_parser.h"

namespace kestrel {

// group: "(" {stmt} ")" | "[" {stmt} "]"
StepResult StatementParser::readBracketGroup(size_t open) {
    const bool round = text(open) == u"(";
    const char16_t* closer = round ? u")" : u"]";
    KvAstNodeList items;
    size_t i = open + 1;
    for (;;) {
        i = skipLineEndsAndSeparators(i);
        if (i >= size()) return failAt(tokenOrLast(i), msg::kBracketNotClosed);
        if (isText(i, TokenKind::CloseBracket, closer)) break;
        StepResult item = parseStatement(i);
        if (!item.ok) return item;
        if (!item.node) break;
        items.push_back(item.node);
        i = item.node->next();
        if (i >= size()) return failAt(tokenOrLast(i), msg::kParenExpression);
    }
    if (!isText(i, TokenKind::CloseBracket, closer)) return failAt(tokenOrLast(i), msg::kBracketNotClosed);
    KvAstNodePtr node = newNode(round ? KvAstType_Parens : KvAstType_Brackets, text(open));
    adoptChildren(node.get(), give<KvAstList>(node, std::move(items))->items);
    spanTokens(*node, open, i + 1);
    return StepResult::success(node);
}

// A map entry is a Var whose text is the key and whose one child is the value.
static KvAstNodePtr makeMapEntry(KvAstArena& arena, const KvAstNodePtr& key, const KvAstNodePtr& value) {
    KvAstNodePtr entry = arena.node(KvAstType_Var, key->textRef());
    arena.attach<KvAstOneChild>(*entry, value);
    spanNodes(*entry, *key, *value);
    adoptChild(entry.get(), value);
    return entry;
}

// Reads entries up to the closing brace; close receives its index.
StepResult StatementParser::readBraceEntries(size_t open, KvAstNodeList& entries, bool& isMap, size_t& close) {
    size_t i = open + 1;
    for (bool first = true;; first = false) {
        i = skipLineEndsAndSeparators(i);
        if (i >= size()) return failAt(tokenOrLast(i), msg::kBraceNotClosed);
        if (isKind(i, TokenKind::CloseBrace)) break;
        StepResult entry = parseStatement(i);
        if (!entry.ok) return entry;
        if (!entry.node) return failAt(token(i), msg::kBraceWrongEnd);
        i = entry.node->next();
        if (first) isMap = isKind(i, TokenKind::Colon);
        if (!isMap) {
            entries.push_back(entry.node);
            continue;
        }
        if (i >= size()) return failAt(tokenOrLast(i), msg::kBraceNotClosed);
        if (!isKind(i, TokenKind::Colon)) return failAt(token(i), msg::kBraceWrongEnd);
        StepResult value = parseStatement(i + 1);
        if (!value.ok) return value;
        if (!value.node) return failAt(tokenOrLast(i + 1), msg::kBraceWrongEnd);
        entries.push_back(makeMapEntry(*arena_, entry.node, value.node));
        i = value.node->next();
    }
    close = i;
    return StepResult::success(nullptr);
}

// brace-group: "{" {NL stmt} "}" (a block), or "{" key ":" stmt {"," key ":" stmt} "}" (a map)
StepResult StatementParser::readBraceGroup(size_t open) {
    KvAstNodeList entries;
    bool isMap = false;
    size_t close = open;
    StepResult read = readBraceEntries(open, entries, isMap, close);
    if (!read.ok) return read;
    KvAstNodePtr node = newNode(isMap ? KvAstType_Map : KvAstType_Block, text(open));
    adoptChildren(node.get(), give<KvAstList>(node, std::move(entries))->items);
    spanTokens(*node, open, close + 1);
    return StepResult::success(node);
}

// True when the token after a parenthesised condition carries the expression
// on, as in (a) || (b) or (s).empty(): a binary operator, ".", or "?".
bool StatementParser::continuesCondition(size_t i) const {
    if (isKind(i, TokenKind::Dot) || isKind(i, TokenKind::Question)) return true;
    if (isKind(i, TokenKind::BitOperator)) return text(i) != u"~";
    if (!isKind(i, TokenKind::Operator)) return false;
    const std::u16string_view op = text(i);
    return op != u"!" && op != u"++" && op != u"--";
}

// A condition in parentheses right after "if" or "while" ends at its ")"
// unless an operator carries it on; any other condition is one statement.
StepResult StatementParser::readCondition(size_t index) {
    if (!isText(index, TokenKind::OpenBracket, u"(")) return parseStatement(index);
    StepResult group = readBracketGroup(index);
    if (!group.ok || !continuesCondition(group.node->next())) return group;
    return parseStatement(index);
}

}  // namespace kestrel
