// Lambdas: what was collected before "->" names the parameters; a body that is
// not a block becomes the function's implicit return.
#include "parser/expression_parser.h"
#include "parser/parser_messages.h"
#include "parser/statement_parser.h"

namespace kestrel {

namespace {

// One plain name, or a parenthesised list of plain names.
bool lambdaParameters(const KvAstNodePtr& params, KvAstNameList& names) {
    if (params->type() == KvAstType_Var && !params->payload()) {
        names.push_back(params->text());
        return true;
    }
    if (params->type() != KvAstType_Parens) return false;
    for (const auto& item : params->payloadAs<KvAstList>()->items) {
        if (item->type() != KvAstType_Var || item->payload()) return false;
        names.push_back(item->text());
    }
    return true;
}

}  // namespace

// lambda: params "->" NL stmt
StepResult StatementParser::parseLambda(Collected& c, size_t arrow) {
    StepResult params = expressionOf(c);
    if (!params.ok) return params;
    if (!params.node) return failAt(token(arrow), msg::kLambdaNoParams);
    auto function = std::make_unique<KvAstFunction>();
    if (!lambdaParameters(params.node, function->params)) return failAt(token(arrow), msg::kLambdaBadParams);
    size_t i = skipLineEnds(arrow + 1);
    if (i >= size()) return failAt(tokenOrLast(i), msg::kLambdaBody);
    StepResult body = parseStatement(i);
    if (!body.ok) return body;
    if (!body.node) return failAt(token(i), msg::kLambdaBody);
    if (body.node->type() == KvAstType_Block) {
        function->body = body.node->payloadAs<KvAstList>()->items;
    } else {
        KvAstNodePtr implicitReturn = newNode(KvAstType_Return);
        give<KvAstOneChild>(implicitReturn, body.node);
        spanNodes(*implicitReturn, *body.node, *body.node);
        adoptChild(implicitReturn.get(), body.node);
        function->body.push_back(implicitReturn);
    }
    KvAstFunction* parts = function.get();
    KvAstNodePtr node = newNode(KvAstType_FuncDefine);
    node->setPayload(std::move(function));
    spanNodes(*node, *params.node, *body.node);
    adoptChildren(node.get(), parts->body);
    return StepResult::success(node);
}

}  // namespace kestrel
