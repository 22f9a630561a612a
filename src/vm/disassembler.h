// The instruction listing behind "kestrel --dis FILE": one instruction a
// line with its position, opcode name, operand and discard flag.
#pragma once

#include <string>

#include "vm/instruction.h"

namespace kestrel {

// UTF-8 text, lines ending in "\n". Example line: "   12  StoreLocal      3  discard=1".
std::string disassemble(const CompiledModule& module);

// The operand as the listing shows it (empty for none).
std::string operandText(const Instruction& instruction);

}  // namespace kestrel
