#include "shell/interactive_program.h"

#include "compiler/codegen.h"
#include "frontend/tokenizer.h"
#include "host/console_queue.h"
#include "loader/script_imports.h"
#include "objects/base_object.h"
#include "objects/shared_constants.h"
#include "parser/parse_source.h"
#include "vm/builtin_names.h"
#include "vm/code_unit.h"
#include "vm/machine.h"
#include "vm/program_state.h"

namespace kestrel {

namespace {

// The node types whose value is shown: values, operators, calls and member
// reads. Definitions, assignments, updates and control flow show nothing.
bool showsValue(uint32_t type) {
    switch (type) {
    case KvAstType_Number:
    case KvAstType_Bool:
    case KvAstType_String:
    case KvAstType_Var:
    case KvAstType_Ternary:
    case KvAstType_New:
    case KvAstType_BitOp:
    case KvAstType_NumberOp:
    case KvAstType_BoolOp:
    case KvAstType_VarPipe:
    case KvAstType_Map:
    case KvAstType_Brackets:
    case KvAstType_Parens:
    case KvAstType_NotExpr:
        return true;
    default:
        return false;
    }
}

// A call of print or enablePrint: what it returns (true) is not news.
bool isPrintingCall(const KvAstNode& node) {
    auto* chain = node.type() == KvAstType_VarPipe ? node.payloadAs<KvAstList>() : nullptr;
    if (!chain || chain->items.size() != 2) return false;
    const KvAstNode& head = *chain->items[0];
    if (head.type() != KvAstType_Var || head.payload() || chain->items[1]->type() != KvAstType_Parens) return false;
    const int32_t index = builtinIndex(head.textRef());
    return index == builtinIndex(u"print") || index == builtinIndex(u"enablePrint");
}

}  // namespace

bool returnLastExpression(const KvAstNodePtr& program) {
    auto* list = program ? program->payloadAs<KvAstList>() : nullptr;
    if (!list || list->items.empty()) return false;
    KvAstNodePtr last = list->items.back();
    if (!last || !showsValue(last->type()) || isPrintingCall(*last)) return false;
    auto wrapped = std::make_shared<KvAstNode>(KvAstType_Return, std::make_unique<KvAstOneChild>(last));
    spanNodes(*wrapped, *last, *last);
    adoptChild(wrapped.get(), last);
    wrapped->setParent(program.get());
    list->items.back() = wrapped;
    return true;
}

int openBracketDepth(const std::u16string& text) {
    Tokenizer tokenizer;
    tokenizer.setText(text);
    tokenizer.tokenize();  // a refused template still leaves the tokens before it
    int depth = 0;
    for (const Token& token : tokenizer.tokens()) {
        if (token.kind == TokenKind::OpenBrace || token.kind == TokenKind::OpenBracket) ++depth;
        if (token.kind == TokenKind::CloseBrace || token.kind == TokenKind::CloseBracket) --depth;
    }
    return depth;
}

InteractiveProgram::InteractiveProgram() : machine_(std::make_unique<KvVirtualMachine>()) {}

// The machine goes first: its program releases the entries' globals.
InteractiveProgram::~InteractiveProgram() = default;

bool InteractiveProgram::evaluate(const std::u16string& source) {
    ParseOutcome parsed = parseSourceText(source);
    if (!parsed.ok) {
        consoleWrite(parseErrorReport(parsed, kPromptSourceName, source), kLevelError);
        return false;
    }
    const bool echo = returnLastExpression(parsed.root);
    auto module = std::make_shared<CompiledModule>();
    KvParserException error;
    if (!compileModule(parsed.root, *module, error)) {
        error.sourceName = kPromptSourceName;
        consoleWrite(error.report(source), kLevelError);
        return false;
    }
    parsed.root.reset();  // the tree is not needed while the entry runs
    initObjectModel();
    if (!scriptModuleLoader()) setScriptModuleLoader(loadScriptModule);
    KvUnitRef unit = KvUnitRef::make(module, std::u16string());
    KvValueRef result = machine_->run(unit.get(), !started_, echo);
    started_ = true;
    if (machine_->endedInException()) return false;
    if (echo && result && result->tag() != kTagNull) consoleWrite(result->toString() + u"\r\n", kLevelNormal);
    return true;
}

}  // namespace kestrel
