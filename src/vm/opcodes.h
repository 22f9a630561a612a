// The instruction set: one table of (name, fixed number) that generates the
// opcode enum, the name lookup and the disassembler's spelling. The numbers
// are stored in compiled-module files and must never change.
#pragma once

#include <cstdint>

namespace kestrel {

#define KESTREL_OPCODES(X) \
    X(Halt, 1)             \
    X(Label, 2)            \
    X(Jump, 3)             \
    X(Call, 4)             \
    X(CallBuiltin, 6)      \
    X(Return, 7)           \
    X(Throw, 9)            \
    X(JumpAlways, 11)      \
    X(JumpIfTrue, 12)      \
    X(JumpIfFalse, 13)     \
    X(JumpIfEqual, 14)     \
    X(JumpIfNotEqual, 15)  \
    X(JumpIfGreater, 16)   \
    X(JumpIfGreaterEqual, 17) \
    X(JumpIfLess, 18)      \
    X(JumpIfLessEqual, 19) \
    X(Add, 20)             \
    X(Subtract, 21)        \
    X(Multiply, 22)        \
    X(Divide, 23)          \
    X(Modulo, 24)          \
    X(IntegerDivide, 25)   \
    X(And, 26)             \
    X(Or, 27)              \
    X(Not, 28)             \
    X(Equal, 29)           \
    X(NotEqual, 30)        \
    X(Greater, 31)         \
    X(GreaterEqual, 32)    \
    X(Less, 33)            \
    X(LessEqual, 34)       \
    X(PushNull, 40)        \
    X(PushBool, 41)        \
    X(PushInt, 42)         \
    X(PushLong, 43)        \
    X(PushFloat, 44)       \
    X(PushDouble, 45)      \
    X(PushString, 46)      \
    X(StoreLocal, 47)      \
    X(LoadLocal, 50)       \
    X(MakeFunction, 52)    \
    X(MakeClass, 53)       \
    X(MakeList, 54)        \
    X(MakeMap, 55)         \
    X(MapPut, 56)          \
    X(EnterScope, 60)      \
    X(MemberRef, 61)       \
    X(IndexRef, 62)        \
    X(AssignRef, 66)       \
    X(LoadName, 67)        \
    X(New, 75)             \
    X(Construct, 76)       \
    X(Pop, 82)             \
    X(PopToRegister, 83)   \
    X(PeekToRegister, 84)  \
    X(TakeRegister, 85)    \
    X(PushRegister, 86)    \
    X(ClearRegister, 87)   \
    X(PushHandler, 90)     \
    X(PopHandler, 91)      \
    X(PendingJump, 92)     \
    X(PendingRaise, 93)    \
    X(EndFinally, 94)      \
    X(DropPending, 95)     \
    X(Import, 100)

enum class Opcode : uint32_t {
#define KESTREL_OPCODE_ENUM(name, number) name = number,
    KESTREL_OPCODES(KESTREL_OPCODE_ENUM)
#undef KESTREL_OPCODE_ENUM
};

// Opcodes fit in 1..100; anything outside does nothing when run.
constexpr uint32_t kMaxOpcode = 100;

// The opcode's name, or null for a number that names no instruction.
const char* opcodeName(uint32_t opcode);

// True when the number names an instruction of the table.
bool isKnownOpcode(uint32_t opcode);

}  // namespace kestrel
