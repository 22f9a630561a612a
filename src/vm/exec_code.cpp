// Translation of an instruction list into executable records, the choice of
// fused records, and their listing.
#include "vm/exec_code.h"

#include <cstdio>

#include "objects/shared_constants.h"

namespace kestrel {

namespace {

bool fitsInt32(int64_t value) { return value == static_cast<int32_t>(value); }

// Jumps the loop takes itself; handler and finally targets are positions
// the frame keeps, so they stay as written.
bool isLoopJump(Opcode op) {
    return isJumpOpcode(op) && op != Opcode::PushHandler && op != Opcode::PendingJump;
}

uint8_t number(Opcode op) { return static_cast<uint8_t>(op); }

// Reads the instruction list with its bounds checked: patterns look ahead.
class Window {
public:
    explicit Window(const std::vector<Instruction>& code) : code_(code) {}
    int32_t count() const { return static_cast<int32_t>(code_.size()); }
    bool is(int32_t i, Opcode op) const { return i < count() && code_[static_cast<size_t>(i)].opcode == op; }
    const Instruction& at(int32_t i) const { return code_[static_cast<size_t>(i)]; }
    // A local slot operand that fits the record.
    bool local(int32_t i, Opcode op) const { return is(i, op) && fitsInt32(at(i).intValue); }
    bool smallInt(int32_t i) const { return local(i, Opcode::PushInt); }
    bool comparison(int32_t i) const { return i < count() && isComparisonOpcode(at(i).opcode); }
    bool arithmetic(int32_t i) const { return i < count() && isArithmeticOpcode(at(i).opcode); }
    bool conditionalJump(int32_t i) const { return is(i, Opcode::JumpIfTrue) || is(i, Opcode::JumpIfFalse); }
    bool discardedStore(int32_t i) const { return local(i, Opcode::StoreLocal) && at(i).discard; }

    // Where a jump lands: past any labels, and End for anything outside.
    int32_t target(int64_t written) const {
        if (written < 0 || written >= count()) return count();
        auto t = static_cast<int32_t>(written);
        while (t < count() && at(t).opcode == Opcode::Label) ++t;
        return t;
    }

private:
    const std::vector<Instruction>& code_;
};

ExecInstruction plainRecord(const Window& code, int32_t i) {
    const Instruction& ins = code.at(i);
    ExecInstruction record;
    const auto op = static_cast<uint32_t>(ins.opcode);
    // A number no instruction has does nothing when run, as a label does.
    record.op = isKnownOpcode(op) ? static_cast<uint8_t>(op) : number(Opcode::Label);
    record.sub = record.op;
    record.discard = ins.discard ? 1 : 0;
    if (isLoopJump(ins.opcode)) {
        record.a = code.target(ins.intValue);
    } else if (operandKindOf(ins.opcode) == OperandKind::Int || ins.opcode == Opcode::PushBool) {
        // A value too wide for the record: slots read as missing (-1) and
        // PushInt takes its constant the slow way (flag clear).
        const bool fits = fitsInt32(ins.intValue);
        record.a = fits ? static_cast<int32_t>(ins.intValue) : -1;
        record.flag = fits ? 1 : 0;
    }
    return record;
}

// The fused record for the run starting at i, or false when none starts there.
bool fusedRecord(const Window& code, int32_t i, ExecInstruction& record) {
    auto value = [&](int32_t at) { return static_cast<int32_t>(code.at(at).intValue); };
    if (code.local(i, Opcode::LoadLocal)) {
        if ((code.smallInt(i + 1) || code.local(i + 1, Opcode::LoadLocal)) && code.comparison(i + 2) &&
            code.conditionalJump(i + 3)) {
            record.op = static_cast<uint8_t>(code.is(i + 1, Opcode::PushInt) ? ExecOp::JumpIfLocalCmpInt
                                                                             : ExecOp::JumpIfLocalsCmp);
            record.b = value(i + 1);
            record.sub = number(code.at(i + 2).opcode);
            record.c = code.target(code.at(i + 3).intValue);
            record.flag = code.is(i + 3, Opcode::JumpIfTrue) ? 1 : 0;
            return true;
        }
        if (code.smallInt(i + 1) && (code.is(i + 2, Opcode::Add) || code.is(i + 2, Opcode::Subtract)) &&
            code.discardedStore(i + 3) && code.at(i + 3).intValue == code.at(i).intValue) {
            record.op = static_cast<uint8_t>(ExecOp::UpdateLocalInt);
            record.b = value(i + 1);
            record.sub = number(code.at(i + 2).opcode);
            return true;
        }
        if (code.smallInt(i + 1) && (code.arithmetic(i + 2) || code.comparison(i + 2))) {
            record.op = static_cast<uint8_t>(ExecOp::LocalOpInt);
            record.b = value(i + 1);
            record.sub = number(code.at(i + 2).opcode);
            return true;
        }
        return false;
    }
    if (code.is(i, Opcode::IndexRef) && code.at(i).intValue == 1 && code.is(i + 1, Opcode::AssignRef)) {
        record.op = static_cast<uint8_t>(ExecOp::IndexAssign);
        record.discard = code.at(i + 1).discard ? 1 : 0;
        return true;
    }
    if (code.arithmetic(i) && code.discardedStore(i + 1)) {
        record.op = static_cast<uint8_t>(ExecOp::OpStoreLocal);
        record.c = value(i + 1);
        return true;
    }
    // An argument count that the stack would hold as a shared int (so the
    // call reads it the same way either form).
    if (code.smallInt(i) && code.at(i).intValue >= 0 && isSharedIntValue(value(i))) {
        if (code.is(i + 1, Opcode::Call)) {
            record.op = static_cast<uint8_t>(ExecOp::CallCount);
            record.discard = code.at(i + 1).discard ? 1 : 0;
            return true;
        }
        if (code.local(i + 1, Opcode::CallBuiltin)) {
            record.op = static_cast<uint8_t>(ExecOp::CallBuiltinCount);
            record.discard = code.at(i + 1).discard ? 1 : 0;
            record.b = value(i + 1);
            return true;
        }
    }
    return false;
}

const char* kindName(const ExecInstruction& record) {
    switch (static_cast<ExecOp>(record.op)) {
    case ExecOp::End: return "End";
    case ExecOp::LocalOpInt: return "LocalOpInt";
    case ExecOp::JumpIfLocalCmpInt: return "JumpIfLocalCmpInt";
    case ExecOp::JumpIfLocalsCmp: return "JumpIfLocalsCmp";
    case ExecOp::UpdateLocalInt: return "UpdateLocalInt";
    case ExecOp::OpStoreLocal: return "OpStoreLocal";
    case ExecOp::CallCount: return "CallCount";
    case ExecOp::CallBuiltinCount: return "CallBuiltinCount";
    case ExecOp::IndexAssign: return "IndexAssign";
    }
    const char* name = opcodeName(record.op);
    return name ? name : "?";
}

std::string opName(uint8_t op) {
    const char* name = opcodeName(op);
    return name ? name : "?";
}

std::string operandsText(const ExecInstruction& r) {
    const std::string a = std::to_string(r.a), b = std::to_string(r.b), c = std::to_string(r.c);
    const std::string when = r.flag ? " if true -> " : " if false -> ";
    switch (static_cast<ExecOp>(r.op)) {
    case ExecOp::End: return "";
    case ExecOp::LocalOpInt: return "slot=" + a + " " + opName(r.sub) + " int=" + b;
    case ExecOp::JumpIfLocalCmpInt: return "slot=" + a + " " + opName(r.sub) + " int=" + b + when + c;
    case ExecOp::JumpIfLocalsCmp: return "slot=" + a + " " + opName(r.sub) + " slot=" + b + when + c;
    case ExecOp::UpdateLocalInt: return "slot=" + a + " " + opName(r.sub) + " int=" + b;
    case ExecOp::OpStoreLocal: return opName(r.sub) + " store slot=" + c;
    case ExecOp::CallCount: return "count=" + a;
    case ExecOp::CallBuiltinCount: return "builtin=" + b + " count=" + a;
    case ExecOp::IndexAssign: return "count=" + a;
    }
    if (isLoopJump(static_cast<Opcode>(r.op))) return "-> " + a;
    if (operandKindOf(static_cast<Opcode>(r.op)) == OperandKind::Int) return r.flag ? a : "(wide)";
    return "";
}

}  // namespace

std::vector<ExecInstruction> buildExecutable(const std::vector<Instruction>& code, bool fuse) {
    const Window window(code);
    std::vector<ExecInstruction> records;
    records.reserve(code.size() + 1);
    for (int32_t i = 0; i < window.count(); ++i) {
        ExecInstruction record = plainRecord(window, i);
        if (fuse) fusedRecord(window, i, record);
        records.push_back(record);
    }
    records.push_back(ExecInstruction{});  // End
    return records;
}

int32_t execSpan(const ExecInstruction& record) {
    switch (static_cast<ExecOp>(record.op)) {
    case ExecOp::LocalOpInt: return 3;
    case ExecOp::JumpIfLocalCmpInt:
    case ExecOp::JumpIfLocalsCmp:
    case ExecOp::UpdateLocalInt: return 4;
    case ExecOp::OpStoreLocal:
    case ExecOp::CallCount:
    case ExecOp::CallBuiltinCount:
    case ExecOp::IndexAssign: return 2;
    default: return 1;
    }
}

bool& fusedInstructionsEnabled() {
    static bool enabled = true;
    return enabled;
}

// Columns as in the instruction listing: position in 4, name padded to 20,
// then the operands and, for a record of more than one instruction, their span.
std::string disassembleExecutable(const std::vector<ExecInstruction>& records) {
    std::string out;
    for (size_t i = 0; i < records.size(); ++i) {
        const ExecInstruction& record = records[i];
        char head[64];
        std::snprintf(head, sizeof head, "%4zu  %-20s", i, kindName(record));
        out += head;
        out += operandsText(record);
        const int32_t span = execSpan(record);
        if (span > 1) out += "  [" + std::to_string(i) + ".." + std::to_string(i + static_cast<size_t>(span) - 1) + "]";
        const bool call = record.op == number(Opcode::Call) || record.op == number(Opcode::CallBuiltin) ||
                          record.op == static_cast<uint8_t>(ExecOp::CallCount) ||
                          record.op == static_cast<uint8_t>(ExecOp::CallBuiltinCount);
        const bool keeps = call || record.op == number(Opcode::StoreLocal) ||
                           record.op == static_cast<uint8_t>(ExecOp::IndexAssign);
        if (keeps) out += record.discard ? "  discard" : "  keep";
        while (!out.empty() && out.back() == ' ') out.pop_back();
        out += "\n";
    }
    return out;
}

}  // namespace kestrel
