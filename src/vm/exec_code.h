// The executable form of a compiled module: what the machine's loop runs.
// The instruction list stays the module's stored form (the disassembler
// shows it, the compiled-module file holds it); when a code unit is made it
// is translated once into 16-byte records, one per instruction at the same
// position, plus an End record after the last. The loop then needs no bounds
// check (every jump target is resolved, and anything past the end is End)
// and reads small operands from the record instead of the 32-byte
// instruction.
//
// Fused records stand for a short run of instructions that recurs on hot
// paths (a counter compared and a jump taken, `i = i + 1`, `s = s + x`, an
// argument count and its call, a store through one bracket). A fused record takes the position of the
// run's first instruction; the others keep their own records, so a jump into
// the middle of a run still finds them. A fused record keeps its first
// instruction's operand in `a`: when its fast path does not apply (a value
// is not an int, a slot is missing), it runs as that first instruction
// alone and the loop goes on with the next one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vm/instruction.h"

namespace kestrel {

// Record kinds: an opcode number for a plain instruction, or one of these.
enum class ExecOp : uint8_t {
    End = 0,  // after the last instruction: the frame finishes
    // LoadLocal a; PushInt b; OP (arithmetic or comparison): pushes the result.
    LocalOpInt = 101,
    // LoadLocal a; PushInt b; OP (comparison); JumpIfTrue|JumpIfFalse c.
    JumpIfLocalCmpInt = 102,
    // LoadLocal a; LoadLocal b; OP (comparison); JumpIfTrue|JumpIfFalse c.
    JumpIfLocalsCmp = 103,
    // LoadLocal a; PushInt b; Add|Subtract; StoreLocal a (discarded): `i = i + 1`.
    UpdateLocalInt = 104,
    // OP (arithmetic); StoreLocal c (discarded): `s = s + x` once x is computed.
    OpStoreLocal = 105,
    // PushInt a; Call: a call with its argument count as an operand.
    CallCount = 106,
    // PushInt a; CallBuiltin b.
    CallBuiltinCount = 107,
    // IndexRef 1; AssignRef: `t[k] = v` stored without the element field.
    IndexAssign = 112,
};

// Record kinds from here on are fused (above every opcode number).
constexpr uint8_t kFirstFusedOp = static_cast<uint8_t>(ExecOp::LocalOpInt);
static_assert(kMaxOpcode < kFirstFusedOp, "fused record kinds follow the opcode numbers");
// The largest record kind; the loop's label table has one entry per kind.
constexpr uint8_t kMaxExecOp = 127;

struct ExecInstruction {
    uint8_t op = 0;       // an Opcode number (plain) or an ExecOp (fused, End)
    uint8_t discard = 1;  // the instruction's discard flag (a call's, for CallCount)
    uint8_t sub = 0;      // the opcode number of the operator that decides what happens
    uint8_t flag = 0;     // PushInt: a holds the value; fused jumps: jump when the comparison holds
    int32_t a = 0;        // slot, resolved jump target, int constant, count or register
    int32_t b = 0;        // a fused record's second operand
    int32_t c = 0;        // a fused record's third operand (a jump target or a slot)
};

static_assert(sizeof(ExecInstruction) == 16, "an executable record is 16 bytes");

// The records for code, one per instruction and an End record last; with
// fuse, runs that have a fused record get one.
std::vector<ExecInstruction> buildExecutable(const std::vector<Instruction>& code, bool fuse);

// How many instructions a record stands for (1 for plain ones and End).
int32_t execSpan(const ExecInstruction& record);

// Whether new code units get fused records (on unless switched off, for
// comparing the two forms).
bool& fusedInstructionsEnabled();

// The listing behind "kestrel --dis=exec": one record a line with its
// position, kind and operands, UTF-8, lines ending in "\n".
std::string disassembleExecutable(const std::vector<ExecInstruction>& records);

}  // namespace kestrel
