// Most class bodies only declare fields (without initial values) and define
// methods. Such a body needs no frame of its own to run for each new
// instance: its effect is a few slot stores, read once from its code.
#pragma once

#include <cstdint>
#include <vector>

#include "vm/instruction.h"

namespace kestrel {

// One store of a plain class body: null into a field, or a method's shared
// value (method, defined at position) into its slot.
struct ClassBodyStep {
    int32_t slot = -1;
    const FunctionDescriptor* method = nullptr;  // null: the field is set to null
    int32_t position = 0;
};

// The steps of the body starting at entry when it is plain (field
// declarations without values, method definitions, jumps and labels, then
// a return); false when it does anything else and must run as code.
bool planClassBody(const std::vector<Instruction>& code, int32_t entry, std::vector<ClassBodyStep>& steps);

}  // namespace kestrel
