// Many constructors only copy their parameters into fields of the new
// instance (`func P(a, b) { x = a; y = b }`). Such a body needs no frame of
// its own: its effect is a few counted stores, read once from its code. The
// stores name the constructor's free names by number; which field each
// reaches is the function's binding's business (function_binding.h).
#pragma once

#include <cstdint>
#include <vector>

#include "vm/instruction.h"

namespace kestrel {

// One store of a plain constructor: parameter `parameter` (0-based, null
// when the call passed fewer arguments) into free name `implicit` (0-based
// among the scope's implicit declarations).
struct ConstructorStep {
    int32_t parameter = 0;
    int32_t implicit = 0;
};

// The stores of the function body starting at descriptor's entry when it is
// plain (parameter-to-free-name copies and labels, then `return null`);
// false when it does anything else and must run as code.
bool planConstructor(const std::vector<Instruction>& code, const FunctionDescriptor& descriptor,
                     std::vector<ConstructorStep>& steps);

}  // namespace kestrel
