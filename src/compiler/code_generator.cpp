// The code generator's core: emitting, the dispatch over node kinds, and the
// leaves (literals, names, groups). A construct with no value of its own
// pushes null when its value is used, so the stack never comes up short.
// Every instruction takes the line of the node being compiled (line_), and
// its discard flag stays 1 until markValue says its value is used.
#include "compiler/code_generator.h"

#include "objects/number_literal.h"
#include "compiler/codegen.h"
#include "compiler/compile_messages.h"
#include "compiler/name_resolver.h"
#include "vm/opcodes.h"

namespace kestrel {

// Appends one instruction at the current line, its value dropped unless
// markValue follows.
Instruction& CodeGenerator::emit(Opcode opcode) {
    module_.code.emplace_back();
    Instruction& made = module_.code.back();
    made.opcode = opcode;
    made.line = line_;
    return made;
}

Instruction& CodeGenerator::emitInt(Opcode opcode, int64_t value) {
    Instruction& made = emit(opcode);
    made.intValue = value;
    return made;
}

Instruction& CodeGenerator::emitText(Opcode opcode, const std::u16string& text) {
    Instruction& made = emit(opcode);
    made.text = module_.texts.add(text);
    return made;
}

// A jump whose target is not known yet (-1); its position, for patchJump.
int32_t CodeGenerator::emitJump(Opcode opcode) {
    emitInt(opcode, -1);
    return position() - 1;
}

void CodeGenerator::patchJump(int32_t at, int32_t target) { module_.code[at].intValue = target; }

// The value of the last instruction is used by what follows (discard 0).
void CodeGenerator::markValue() {
    if (!module_.code.empty()) module_.code.back().discard = false;
}

// Records the compile error at the node; always false, so callers return it.
bool CodeGenerator::fail(const KvAstNode& node, const char16_t* message) {
    error_ = KvParserException(node.line(), node.start(), node.text(), message);
    return false;
}

// Claims the next register of the frame for a value kept across instructions;
// the caller raises registerDepth_ while it holds the register.
bool CodeGenerator::takeRegister(const KvAstNode& node, int32_t& reg) {
    if (registerDepth_ >= kRegisterCount) return fail(node, msg::kTooManyRegisters);
    reg = registerDepth_;
    return true;
}

// module: statements
//   EnterScope with scope 0 (the module's), the statements, and a final
//   PushNull/Return when the code does not already end in Return.
bool CodeGenerator::compileProgram(KvAstNode& program) {
    Instruction& enter = emitInt(Opcode::EnterScope, 0);
    enter.scope = module_.scopes.empty() ? nullptr : module_.scopes[0].get();
    auto* list = program.payloadAs<KvAstList>();
    if (list && !compileList(list->items)) return false;
    if (module_.code.back().opcode != Opcode::Return) {
        emit(Opcode::PushNull);
        emit(Opcode::Return);
    }
    return true;
}

// statements: each compiled on its own, its value dropped.
bool CodeGenerator::compileList(const KvAstNodeList& list) {
    for (const auto& item : list) {
        if (!compile(item.get(), false)) return false;
    }
    return true;
}

// Compiles one node, or pushes null for a missing one whose value is used.
// Recursion is bounded by kMaxCompileDepth; line_ is the node's while it
// compiles and the enclosing node's again afterwards.
bool CodeGenerator::compile(KvAstNode* node, bool used) {
    if (!node) {
        if (used) {
            emit(Opcode::PushNull);
            markValue();
        }
        return true;
    }
    if (++depth_ > kMaxCompileDepth) return fail(*node, msg::kNestingTooDeep);
    uint32_t outerLine = line_;
    line_ = node->line();
    bool ok = compileNode(*node, used);
    line_ = outerLine;
    --depth_;
    return ok;
}

// The routine for the node's kind: expressions here, statements (which have
// no value) through compileStatementOnly.
bool CodeGenerator::compileNode(KvAstNode& node, bool used) {
    switch (node.type()) {
        case KvAstType_Null:
        case KvAstType_Bool:
        case KvAstType_Number:
        case KvAstType_String: return compileLiteral(node, used);
        case KvAstType_Var: return compileVariable(node, used);
        case KvAstType_Block:
        case KvAstType_Reserved50:
        case KvAstType_VarDefineList: return compileBlockNode(node, used);
        case KvAstType_Parens: return compileParens(node, used);
        case KvAstType_VarDefine: return compileVarDefine(node, used);
        case KvAstType_TupleVarDefine: return compileTupleDefine(node, used);
        case KvAstType_Assign: return compileAssign(node, used);
        case KvAstType_CompoundAssign: return compileCompoundAssign(node, used);
        case KvAstType_PreIncrement:
        case KvAstType_PostIncrement:
        case KvAstType_PreDecrement:
        case KvAstType_PostDecrement: return compileIncrement(node, used);
        case KvAstType_NumberOp:
        case KvAstType_BoolOp: return compileOperatorChain(node, used);
        case KvAstType_NotExpr: return compileNot(node, used);
        case KvAstType_BitOp: return compileBitOp(node, used);
        case KvAstType_Ternary: return compileTernary(node, used);
        case KvAstType_Brackets: return compileListLiteral(node, used);
        case KvAstType_Map: return compileMapLiteral(node, used);
        case KvAstType_VarPipe: return compileChain(node, used);
        case KvAstType_New: return compileNew(node, used);
        case KvAstType_FuncDefine: return compileFunction(node, used);
        case KvAstType_ClassDefine: return compileClass(node, used);
        default: return compileStatementOnly(node, used);
    }
}

// Constructs that have no value: compiled for their effect, null when used.
// Kinds without instructions of their own (nodes the parser never builds)
// compile to nothing and succeed.
bool CodeGenerator::compileStatementOnly(KvAstNode& node, bool used) {
    bool ok = true;
    switch (node.type()) {
        case KvAstType_If: ok = compileIf(node); break;
        case KvAstType_While: ok = compileWhile(node); break;
        case KvAstType_DoWhile: ok = compileDoWhile(node); break;
        case KvAstType_For: ok = compileFor(node); break;
        case KvAstType_ForEach: ok = compileForEach(node); break;
        case KvAstType_Break: ok = compileBreak(); break;
        case KvAstType_Continue: ok = compileContinue(); break;
        case KvAstType_Switch: ok = compileSwitch(node); break;
        case KvAstType_Return: ok = compileReturn(node); break;
        case KvAstType_Throw: ok = compileThrow(node); break;
        case KvAstType_Try: ok = compileTry(node); break;
        case KvAstType_Import: ok = compileImport(node); break;
        default: break;  // nodes the parser never builds have no instructions
    }
    if (ok && used) {
        emit(Opcode::PushNull);
        markValue();
    }
    return ok;
}

// literal: null | true | false | number | string
//   The matching push; a literal standing alone emits nothing.
bool CodeGenerator::compileLiteral(KvAstNode& node, bool used) {
    if (!used) return true;
    switch (node.type()) {
        case KvAstType_Null: emit(Opcode::PushNull); break;
        case KvAstType_Bool: emitInt(Opcode::PushBool, node.textRef() == u"true" ? 1 : 0); break;
        case KvAstType_Number: compileNumber(node); break;
        default: emitText(Opcode::PushString, node.textRef()); break;
    }
    markValue();
    return true;
}

// number: digits ["." digits]
//   PushInt, PushLong, PushFloat or PushDouble by the literal's form. Kind and
//   value come from the literal reader of the value model, so the compiler
//   and "toNumber" read literals alike.
bool CodeGenerator::compileNumber(const KvAstNode& node) {
    const NumberLiteral number = parseNumberLiteral(node.textRef());
    switch (number.kind) {
        case NumberLiteral::Kind::Int: emitInt(Opcode::PushInt, number.integer); break;
        case NumberLiteral::Kind::Long: emitInt(Opcode::PushLong, number.integer); break;
        case NumberLiteral::Kind::Float: emit(Opcode::PushFloat).floatValue = number.floating; break;
        case NumberLiteral::Kind::Double: emit(Opcode::PushDouble).floatValue = number.floating; break;
    }
    return true;
}

// name: identifier | "this"
//   LoadLocal of its slot, or PushThis; nothing when the value is not used.
bool CodeGenerator::compileVariable(KvAstNode& node, bool used) {
    if (!used) return true;
    if (resolutions_.isThisValue(node)) {
        emit(Opcode::PushThis);
        markValue();
        return true;
    }
    const VariableDecl* decl = resolutions_.declOf(node);
    if (!decl) return fail(node, msg::kChainHeadNotVariable);
    emitInt(Opcode::LoadLocal, decl->slot);
    markValue();
    return true;
}

// block: "{" statements "}"
//   The statements; a block's names are slots of the enclosing function, so
//   it emits no scope. "{ }" used as a value is an empty map.
bool CodeGenerator::compileBlockNode(KvAstNode& node, bool used) {
    auto* list = node.payloadAs<KvAstList>();
    const bool empty = !list || list->items.empty();
    if (used && empty && node.type() == KvAstType_Block) {
        emit(Opcode::MakeMap);
        markValue();
        return true;
    }
    if (list && !compileList(list->items)) return false;
    if (used) {
        emit(Opcode::PushNull);
        markValue();
    }
    return true;
}

// parens: "(" expression ")"
//   The one expression; any other count is an error.
bool CodeGenerator::compileParens(KvAstNode& node, bool used) {
    auto* list = node.payloadAs<KvAstList>();
    if (!list || list->items.size() != 1) return fail(node, msg::kParensNotOneValue);
    return compile(list->items.front().get(), used);
}

// The resolution table lives for this call only: it is keyed by the tree's
// nodes, and the compiled module keeps nothing of the tree.
bool compileModule(const KvAstNodePtr& root, CompiledModule& out, KvParserException& error) {
    out = CompiledModule();
    if (!root) return false;
    ResolutionTable resolutions;
    if (!resolveNames(*root, out.scopes, resolutions, error)) return false;
    // A program's node count is about its token count (the root's next), and
    // so is its instruction count: reserving that much spares the regrowth
    // copies of a large module, and capacity never written costs no memory.
    out.code.reserve(static_cast<size_t>(root->next()) + 16);
    CodeGenerator generator(out, resolutions, error);
    return generator.compileProgram(*root);
}

}  // namespace kestrel
