// Function and class definitions: the body is compiled in place behind a Jump
// and made a value by MakeFunction/MakeClass. Each body has its own loop
// records, protected regions and registers, since it runs in a frame of its
// own; the enclosing body's are set aside while it compiles.
#include <utility>

#include "compiler/code_generator.h"

namespace kestrel {

namespace {

uint16_t clamp16(uint32_t value) { return static_cast<uint16_t>(value > 0xFFFF ? 0xFFFF : value); }

}  // namespace

// The descriptor MakeFunction/MakeClass refers to; its entry is set by the
// caller. A definition without a name of its own has no slot (-1).
FunctionDescriptor* CodeGenerator::newDescriptor(const KvAstNode& node, ScopeTable& scope,
                                                 const std::u16string& name) {
    auto descriptor = std::make_unique<FunctionDescriptor>();
    const VariableDecl* decl = resolutions_.declOf(node);
    descriptor->name = name;
    descriptor->scope = &scope;
    descriptor->slot = decl ? decl->slot : -1;
    descriptor->line = clamp16(node.line());
    descriptor->column = clamp16(node.start());  // offset in the source; the line is what reports use
    module_.functions.push_back(std::move(descriptor));
    return module_.functions.back().get();
}

// The statements of a body (two lists: a class's variables, then its
// functions), with fresh loop records, regions and registers.
bool CodeGenerator::compileBody(const KvAstNodeList& first, const KvAstNodeList& second) {
    auto outerLoops = std::exchange(loops_, {});
    auto outerRegions = std::exchange(regions_, {});
    int32_t outerRegisters = std::exchange(registerDepth_, 0);
    bool ok = compileList(first) && compileList(second);
    loops_ = std::move(outerLoops);
    regions_ = std::move(outerRegions);
    registerDepth_ = outerRegisters;
    return ok;
}

// func-stmt: "func" [name] ["(" params ")"] "{" stmts "}" | lambda
//   Jump past; body; PushNull; Return; MakeFunction. A named function is
//   stored in its slot (and read back when its value is used); an anonymous
//   one is pushed, and emits nothing at all when its value is not used.
bool CodeGenerator::compileFunction(KvAstNode& node, bool used) {
    auto* function = node.payloadAs<KvAstFunction>();
    ScopeTable* scope = resolutions_.bodyOf(node);
    if (!function || !scope) return compileStatementOnly(node, used);
    const VariableDecl* decl = resolutions_.declOf(node);
    if (!decl && !used) return true;
    int32_t skip = emitJump(Opcode::Jump);
    int32_t entry = position();
    if (!compileBody(function->body, {})) return false;
    line_ = node.line();
    emit(Opcode::PushNull);
    emit(Opcode::Return);
    patchJump(skip, position());
    FunctionDescriptor* descriptor = newDescriptor(node, *scope, function->name);
    descriptor->entry = entry;
    emit(Opcode::MakeFunction).function = descriptor;
    if (decl && used) emitInt(Opcode::LoadLocal, decl->slot);
    if (used) markValue();
    return true;
}

// class-stmt: "class" name ["extends" names] ["implements" names] "{" {var-stmt | func-stmt} "}"
//   Jump past; member variables and functions; each base made by name into
//   its hidden slot; Return; MakeClass (stored in the class's slot).
bool CodeGenerator::compileClass(KvAstNode& node, bool used) {
    auto* definition = node.payloadAs<KvAstClass>();
    ScopeTable* scope = resolutions_.bodyOf(node);
    const VariableDecl* decl = resolutions_.declOf(node);
    if (!definition || !scope || !decl) return compileStatementOnly(node, used);
    int32_t skip = emitJump(Opcode::Jump);
    int32_t entry = position();
    if (!compileBody(definition->variables, definition->functions)) return false;
    line_ = node.line();
    size_t base = 0;
    for (const auto* names : {&definition->extends, &definition->implements}) {
        for (const auto& name : *names) {
            emitText(Opcode::LoadName, name);
            emitText(Opcode::New, name);
            emitInt(Opcode::StoreLocal, base < scope->hidden.size() ? scope->hidden[base]->slot : 0);
            ++base;
        }
    }
    emit(Opcode::Return);
    patchJump(skip, position());
    FunctionDescriptor* descriptor = newDescriptor(node, *scope, definition->name);
    descriptor->entry = entry;
    emit(Opcode::MakeClass).function = descriptor;
    if (used) {
        emitInt(Opcode::LoadLocal, decl->slot);
        markValue();
    }
    return true;
}

}  // namespace kestrel
