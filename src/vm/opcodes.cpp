// Lookups over the opcode table. The table is turned once, at compile time,
// into an array indexed by number, so every lookup is one bounds test and one
// load; the checks below make a malformed row a compile error.
#include "vm/opcodes.h"

#include <array>
#include <cstddef>

namespace kestrel {

namespace {

using ByNumber = std::array<OpcodeInfo, kMaxOpcode + 1>;

// Entries for numbers no row uses stay empty: null name, no operand.
constexpr ByNumber indexByNumber() {
    ByNumber out{};
    for (const OpcodeInfo& info : kOpcodeTable) out[static_cast<uint32_t>(info.opcode)] = info;
    return out;
}

constexpr ByNumber kByNumber = indexByNumber();

// Every row lands in its own entry: numbers in 1..kMaxOpcode, none repeated.
constexpr bool numbersAreDistinctAndInRange() {
    std::size_t filled = 0;
    for (const OpcodeInfo& info : kByNumber) filled += info.name ? 1 : 0;
    for (const OpcodeInfo& info : kOpcodeTable) {
        const auto number = static_cast<uint32_t>(info.opcode);
        if (number == 0 || number > kMaxOpcode) return false;
    }
    return filled == sizeof kOpcodeTable / sizeof kOpcodeTable[0];
}

// An operand's use must fit its kind: positions, registers, slots and counts
// are integers; operand-less rows have no use and the reverse.
constexpr bool usesFitKinds() {
    for (const OpcodeInfo& info : kOpcodeTable) {
        const bool none = info.kind == OperandKind::None;
        if (none != (info.use == OperandUse::None)) return false;
        if (info.use != OperandUse::None && info.use != OperandUse::Value && info.kind != OperandKind::Int) {
            return false;
        }
        if (info.kind == OperandKind::Unused) return false;
    }
    return true;
}

static_assert(numbersAreDistinctAndInRange(), "opcode numbers must be distinct and within 1..kMaxOpcode");
static_assert(usesFitKinds(), "an opcode's operand use must fit its operand kind");

}  // namespace

OpcodeInfo opcodeInfo(uint32_t opcode) { return opcode <= kMaxOpcode ? kByNumber[opcode] : OpcodeInfo{}; }

const char* opcodeName(uint32_t opcode) { return opcodeInfo(opcode).name; }

bool isKnownOpcode(uint32_t opcode) { return opcodeName(opcode) != nullptr; }

OperandKind operandKindOf(Opcode opcode) { return opcodeInfo(static_cast<uint32_t>(opcode)).kind; }

OperandUse operandUseOf(Opcode opcode) { return opcodeInfo(static_cast<uint32_t>(opcode)).use; }

bool isJumpOpcode(Opcode opcode) { return operandUseOf(opcode) == OperandUse::Target; }

bool isRegisterOpcode(Opcode opcode) { return operandUseOf(opcode) == OperandUse::Register; }

}  // namespace kestrel
