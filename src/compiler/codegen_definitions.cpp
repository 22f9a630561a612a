// Function and class definitions: the body is compiled in place behind a Jump
// and made a value by MakeFunction/MakeClass. Each body has its own loop
// records and registers, since it runs in a frame of its own.
#include <utility>

#include "compiler/code_generator.h"
#include "compiler/compile_marks.h"

namespace kestrel {

namespace {

uint16_t clamp16(uint32_t value) { return static_cast<uint16_t>(value > 0xFFFF ? 0xFFFF : value); }

}  // namespace

ScopeTable* CodeGenerator::scopeOf(const KvAstNode& node) const {
    return node.scopeWordA < module_.scopes.size() ? module_.scopes[node.scopeWordA].get() : nullptr;
}

FunctionDescriptor* CodeGenerator::newDescriptor(const KvAstNode& node, const std::u16string& name) {
    auto descriptor = std::make_unique<FunctionDescriptor>();
    descriptor->name = name;
    descriptor->scope = scopeOf(node);
    descriptor->slot = hasSlot(node) ? node.slot() : -1;
    descriptor->line = clamp16(node.line());
    descriptor->column = clamp16(node.start());  // offset in the source; the line is what reports use
    module_.functions.push_back(std::move(descriptor));
    return module_.functions.back().get();
}

// func-def: Jump past; body; PushNull; Return; MakeFunction. A named function
// is stored in its slot (and read back when its value is used); an anonymous
// one is pushed, and emits nothing at all when its value is not used.
bool CodeGenerator::compileFunction(KvAstNode& node, bool used) {
    auto* function = node.payloadAs<KvAstFunction>();
    if (!function || !scopeOf(node)) return compileStatementOnly(node, used);
    const bool named = hasSlot(node);
    if (!named && !used) return true;
    int32_t skip = emitJump(Opcode::Jump);
    int32_t entry = position();
    auto outerLoops = std::exchange(loops_, {});
    auto outerRegions = std::exchange(regions_, {});
    int32_t outerRegisters = std::exchange(registerDepth_, 0);
    bool ok = compileList(function->body);
    loops_ = std::move(outerLoops);
    regions_ = std::move(outerRegions);
    registerDepth_ = outerRegisters;
    if (!ok) return false;
    line_ = node.line();
    emit(Opcode::PushNull);
    emit(Opcode::Return);
    patchJump(skip, position());
    FunctionDescriptor* descriptor = newDescriptor(node, function->name);
    descriptor->entry = entry;
    emit(Opcode::MakeFunction).function = descriptor;
    if (named && used) emitInt(Opcode::LoadLocal, node.slot());
    if (used) markValue();
    return true;
}

// class-def: Jump past; member variables and functions; each base made by
// name into its hidden slot; Return; MakeClass (stored in the class's slot).
bool CodeGenerator::compileClass(KvAstNode& node, bool used) {
    auto* definition = node.payloadAs<KvAstClass>();
    ScopeTable* scope = scopeOf(node);
    if (!definition || !scope || !hasSlot(node)) return compileStatementOnly(node, used);
    int32_t skip = emitJump(Opcode::Jump);
    int32_t entry = position();
    auto outerLoops = std::exchange(loops_, {});
    auto outerRegions = std::exchange(regions_, {});
    int32_t outerRegisters = std::exchange(registerDepth_, 0);
    bool ok = compileList(definition->variables) && compileList(definition->functions);
    loops_ = std::move(outerLoops);
    regions_ = std::move(outerRegions);
    registerDepth_ = outerRegisters;
    if (!ok) return false;
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
    FunctionDescriptor* descriptor = newDescriptor(node, definition->name);
    descriptor->entry = entry;
    emit(Opcode::MakeClass).function = descriptor;
    if (used) {
        emitInt(Opcode::LoadLocal, node.slot());
        markValue();
    }
    return true;
}

}  // namespace kestrel
