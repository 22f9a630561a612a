// The executable records built from an instruction list: jump targets
// resolved once, End after the last record, and fused records chosen only
// where their whole run matches, with the plain records of the run kept for
// jumps into its middle.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "compile_test_util.h"
#include "vm/exec_code.h"
#include "vm_assembler.h"

namespace kestrel::testing {
namespace {

Instruction make(Opcode opcode, int64_t operand = 0, bool discard = true) {
    Instruction ins;
    ins.opcode = opcode;
    ins.intValue = operand;
    ins.discard = discard;
    return ins;
}

uint8_t num(Opcode op) { return static_cast<uint8_t>(op); }
uint8_t num(ExecOp op) { return static_cast<uint8_t>(op); }

constexpr int64_t kWide = int64_t{1} << 40;

// --- Jump targets and the End record ---

TEST(ExecCode, EmptyCodeIsOneEndRecord) {
    std::vector<ExecInstruction> records = buildExecutable({}, true);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].op, num(ExecOp::End));
}

TEST(ExecCode, EveryListEndsInEnd) {
    std::vector<Instruction> code = {make(Opcode::PushInt, 1), make(Opcode::Return)};
    for (bool fuse : {false, true}) {
        std::vector<ExecInstruction> records = buildExecutable(code, fuse);
        ASSERT_EQ(records.size(), code.size() + 1);
        EXPECT_EQ(records.back().op, num(ExecOp::End));
        EXPECT_EQ(records[1].op, num(Opcode::Return));
    }
}

TEST(ExecCode, LoopJumpsLandPastLabelsAndOutsideTargetsOnEnd) {
    std::vector<Instruction> code = {
        make(Opcode::Jump, 2),                 // 0: onto a run of labels
        make(Opcode::PushNull),                // 1
        make(Opcode::Label),                   // 2
        make(Opcode::Label),                   // 3
        make(Opcode::Pop),                     // 4
        make(Opcode::JumpIfTrue, 4),           // 5: already on an instruction
        make(Opcode::JumpIfFalse, 99),         // 6: past the end
        make(Opcode::JumpAlways, -1),          // 7: negative
        make(Opcode::JumpIfLessEqual, kWide),  // 8: wider than the record
        make(Opcode::JumpIfEqual, 10),         // 9: trailing labels only
        make(Opcode::Label),                   // 10
        make(Opcode::Label),                   // 11
    };
    const int32_t end = static_cast<int32_t>(code.size());
    std::vector<ExecInstruction> records = buildExecutable(code, true);
    EXPECT_EQ(records[0].a, 4);
    EXPECT_EQ(records[5].a, 4);
    EXPECT_EQ(records[6].a, end);
    EXPECT_EQ(records[7].a, end);
    EXPECT_EQ(records[8].a, end);
    EXPECT_EQ(records[9].a, end);
    EXPECT_EQ(records[static_cast<size_t>(end)].op, num(ExecOp::End));
}

TEST(ExecCode, EveryConditionalJumpKindIsResolved) {
    for (Opcode op : {Opcode::JumpIfTrue, Opcode::JumpIfFalse, Opcode::JumpIfEqual, Opcode::JumpIfNotEqual,
                      Opcode::JumpIfGreater, Opcode::JumpIfGreaterEqual, Opcode::JumpIfLess,
                      Opcode::JumpIfLessEqual, Opcode::Jump, Opcode::JumpAlways}) {
        std::vector<Instruction> code = {make(op, 1), make(Opcode::Label), make(Opcode::Return)};
        std::vector<ExecInstruction> records = buildExecutable(code, true);
        EXPECT_EQ(records[0].a, 2) << opcodeName(static_cast<uint32_t>(op));
        EXPECT_EQ(records[0].op, num(op));
    }
}

// The frame keeps handler and finally positions and jumps through its own
// bookkeeping, so the records hold them as written.
TEST(ExecCode, HandlerAndPendingTargetsStayAsWritten) {
    std::vector<Instruction> code = {make(Opcode::PushHandler, 2), make(Opcode::PendingJump, 99),
                                     make(Opcode::Label), make(Opcode::Return)};
    std::vector<ExecInstruction> records = buildExecutable(code, true);
    EXPECT_EQ(records[0].a, 2);
    EXPECT_EQ(records[1].a, 99);
}

// --- Plain records ---

TEST(ExecCode, PlainRecordsCarryOperandAndDiscardFlag) {
    std::vector<Instruction> code = {
        make(Opcode::PushInt, 300),        // 0
        make(Opcode::PushInt, kWide),      // 1: taken the slow way
        make(Opcode::StoreLocal, 3, false),  // 2
        make(Opcode::LoadLocal, kWide),    // 3: a slot no record can name
        make(Opcode::PushBool, 1),         // 4
        make(Opcode::Pop),                 // 5
    };
    std::vector<ExecInstruction> records = buildExecutable(code, false);
    EXPECT_EQ(records[0].a, 300);
    EXPECT_EQ(records[0].flag, 1);
    EXPECT_EQ(records[1].flag, 0);
    EXPECT_EQ(records[2].a, 3);
    EXPECT_EQ(records[2].discard, 0);
    EXPECT_EQ(records[3].a, -1);
    EXPECT_EQ(records[4].a, 1);
    EXPECT_EQ(records[5].discard, 1);
    for (size_t i = 0; i < code.size(); ++i) EXPECT_EQ(records[i].sub, records[i].op) << i;
}

// A damaged compiled module may hold numbers no instruction has, among them
// End's and the fused kinds'; they must do nothing rather than end the frame
// or run a fused record with operands nobody chose.
TEST(ExecCode, UnknownOpcodeNumbersBecomeLabels) {
    for (uint32_t bad : {0u, 99u, 101u, 104u, 107u, 127u, 200u, 255u}) {  // an opcode is one byte
        std::vector<Instruction> code = {make(static_cast<Opcode>(bad), 5), make(Opcode::Return)};
        std::vector<ExecInstruction> records = buildExecutable(code, true);
        EXPECT_EQ(records[0].op, num(Opcode::Label)) << bad;
    }
}

// --- Fused records: chosen for their pattern ---

struct Built {
    std::vector<ExecInstruction> fused;
    std::vector<ExecInstruction> plain;
};

Built both(const std::vector<Instruction>& code) { return {buildExecutable(code, true), buildExecutable(code, false)}; }

TEST(ExecCode, LocalOpIntForALocalAndAnIntConstant) {
    for (Opcode op : {Opcode::Add, Opcode::Subtract, Opcode::Multiply, Opcode::Divide, Opcode::Modulo, Opcode::Less,
                      Opcode::Equal, Opcode::NotEqual, Opcode::GreaterEqual}) {
        Built b = both({make(Opcode::LoadLocal, 2), make(Opcode::PushInt, -7), make(op), make(Opcode::Pop)});
        EXPECT_EQ(b.fused[0].op, num(ExecOp::LocalOpInt)) << opcodeName(static_cast<uint32_t>(op));
        EXPECT_EQ(b.fused[0].a, 2);
        EXPECT_EQ(b.fused[0].b, -7);
        EXPECT_EQ(b.fused[0].sub, num(op));
        EXPECT_EQ(execSpan(b.fused[0]), 3);
        // The rest of the run keeps its plain records.
        EXPECT_EQ(b.fused[1].op, num(Opcode::PushInt));
        EXPECT_EQ(b.fused[2].op, num(op));
    }
}

TEST(ExecCode, CompareAndJumpOnALocalAndAConstant) {
    Built t = both({make(Opcode::Label), make(Opcode::LoadLocal, 1), make(Opcode::PushInt, 10), make(Opcode::Less),
                    make(Opcode::JumpIfTrue, 0)});
    EXPECT_EQ(t.fused[1].op, num(ExecOp::JumpIfLocalCmpInt));
    EXPECT_EQ(t.fused[1].a, 1);
    EXPECT_EQ(t.fused[1].b, 10);
    EXPECT_EQ(t.fused[1].sub, num(Opcode::Less));
    EXPECT_EQ(t.fused[1].c, 1);  // resolved past the label
    EXPECT_EQ(t.fused[1].flag, 1);
    EXPECT_EQ(execSpan(t.fused[1]), 4);
    EXPECT_EQ(t.fused[4].op, num(Opcode::JumpIfTrue));
    EXPECT_EQ(t.fused[4].a, 1);

    Built f = both({make(Opcode::LoadLocal, 1), make(Opcode::PushInt, 10), make(Opcode::Equal),
                    make(Opcode::JumpIfFalse, 50)});
    EXPECT_EQ(f.fused[0].op, num(ExecOp::JumpIfLocalCmpInt));
    EXPECT_EQ(f.fused[0].flag, 0);
    EXPECT_EQ(f.fused[0].c, 4);  // outside the list: End
}

TEST(ExecCode, CompareAndJumpOnTwoLocals) {
    Built b = both({make(Opcode::LoadLocal, 1), make(Opcode::LoadLocal, 2), make(Opcode::GreaterEqual),
                    make(Opcode::JumpIfFalse, 0)});
    EXPECT_EQ(b.fused[0].op, num(ExecOp::JumpIfLocalsCmp));
    EXPECT_EQ(b.fused[0].a, 1);
    EXPECT_EQ(b.fused[0].b, 2);
    EXPECT_EQ(b.fused[0].c, 0);
    EXPECT_EQ(b.fused[0].flag, 0);
    // The second load starts no run of its own here.
    EXPECT_EQ(b.fused[1].op, num(Opcode::LoadLocal));
}

TEST(ExecCode, UpdateLocalIntForAddAndSubtractIntoTheSameSlot) {
    for (Opcode op : {Opcode::Add, Opcode::Subtract}) {
        Built b = both({make(Opcode::LoadLocal, 3), make(Opcode::PushInt, 2), make(op), make(Opcode::StoreLocal, 3)});
        EXPECT_EQ(b.fused[0].op, num(ExecOp::UpdateLocalInt));
        EXPECT_EQ(b.fused[0].a, 3);
        EXPECT_EQ(b.fused[0].b, 2);
        EXPECT_EQ(b.fused[0].sub, num(op));
        EXPECT_EQ(execSpan(b.fused[0]), 4);
        // The operator and its store form a run of their own for a jump there.
        EXPECT_EQ(b.fused[2].op, num(ExecOp::OpStoreLocal));
        EXPECT_EQ(b.fused[3].op, num(Opcode::StoreLocal));
    }
}

TEST(ExecCode, OpStoreLocalForAnArithmeticResultStoredAndDropped) {
    for (Opcode op : {Opcode::Add, Opcode::Subtract, Opcode::Multiply, Opcode::Divide, Opcode::Modulo,
                      Opcode::IntegerDivide}) {
        Built b = both({make(Opcode::LoadLocal, 0), make(Opcode::LoadLocal, 1), make(op), make(Opcode::StoreLocal, 4)});
        EXPECT_EQ(b.fused[2].op, num(ExecOp::OpStoreLocal));
        EXPECT_EQ(b.fused[2].sub, num(op));
        EXPECT_EQ(b.fused[2].c, 4);
        EXPECT_EQ(execSpan(b.fused[2]), 2);
    }
}

TEST(ExecCode, CallCountsAsOperands) {
    Built call = both({make(Opcode::PushInt, 2), make(Opcode::Call, 0, false)});
    EXPECT_EQ(call.fused[0].op, num(ExecOp::CallCount));
    EXPECT_EQ(call.fused[0].a, 2);
    EXPECT_EQ(call.fused[0].discard, 0);  // the call's flag, not the count's
    EXPECT_EQ(call.fused[1].op, num(Opcode::Call));

    Built builtin = both({make(Opcode::PushInt, 0), make(Opcode::CallBuiltin, 6, true)});
    EXPECT_EQ(builtin.fused[0].op, num(ExecOp::CallBuiltinCount));
    EXPECT_EQ(builtin.fused[0].a, 0);
    EXPECT_EQ(builtin.fused[0].b, 6);
    EXPECT_EQ(builtin.fused[0].discard, 1);

    Built largest = both({make(Opcode::PushInt, 255), make(Opcode::Call)});
    EXPECT_EQ(largest.fused[0].op, num(ExecOp::CallCount));
}

// A store through one bracket keeps the assignment's flag; two brackets, or
// a reference read rather than assigned, stay plain.
TEST(ExecCode, IndexAssignOnlyForOneBracketAssigned) {
    Built kept = both({make(Opcode::IndexRef, 1), make(Opcode::AssignRef, 0, false)});
    EXPECT_EQ(kept.fused[0].op, num(ExecOp::IndexAssign));
    EXPECT_EQ(kept.fused[0].a, 1);
    EXPECT_EQ(kept.fused[0].discard, 0);
    EXPECT_EQ(execSpan(kept.fused[0]), 2);
    EXPECT_EQ(kept.fused[1].op, num(Opcode::AssignRef));

    Built dropped = both({make(Opcode::IndexRef, 1), make(Opcode::AssignRef, 0, true)});
    EXPECT_EQ(dropped.fused[0].discard, 1);

    Built two = both({make(Opcode::IndexRef, 2), make(Opcode::AssignRef)});
    EXPECT_EQ(two.fused[0].op, num(Opcode::IndexRef));
    Built read = both({make(Opcode::IndexRef, 1), make(Opcode::Pop)});
    EXPECT_EQ(read.fused[0].op, num(Opcode::IndexRef));
}

// --- Fused records: not chosen when one condition fails ---

// Only the first record differs between the forms where a run is fused;
// everywhere else both forms are the same.
void expectPlainAt(const std::vector<Instruction>& code, size_t at) {
    Built b = both(code);
    EXPECT_EQ(b.fused[at].op, b.plain[at].op) << "fused " << static_cast<int>(b.fused[at].op);
}

TEST(ExecCode, NoUpdateLocalIntWhenTheStoreIsKeptOrGoesElsewhere) {
    // The stored value stays on the stack: an arithmetic record only.
    Built kept = both({make(Opcode::LoadLocal, 3), make(Opcode::PushInt, 1), make(Opcode::Add),
                       make(Opcode::StoreLocal, 3, false)});
    EXPECT_EQ(kept.fused[0].op, num(ExecOp::LocalOpInt));
    EXPECT_EQ(kept.fused[2].op, num(Opcode::Add));
    // Another variable: `j = i + 1`.
    Built other = both({make(Opcode::LoadLocal, 3), make(Opcode::PushInt, 1), make(Opcode::Add),
                        make(Opcode::StoreLocal, 4)});
    EXPECT_EQ(other.fused[0].op, num(ExecOp::LocalOpInt));
    EXPECT_EQ(other.fused[2].op, num(ExecOp::OpStoreLocal));
    // Multiplication is no increment.
    Built times = both({make(Opcode::LoadLocal, 3), make(Opcode::PushInt, 2), make(Opcode::Multiply),
                        make(Opcode::StoreLocal, 3)});
    EXPECT_EQ(times.fused[0].op, num(ExecOp::LocalOpInt));
}

TEST(ExecCode, NoFusionForOperandsWiderThanARecord) {
    // A constant wider than 32 bits.
    expectPlainAt({make(Opcode::LoadLocal, 3), make(Opcode::PushInt, kWide), make(Opcode::Add),
                   make(Opcode::StoreLocal, 3)}, 0);
    expectPlainAt({make(Opcode::LoadLocal, 3), make(Opcode::PushInt, kWide), make(Opcode::Less),
                   make(Opcode::JumpIfTrue, 0)}, 0);
    // A slot wider than 32 bits, loaded or stored.
    expectPlainAt({make(Opcode::LoadLocal, kWide), make(Opcode::PushInt, 1), make(Opcode::Add)}, 0);
    expectPlainAt({make(Opcode::LoadLocal, 1), make(Opcode::LoadLocal, kWide), make(Opcode::Less),
                   make(Opcode::JumpIfTrue, 0)}, 0);
    expectPlainAt({make(Opcode::Add), make(Opcode::StoreLocal, kWide)}, 0);
    // A long constant is not an int one.
    expectPlainAt({make(Opcode::LoadLocal, 1), make(Opcode::PushLong, 5), make(Opcode::Add)}, 0);
}

TEST(ExecCode, NoCallCountOutsideTheSharedIntRange) {
    for (int64_t count : {int64_t{-1}, int64_t{256}, int64_t{100000}, kWide}) {
        expectPlainAt({make(Opcode::PushInt, count), make(Opcode::Call)}, 0);
        expectPlainAt({make(Opcode::PushInt, count), make(Opcode::CallBuiltin, 0)}, 0);
    }
    // A builtin number too wide for the record.
    expectPlainAt({make(Opcode::PushInt, 1), make(Opcode::CallBuiltin, kWide)}, 0);
}

TEST(ExecCode, NoFusedJumpWithoutAComparisonAndAConditionalJump) {
    // An arithmetic result tested for truth: the arithmetic alone is fused.
    Built sum = both({make(Opcode::LoadLocal, 1), make(Opcode::PushInt, 1), make(Opcode::Add),
                      make(Opcode::JumpIfTrue, 0)});
    EXPECT_EQ(sum.fused[0].op, num(ExecOp::LocalOpInt));
    // An unconditional jump after a comparison.
    Built always = both({make(Opcode::LoadLocal, 1), make(Opcode::PushInt, 1), make(Opcode::Less),
                         make(Opcode::Jump, 0)});
    EXPECT_EQ(always.fused[0].op, num(ExecOp::LocalOpInt));
    // Two locals without a jump after their comparison are left plain.
    expectPlainAt({make(Opcode::LoadLocal, 1), make(Opcode::LoadLocal, 2), make(Opcode::Less), make(Opcode::Pop)}, 0);
    // A comparison result stored is no OpStoreLocal.
    expectPlainAt({make(Opcode::Less), make(Opcode::StoreLocal, 1)}, 0);
    expectPlainAt({make(Opcode::Add), make(Opcode::StoreLocal, 1, false)}, 0);
    // Strict equality and bit operators have no int fast path.
    expectPlainAt({make(Opcode::LoadLocal, 1), make(Opcode::PushInt, 1), make(Opcode::StrictEqual)}, 0);
    expectPlainAt({make(Opcode::LoadLocal, 1), make(Opcode::PushInt, 1), make(Opcode::BitAnd)}, 0);
}

// A run cut short by the end of the list is not fused (and nothing past the
// list is read: the sanitizer build watches that).
TEST(ExecCode, RunsCutByTheEndOfTheListStayPlain) {
    expectPlainAt({make(Opcode::LoadLocal, 1)}, 0);
    expectPlainAt({make(Opcode::LoadLocal, 1), make(Opcode::PushInt, 1)}, 0);
    Built three = both({make(Opcode::LoadLocal, 1), make(Opcode::PushInt, 1), make(Opcode::Less)});
    EXPECT_EQ(three.fused[0].op, num(ExecOp::LocalOpInt));  // three is a whole LocalOpInt
    expectPlainAt({make(Opcode::LoadLocal, 1), make(Opcode::LoadLocal, 2), make(Opcode::Less)}, 0);
    expectPlainAt({make(Opcode::Add)}, 0);
    expectPlainAt({make(Opcode::PushInt, 1)}, 0);
}

TEST(ExecCode, WithoutFusionEveryRecordIsPlain) {
    std::vector<Instruction> code = {make(Opcode::LoadLocal, 3), make(Opcode::PushInt, 1), make(Opcode::Add),
                                     make(Opcode::StoreLocal, 3), make(Opcode::PushInt, 1), make(Opcode::Call)};
    for (const ExecInstruction& r : buildExecutable(code, false)) {
        EXPECT_LT(r.op, num(ExecOp::LocalOpInt));
        EXPECT_EQ(execSpan(r), 1);
    }
}

// --- Compiled code: the two forms agree wherever no run is fused ---

// Checks the records of one compiled module: same length both ways, End
// last, jump targets on a non-label record or End, a fused record only
// where its first instruction's plain record would be, with that record's
// operand (so it can fall back to it), and no function body starting inside
// a fused run.
void checkForms(const CompiledModule& module, const std::string& what) {
    Built b = both(module.code);
    const size_t count = module.code.size();
    ASSERT_EQ(b.fused.size(), count + 1) << what;
    ASSERT_EQ(b.plain.size(), count + 1) << what;
    EXPECT_EQ(b.fused[count].op, num(ExecOp::End)) << what;
    auto landsWell = [&](int32_t target) {
        return target >= 0 && static_cast<size_t>(target) <= count &&
               (static_cast<size_t>(target) == count || module.code[static_cast<size_t>(target)].opcode != Opcode::Label);
    };
    for (size_t i = 0; i < count; ++i) {
        const ExecInstruction& f = b.fused[i];
        const ExecInstruction& p = b.plain[i];
        const Opcode op = module.code[i].opcode;
        if (isJumpOpcode(op) && op != Opcode::PushHandler && op != Opcode::PendingJump) {
            EXPECT_TRUE(landsWell(p.a)) << what << " at " << i;
        }
        if (f.op < num(ExecOp::LocalOpInt)) {
            EXPECT_EQ(f.op, p.op) << what << " at " << i;
            EXPECT_EQ(f.a, p.a) << what << " at " << i;
            continue;
        }
        const size_t span = static_cast<size_t>(execSpan(f));
        ASSERT_LE(i + span, count) << what << " at " << i;
        // A frame starting inside the run would skip the fused record.
        for (const auto& function : module.functions) {
            const auto entry = static_cast<size_t>(function->entry);
            EXPECT_FALSE(entry > i && entry < i + span) << what << " at " << i << ": entry " << entry;
        }
        if (f.op == num(ExecOp::JumpIfLocalCmpInt) || f.op == num(ExecOp::JumpIfLocalsCmp)) {
            EXPECT_TRUE(landsWell(f.c)) << what << " at " << i;
            EXPECT_EQ(f.c, b.plain[i + 3].a) << what << " at " << i;
        }
        if (f.op != num(ExecOp::CallCount) && f.op != num(ExecOp::CallBuiltinCount)) {
            EXPECT_EQ(f.a, p.a) << what << " at " << i;
        }
    }
}

TEST(ExecCode, CountedLoopGetsItsFusedRecords) {
    Compiled c = compileUtf8("var i = 0\nvar s = 0\nwhile (i < 10) { s = s + i\n i = i + 1 }\nprint(s)\n");
    ASSERT_TRUE(c.ok);
    checkForms(c.module, "counted loop");
    std::vector<ExecInstruction> records = buildExecutable(c.module.code, true);
    auto has = [&](ExecOp kind) {
        for (const ExecInstruction& r : records) {
            if (r.op == num(kind)) return true;
        }
        return false;
    };
    EXPECT_TRUE(has(ExecOp::JumpIfLocalCmpInt));
    EXPECT_TRUE(has(ExecOp::UpdateLocalInt));
    EXPECT_TRUE(has(ExecOp::OpStoreLocal));
    EXPECT_TRUE(has(ExecOp::CallBuiltinCount));
}

TEST(ExecCode, EveryScriptTestCompilesToConsistentForms) {
    const std::filesystem::path root = "../scripts";
    ASSERT_TRUE(std::filesystem::is_directory(root));
    int checked = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.path().extension() != ".kv") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        Compiled c = compileUtf8(text.str());
        if (!c.ok) continue;  // parse-error tests, and sources in other encodings
        checkForms(c.module, entry.path().string());
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

// --- A jump into the middle of a fused run ---

// Sets whether new code units get fused records, and restores it.
class FusionSetting {
public:
    explicit FusionSetting(bool on) : saved_(fusedInstructionsEnabled()) { fusedInstructionsEnabled() = on; }
    ~FusionSetting() { fusedInstructionsEnabled() = saved_; }
    FusionSetting(const FusionSetting&) = delete;
    FusionSetting& operator=(const FusionSetting&) = delete;

private:
    bool saved_;
};

// i = n + 1 first (a jump onto the PushInt of the run `i = i + 1`), then
// i = i + 1 and n = n + 3 while n < 20 (a loop back onto the run's start);
// the result is i * 1000 + n.
Assembler middleJumpProgram(int32_t& runStart) {
    Assembler a;
    a.enter(a.scope({u"i", u"n"}));
    a.op(Opcode::PushInt, 0);
    a.op(Opcode::StoreLocal, 0);
    a.op(Opcode::PushInt, 10);
    a.op(Opcode::StoreLocal, 1);
    a.op(Opcode::LoadLocal, 1, false);
    const int32_t jump = a.here();
    a.op(Opcode::Jump);
    a.op(Opcode::Label);
    runStart = a.here();
    a.op(Opcode::LoadLocal, 0, false);  // i = i + 1
    a.op(Opcode::PushInt, 1, false);
    a.op(Opcode::Add, 0, false);
    a.op(Opcode::StoreLocal, 0);
    a.patch(jump, runStart + 1);
    a.op(Opcode::LoadLocal, 1, false);  // n = n + 3
    a.op(Opcode::PushInt, 3, false);
    a.op(Opcode::Add, 0, false);
    a.op(Opcode::StoreLocal, 1);
    a.op(Opcode::LoadLocal, 1, false);  // while n < 20
    a.op(Opcode::PushInt, 20, false);
    a.op(Opcode::Less, 0, false);
    a.op(Opcode::JumpIfTrue, runStart - 1);
    a.op(Opcode::LoadLocal, 0, false);  // i * 1000 + n
    a.op(Opcode::PushInt, 1000, false);
    a.op(Opcode::Multiply, 0, false);
    a.op(Opcode::LoadLocal, 1, false);
    a.op(Opcode::Add, 0, false);
    a.op(Opcode::Return);
    return a;
}

TEST(ExecCode, JumpIntoTheMiddleOfAFusedRunRunsThePlainRecordsThere) {
    int32_t runStart = 0;
    Assembler a = middleJumpProgram(runStart);
    std::vector<ExecInstruction> records = buildExecutable(a.module()->code, true);
    ASSERT_EQ(records[static_cast<size_t>(runStart)].op, num(ExecOp::UpdateLocalInt));
    EXPECT_EQ(records[static_cast<size_t>(runStart) + 1].op, num(Opcode::PushInt));
    EXPECT_EQ(records[static_cast<size_t>(runStart) - 2].a, runStart + 1);
    for (bool fuse : {true, false}) {
        FusionSetting setting(fuse);
        MachineRun run = runAssembled(a);
        EXPECT_FALSE(run.raised);
        EXPECT_EQ(run.text, u"14022") << (fuse ? "fused" : "plain");
    }
}

// A value computed elsewhere reaches the comparison of a fused
// compare-and-jump run: the jump lands on the comparison's own record.
TEST(ExecCode, JumpOntoTheComparisonOfAFusedJumpRun) {
    Assembler a;
    a.enter(a.scope({u"k"}));
    a.op(Opcode::PushInt, 7);
    a.op(Opcode::StoreLocal, 0);
    a.op(Opcode::PushInt, 1000, false);  // 1000 < 5 decides, not k
    a.op(Opcode::PushInt, 5, false);
    const int32_t jump = a.here();
    a.op(Opcode::Jump);
    const int32_t run = a.here();
    a.op(Opcode::LoadLocal, 0, false);  // if (k < 100) -> "small"
    a.op(Opcode::PushInt, 100, false);
    a.op(Opcode::Less, 0, false);
    const int32_t branch = a.here();
    a.op(Opcode::JumpIfTrue);
    a.text(Opcode::PushString, u"large");
    a.op(Opcode::Return);
    const int32_t small = a.here();
    a.text(Opcode::PushString, u"small");
    a.op(Opcode::Return);
    a.patch(jump, run + 2);
    a.patch(branch, small);
    std::vector<ExecInstruction> records = buildExecutable(a.module()->code, true);
    ASSERT_EQ(records[static_cast<size_t>(run)].op, num(ExecOp::JumpIfLocalCmpInt));
    for (bool fuse : {true, false}) {
        FusionSetting setting(fuse);
        EXPECT_EQ(runAssembled(a).text, u"large") << (fuse ? "fused" : "plain");
    }
}

}  // namespace
}  // namespace kestrel::testing
