// Reading a constructor's code for the stores it makes.
#include "vm/constructor_plan.h"

#include "vm/scope_table.h"

namespace kestrel {

namespace {

// The position of slot in [first, first + count), or -1.
int32_t indexIn(int64_t slot, int32_t first, size_t count) {
    const int64_t index = slot - first;
    return index >= 0 && index < static_cast<int64_t>(count) ? static_cast<int32_t>(index) : -1;
}

}  // namespace

bool planConstructor(const std::vector<Instruction>& code, const FunctionDescriptor& descriptor,
                     std::vector<ConstructorStep>& steps) {
    steps.clear();
    const ScopeTable* scope = descriptor.scope;
    if (!scope) return false;
    const auto count = static_cast<int64_t>(code.size());
    // Straight-line code only: every instruction is read once, forwards.
    for (int64_t at = descriptor.entry; at >= 0 && at + 1 < count;) {
        const Instruction& ins = code[static_cast<size_t>(at)];
        const Instruction& next = code[static_cast<size_t>(at + 1)];
        if (ins.opcode == Opcode::Label) {
            ++at;
            continue;
        }
        if (ins.opcode == Opcode::PushNull) return next.opcode == Opcode::Return;
        if (ins.opcode != Opcode::LoadLocal || next.opcode != Opcode::StoreLocal || !next.discard) return false;
        const int32_t parameter = indexIn(ins.intValue, scope->firstParameterSlot, scope->parameters.size());
        const int32_t implicit = indexIn(next.intValue, scope->firstImplicitSlot, scope->implicits.size());
        if (parameter < 0 || implicit < 0) return false;
        steps.push_back({parameter, implicit});
        at += 2;
    }
    return false;
}

}  // namespace kestrel
