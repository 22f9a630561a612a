// import-stmt: "import" (string | name {"." name}) ["select" ("*" | field {"," field})]
// with field: name ["as" name]. Kind 1 names a file, kind 2 a dotted module path.
#include "parser/parser_messages.h"
#include "parser/statement_parser.h"

namespace kestrel {

StepResult StatementParser::parseImport(size_t kw) {
    size_t i = kw + 1;
    if (i >= size() || isLineEnd(i) || isText(i, TokenKind::Separator, u";"))
        return failAt(tokenOrLast(i), msg::kImportNoFile);
    auto payload = std::make_unique<KvAstImport>();
    if (isKind(i, TokenKind::String)) {
        payload->kind = 1;
        payload->path.push_back(ownText(i++));
    } else if (isKind(i, TokenKind::Identifier) && !isWord(i, u"as")) {
        payload->kind = 2;
        payload->path.push_back(ownText(i++));
        while (isKind(i, TokenKind::Dot)) {
            if (i + 1 >= size() || isLineEnd(i + 1)) return failAt(token(i), msg::kImportEndDot);
            if (!isKind(i + 1, TokenKind::Identifier)) return failAt(token(i + 1), msg::kImportDefine);
            payload->path.push_back(ownText(i + 1));
            i += 2;
        }
    } else {
        return failAt(token(i), msg::kImportFile);
    }
    if (isWord(i, u"as")) return failAt(token(i), msg::kImportFile);
    if (isKeyword(i, u"select")) {
        StepResult fields = parseImportFields(i + 1, *payload, i);
        if (!fields.ok) return fields;
    }
    return StepResult::success(makeSpanned(KvAstType_Import, std::move(payload), kw, i));
}

// The part after "select": "*" or field {"," field}.
StepResult StatementParser::parseImportFields(size_t index, KvAstImport& payload, size_t& next) {
    size_t i = index;
    if (i >= size() || isLineEnd(i) || isKind(i, TokenKind::Separator))
        return failAt(tokenOrLast(i), msg::kImportNoField);
    if (isText(i, TokenKind::Operator, u"*")) {
        payload.selectAll = 1;
        next = i + 1;
        return StepResult::success(nullptr);
    }
    for (;;) {
        if (!isKind(i, TokenKind::Identifier)) return failAt(tokenOrLast(i), msg::kImportBadField);
        std::u16string field = ownText(i++);
        std::u16string nickname;
        if (isWord(i, u"as")) {
            if (!isKind(i + 1, TokenKind::Identifier)) return failAt(tokenOrLast(i + 1), msg::kImportNickname);
            nickname = ownText(i + 1);
            i += 2;
        }
        payload.fields.emplace_back(field, nickname);
        if (!isText(i, TokenKind::Separator, u",")) break;
        if (i + 1 >= size() || isLineEnd(i + 1)) return failAt(token(i), msg::kImportEndComma);
        ++i;
    }
    next = i;
    return StepResult::success(nullptr);
}

}  // namespace kestrel
