// The instruction set, described once. Each row of KESTREL_OPCODE_TABLE gives
// an opcode's name, its fixed number, the kind of operand it carries and what
// that operand means; the enum, the name lookup, the operand kind that
// compiled-module files store, the disassembler's spelling and the
// verifier's operand checks are all derived from it.
// The numbers and kinds are stored in compiled-module files and must never
// change; a new opcode takes a number no row uses.
#pragma once

#include <cstdint>

namespace kestrel {

// What an instruction's operand is stored as. The numbers are written into
// compiled-module files (one per instruction record) and must not change.
enum class OperandKind : uint32_t {
    None = 0,
    Int = 1,
    Long = 2,
    Float = 3,
    Double = 4,
    Text = 5,
    Bool = 6,
    Unused = 7,    // no row uses it; kept so the stored numbers stay put
    Scope = 8,     // a scope table (Instruction::scope, number in intValue)
    Function = 9,  // a function descriptor (Instruction::function)
    Class = 10,    // a class descriptor (Instruction::function)
    Import = 11,   // an import descriptor (Instruction::import)
};

// What the operand means, which decides how the verifier bounds it. Only
// Int operands have a use other than None and Value.
enum class OperandUse : uint8_t {
    None,      // no operand
    Value,     // a constant, a name or a descriptor (checked by its kind)
    Target,    // an instruction position inside the same body (jumps, handlers)
    Register,  // a register number, 0 <= n < kRegisterCount
    Slot,      // a slot of the running scope
    Count,     // how many values the instruction takes, never negative
    Builtin,   // an index into the built-in function table, never negative
    Arity,     // Throw's operand count, 1 or 2
};

// Registers per frame: the deepest nesting of constructs that keep a value
// across instructions (switch subjects, for-each cursors, kept values of
// used stores and postfix updates, tuple sources), and the bound of every
// Register operand.
constexpr int32_t kRegisterCount = 12;

// One row per opcode: ROW(X, name, number, operand kind, operand use), in
// number order. ROW is one of the two adaptors below, X the user's macro.
#define KESTREL_OPCODE_ROWS(ROW, X)                \
    ROW(X, Halt, 1, None, None)                 \
    ROW(X, Label, 2, None, None)                \
    ROW(X, Jump, 3, Int, Target)                \
    ROW(X, Call, 4, None, None)                 \
    ROW(X, CallBuiltin, 6, Int, Builtin)        \
    ROW(X, Return, 7, None, None)               \
    ROW(X, Throw, 9, Int, Arity)                \
    ROW(X, JumpAlways, 11, Int, Target)         \
    ROW(X, JumpIfTrue, 12, Int, Target)         \
    ROW(X, JumpIfFalse, 13, Int, Target)        \
    ROW(X, JumpIfEqual, 14, Int, Target)        \
    ROW(X, JumpIfNotEqual, 15, Int, Target)     \
    ROW(X, JumpIfGreater, 16, Int, Target)      \
    ROW(X, JumpIfGreaterEqual, 17, Int, Target) \
    ROW(X, JumpIfLess, 18, Int, Target)         \
    ROW(X, JumpIfLessEqual, 19, Int, Target)    \
    ROW(X, Add, 20, None, None)                 \
    ROW(X, Subtract, 21, None, None)            \
    ROW(X, Multiply, 22, None, None)            \
    ROW(X, Divide, 23, None, None)              \
    ROW(X, Modulo, 24, None, None)              \
    ROW(X, IntegerDivide, 25, None, None)       \
    ROW(X, And, 26, None, None)                 \
    ROW(X, Or, 27, None, None)                  \
    ROW(X, Not, 28, None, None)                 \
    ROW(X, Equal, 29, None, None)               \
    ROW(X, NotEqual, 30, None, None)            \
    ROW(X, Greater, 31, None, None)             \
    ROW(X, GreaterEqual, 32, None, None)        \
    ROW(X, Less, 33, None, None)                \
    ROW(X, LessEqual, 34, None, None)           \
    ROW(X, BitAnd, 35, None, None)              \
    ROW(X, BitOr, 36, None, None)               \
    ROW(X, BitXor, 37, None, None)              \
    ROW(X, ShiftLeft, 38, None, None)           \
    ROW(X, ShiftRight, 39, None, None)          \
    ROW(X, PushNull, 40, None, None)            \
    ROW(X, PushBool, 41, Bool, Value)           \
    ROW(X, PushInt, 42, Int, Value)             \
    ROW(X, PushLong, 43, Long, Value)           \
    ROW(X, PushFloat, 44, Float, Value)         \
    ROW(X, PushDouble, 45, Double, Value)       \
    ROW(X, PushString, 46, Text, Value)         \
    ROW(X, StoreLocal, 47, Int, Slot)           \
    ROW(X, BitNot, 48, None, None)              \
    ROW(X, StrictEqual, 49, None, None)         \
    ROW(X, LoadLocal, 50, Int, Slot)            \
    ROW(X, PushThis, 51, None, None)            \
    ROW(X, MakeFunction, 52, Function, Value)   \
    ROW(X, MakeClass, 53, Class, Value)         \
    ROW(X, MakeList, 54, Int, Count)            \
    ROW(X, MakeMap, 55, None, None)             \
    ROW(X, MapPut, 56, Text, Value)             \
    ROW(X, TupleItem, 57, Int, Count)           \
    ROW(X, PeekRef, 58, None, None)             \
    ROW(X, Swap, 59, None, None)                \
    ROW(X, EnterScope, 60, Scope, Value)        \
    ROW(X, MemberRef, 61, Text, Value)          \
    ROW(X, IndexRef, 62, Int, Count)            \
    ROW(X, EachBegin, 63, Int, Register)        \
    ROW(X, EachNext, 64, Int, Register)         \
    ROW(X, AssignRef, 66, None, None)           \
    ROW(X, LoadName, 67, Text, Value)           \
    ROW(X, New, 75, Text, Value)                \
    ROW(X, Construct, 76, None, None)           \
    ROW(X, Pop, 82, None, None)                 \
    ROW(X, PopToRegister, 83, Int, Register)    \
    ROW(X, PeekToRegister, 84, Int, Register)   \
    ROW(X, TakeRegister, 85, Int, Register)     \
    ROW(X, PushRegister, 86, Int, Register)     \
    ROW(X, ClearRegister, 87, Int, Register)    \
    ROW(X, PushHandler, 90, Int, Target)        \
    ROW(X, PopHandler, 91, None, None)          \
    ROW(X, PendingJump, 92, Int, Target)        \
    ROW(X, PendingRaise, 93, None, None)        \
    ROW(X, EndFinally, 94, None, None)          \
    ROW(X, DropPending, 95, None, None)         \
    ROW(X, Import, 100, Import, Value)

#define KESTREL_OPCODE_ROW_ALL_(X, name, number, kind, use) X(name, number, kind, use)
#define KESTREL_OPCODE_ROW_PAIR_(X, name, number, kind, use) X(name, number)

// X(name, number, kind, use) for every opcode; kind and use are the bare
// enumerator names of OperandKind and OperandUse.
#define KESTREL_OPCODE_TABLE(X) KESTREL_OPCODE_ROWS(KESTREL_OPCODE_ROW_ALL_, X)
// The same rows as X(name, number), for users that need no more (the
// machine's dispatch table).
#define KESTREL_OPCODES(X) KESTREL_OPCODE_ROWS(KESTREL_OPCODE_ROW_PAIR_, X)

// One byte: instructions store it, and every number fits (kMaxOpcode).
enum class Opcode : uint8_t {
#define KESTREL_OPCODE_ENUM(name, number, kind, use) name = number,
    KESTREL_OPCODE_TABLE(KESTREL_OPCODE_ENUM)
#undef KESTREL_OPCODE_ENUM
};

// Opcodes fit in 1..100; anything outside does nothing when run.
constexpr uint32_t kMaxOpcode = 100;

// One row of the table.
struct OpcodeInfo {
    Opcode opcode = Opcode::Halt;
    const char* name = nullptr;  // null for a number that names no instruction
    OperandKind kind = OperandKind::None;
    OperandUse use = OperandUse::None;
};

// Every row, in number order.
inline constexpr OpcodeInfo kOpcodeTable[] = {
#define KESTREL_OPCODE_INFO(name, number, kind, use) \
    {Opcode::name, #name, OperandKind::kind, OperandUse::use},
    KESTREL_OPCODE_TABLE(KESTREL_OPCODE_INFO)
#undef KESTREL_OPCODE_INFO
};

// The row of a number, or an empty row (null name, no operand) for a number
// that names no instruction, including every number above kMaxOpcode.
OpcodeInfo opcodeInfo(uint32_t opcode);

// The opcode's name, or null for a number that names no instruction.
const char* opcodeName(uint32_t opcode);

// True when the number names an instruction of the table.
bool isKnownOpcode(uint32_t opcode);

// The operand kind the instruction carries (None for a number no row uses).
// The writer stores it, the disassembler prints by it, and the
// compiled-module reader refuses a record whose stored kind differs from it.
OperandKind operandKindOf(Opcode opcode);

// What the operand means (None for a number no row uses).
OperandUse operandUseOf(Opcode opcode);

// Opcodes whose integer operand is an instruction position.
bool isJumpOpcode(Opcode opcode);

// The binary arithmetic operators, Add to IntegerDivide (inline: the
// machine asks on hot paths).
constexpr bool isArithmeticOpcode(Opcode op) {
    return op == Opcode::Add || op == Opcode::Subtract || op == Opcode::Multiply || op == Opcode::Divide ||
           op == Opcode::Modulo || op == Opcode::IntegerDivide;
}

// The comparisons that push a boolean: the orderings, Equal and NotEqual.
constexpr bool isComparisonOpcode(Opcode op) {
    return op == Opcode::Less || op == Opcode::Greater || op == Opcode::LessEqual ||
           op == Opcode::GreaterEqual || op == Opcode::Equal || op == Opcode::NotEqual;
}

// Opcodes whose integer operand is a register number.
bool isRegisterOpcode(Opcode opcode);

}  // namespace kestrel
