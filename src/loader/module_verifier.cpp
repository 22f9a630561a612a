// The verifier finds each function or class body from its descriptor: the
// body [entry, p) of the MakeFunction/MakeClass at p is entered only there,
// since the instruction before it jumps to p and its last one is Return.
// Bodies nest, and every jump stays inside the body it belongs to, so each
// instruction runs in the context its body's scope describes.
#include "loader/module_verifier.h"

#include <algorithm>
#include <climits>

#include "vm/opcodes.h"

namespace kestrel {

namespace {

// The half-open range [entry, end) of one function or class body, and the
// scope its code runs in. Body 0 is the whole module.
struct Body {
    int32_t entry;
    int32_t end;  // the MakeFunction/MakeClass position
    const ScopeTable* scope;
};

class ModuleVerifier {
public:
    explicit ModuleVerifier(const CompiledModule& module) : module_(module), code_(module.code) {}

    bool verify();

private:
    bool collectBodies();
    bool assignOwners();
    bool checkScopes() const;
    bool checkPosition(const ScopeTable& scope, const KvVarPosition& position) const;
    bool checkInstruction(int32_t at) const;
    bool checkDefinition(int32_t at, const Instruction& instruction) const;
    int32_t size() const { return static_cast<int32_t>(code_.size()); }
    const ScopeTable* scopeAt(int32_t at) const { return bodies_[owner_[at]].scope; }

    const CompiledModule& module_;
    const std::vector<Instruction>& code_;
    std::vector<Body> bodies_;     // 0 is the module's own code, then in code order
    std::vector<int32_t> owner_;   // innermost body of each position (index into bodies_)
};

// The module's code starts by entering scope 0 and ends in Return, so the
// machine can neither run off either end nor run outside a context.
bool ModuleVerifier::verify() {
    if (code_.empty() || module_.scopes.empty() || !checkScopes()) return false;
    const Instruction& first = code_.front();
    if (first.opcode != Opcode::EnterScope || first.scope != module_.scopes[0].get()) return false;
    if (code_.back().opcode != Opcode::Return) return false;
    if (!collectBodies() || !assignOwners()) return false;
    for (int32_t at = 0; at < size(); ++at) {
        if (!checkInstruction(at)) return false;
    }
    return true;
}

// Every outer reference of every scope, before any code is looked at.
bool ModuleVerifier::checkScopes() const {
    for (const auto& scope : module_.scopes) {
        for (size_t i = 0; i < scope->outerReferences.size(); ++i) {
            const auto& position = scope->outerReferences[i];
            if (position && !checkPosition(*scope, *position)) return false;
        }
    }
    return true;
}

// An outer reference names a slot of an enclosing scope that exists.
bool ModuleVerifier::checkPosition(const ScopeTable& scope, const KvVarPosition& position) const {
    if (position.member || position.hasMemberPath || position.depth > 0) return false;
    const ScopeTable* target = scope.enclosing;
    for (int32_t step = 0; target && step < -static_cast<int64_t>(position.depth); ++step) target = target->enclosing;
    return target && position.slot < static_cast<uint32_t>(target->slotCount());
}

// A body is recognised only in the shape the generator makes:
// Jump p; body (entry .. p-1, ending in Return); MakeFunction/MakeClass at p.
bool ModuleVerifier::collectBodies() {
    bodies_.push_back({0, size(), module_.scopes[0].get()});
    for (int32_t at = 0; at < size(); ++at) {
        const Instruction& instruction = code_[at];
        if (instruction.opcode != Opcode::MakeFunction && instruction.opcode != Opcode::MakeClass) continue;
        const FunctionDescriptor* descriptor = instruction.function;
        if (!descriptor || !descriptor->scope) return false;
        const int32_t entry = descriptor->entry;
        if (entry < 1 || entry >= at) return false;
        const Instruction& skip = code_[entry - 1];
        if (skip.opcode != Opcode::Jump || skip.intValue != at || code_[at - 1].opcode != Opcode::Return) return false;
        bodies_.push_back({entry, at, descriptor->scope});
    }
    return true;
}

// Bodies must nest; each position belongs to the innermost body holding it.
bool ModuleVerifier::assignOwners() {
    std::vector<int32_t> order(bodies_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
    std::sort(order.begin() + 1, order.end(), [this](int32_t a, int32_t b) {
        return bodies_[a].entry != bodies_[b].entry ? bodies_[a].entry < bodies_[b].entry
                                                    : bodies_[a].end > bodies_[b].end;
    });
    owner_.assign(code_.size(), 0);
    std::vector<int32_t> open{0};
    for (size_t k = 1; k < order.size(); ++k) {
        const Body& body = bodies_[order[k]];
        while (bodies_[open.back()].end <= body.entry) open.pop_back();
        const Body& outer = bodies_[open.back()];
        if (body.end > outer.end || (open.back() != 0 && body.entry == outer.entry)) return false;
        open.push_back(order[k]);
    }
    // Outer bodies first, so inner ones overwrite the positions they hold.
    for (size_t k = 1; k < order.size(); ++k) {
        const Body& body = bodies_[order[k]];
        for (int32_t at = body.entry; at < body.end; ++at) owner_[at] = order[k];
    }
    return true;
}

// A definition's body scope encloses in the scope of the code that defines it.
bool ModuleVerifier::checkDefinition(int32_t at, const Instruction& instruction) const {
    const FunctionDescriptor& descriptor = *instruction.function;
    const ScopeKind expected = instruction.opcode == Opcode::MakeClass ? ScopeKind::Class : ScopeKind::Function;
    if (descriptor.scope->kind != expected || descriptor.scope->enclosing != scopeAt(at)) return false;
    if (instruction.opcode == Opcode::MakeClass && descriptor.slot < 0) return false;
    return descriptor.slot >= -1 && descriptor.slot < scopeAt(at)->slotCount();
}

// Descriptor operands are checked by kind, since each kind has one opcode;
// integer operands by what the opcode table says they mean.
bool ModuleVerifier::checkInstruction(int32_t at) const {
    const Instruction& instruction = code_[at];
    switch (operandKindOf(instruction.opcode)) {
        case OperandKind::Scope: return at == 0;  // only the module's own EnterScope
        case OperandKind::Function:
        case OperandKind::Class: return checkDefinition(at, instruction);
        case OperandKind::Import: return instruction.import != nullptr;
        default: break;
    }
    const int64_t value = instruction.intValue;
    switch (operandUseOf(instruction.opcode)) {
        case OperandUse::Target: return value >= 0 && value < size() && owner_[value] == owner_[at];
        case OperandUse::Register: return value >= 0 && value < kRegisterCount;
        case OperandUse::Slot: return value >= 0 && value < scopeAt(at)->slotCount();
        case OperandUse::Count:
        case OperandUse::Builtin: return value >= 0 && value <= INT32_MAX;
        case OperandUse::Arity: return value == 1 || value == 2;
        case OperandUse::None:
        case OperandUse::Value: return true;
    }
    return true;
}

}  // namespace

// Modules from the code generator always pass (the compiler tests verify
// every module they build), so a refusal means damaged or foreign bytes.
bool verifyModule(const CompiledModule& module) {
    ModuleVerifier verifier(module);
    return verifier.verify();
}

}  // namespace kestrel
