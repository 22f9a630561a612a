// The operand kind each opcode carries. The generator emits by it, the
// disassembler prints by it, and the compiled-module reader rejects any
// instruction whose stored kind differs from it.
#pragma once

#include "vm/instruction.h"

namespace kestrel {

OperandKind operandKindOf(Opcode opcode);

// Opcodes whose integer operand is an instruction position.
bool isJumpOpcode(Opcode opcode);

// Opcodes whose integer operand is a register number.
bool isRegisterOpcode(Opcode opcode);

constexpr int32_t kRegisterCount = 12;

}  // namespace kestrel
