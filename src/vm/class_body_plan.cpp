// Reading a class body's code for the stores it makes.
#include "vm/class_body_plan.h"

namespace kestrel {

bool planClassBody(const std::vector<Instruction>& code, int32_t entry, std::vector<ClassBodyStep>& steps) {
    steps.clear();
    const auto count = static_cast<int64_t>(code.size());
    int64_t at = entry;
    // Every instruction is read at most once: a jump back would loop.
    for (int64_t seen = 0; seen <= count && at >= 0 && at < count; ++seen) {
        const Instruction& ins = code[static_cast<size_t>(at)];
        switch (ins.opcode) {
        case Opcode::Label:
            ++at;
            break;
        case Opcode::Jump:
        case Opcode::JumpAlways:
            if (ins.intValue <= at) return false;
            at = ins.intValue;
            break;
        case Opcode::Return:
            return true;
        case Opcode::PushNull: {
            if (at + 1 >= count) return false;
            const Instruction& next = code[static_cast<size_t>(at + 1)];
            if (next.opcode == Opcode::Return) return true;
            if (next.opcode != Opcode::StoreLocal || !next.discard || next.intValue != static_cast<int32_t>(next.intValue)) {
                return false;
            }
            steps.push_back({static_cast<int32_t>(next.intValue), nullptr, 0});
            at += 2;
            break;
        }
        case Opcode::MakeFunction:
            if (!ins.function || ins.function->slot < 0) return false;
            steps.push_back({ins.function->slot, ins.function, static_cast<int32_t>(at)});
            ++at;
            break;
        default:
            return false;
        }
    }
    return false;
}

}  // namespace kestrel
