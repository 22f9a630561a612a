// Fused records against plain ones on random small programs: the same
// printed output and the same values alive, with the program still running
// and after it ended. The seeds are fixed, so a failure repeats; it reports
// the program's source.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "host/console_queue.h"
#include "host/utf8.h"
#include "parser/parse_source.h"
#include "compiler/codegen.h"
#include "objects/shared_constants.h"
#include "objects/value_pool.h"
#include "random_program.h"
#include "vm/code_unit.h"
#include "vm/cycle_collector.h"
#include "vm/exec_code.h"
#include "vm/machine.h"
#include "vm/run_budget.h"

namespace kestrel::testing {
namespace {

struct Outcome {
    bool compiled = false;
    bool raised = false;
    bool stopped = false;  // ran out of its step budget: a fault that loops keeps the test finite
    std::string output;
    // Values alive with the program still held, less the constants its unit
    // cached (a fused record reads its int constant from the record, so
    // fewer are made).
    int64_t aliveAfterRun = 0;
    int64_t leaked = 0;         // values alive once the program is gone
};

Outcome runWith(const std::string& source, bool fuse) {
    initObjectModel();
    Outcome out;
    ParseOutcome parse = parseSourceText(fromUtf8(source));
    if (!parse.ok) return out;
    auto module = std::make_shared<CompiledModule>();
    KvParserException error;
    if (!compileModule(parse.root, *module, error)) return out;
    out.compiled = true;

    const bool saved = fusedInstructionsEnabled();
    fusedInstructionsEnabled() = fuse;
    ::testing::internal::CaptureStdout();
    const int64_t before = kvLiveValueCount();
    {
        KvVirtualMachine machine;
        auto* unit = new CodeUnit(module, u"");
        setRunBudget(2'000'000);
        machine.run(unit, true, false);
        out.stopped = runBudgetSpent();
        setRunBudget(-1);
        out.raised = machine.endedInException();
        collectCycles();
        out.aliveAfterRun = kvLiveValueCount() - before;
        for (int32_t i = 0; i < unit->count(); ++i) {
            const Opcode op = module->code[static_cast<size_t>(i)].opcode;
            if (op != Opcode::PushInt && op != Opcode::PushLong && op != Opcode::PushFloat &&
                op != Opcode::PushDouble && op != Opcode::PushString) {
                continue;  // builds no constant
            }
            const KvValueRef& cached = unit->cache(i).value;
            if (cached && !cached->isShared()) --out.aliveAfterRun;
        }
        unit->releaseRef();
    }
    fusedInstructionsEnabled() = saved;
    collectCycles();
    out.leaked = kvLiveValueCount() - before;
    consoleQueue().flush();
    out.output = ::testing::internal::GetCapturedStdout();
    return out;
}

// Runs the programs of seeds [first, first + count) both ways; stops at the
// first difference, showing the program.
void compareSeeds(uint32_t first, uint32_t count) {
    for (uint32_t seed = first; seed < first + count; ++seed) {
        const std::string source = RandomProgram(seed).generate();
        const Outcome fused = runWith(source, true);
        const Outcome plain = runWith(source, false);
        ASSERT_TRUE(plain.compiled) << "seed " << seed << " does not compile:\n" << source;
        ASSERT_FALSE(plain.raised) << "seed " << seed << " raised:\n" << source << "\n" << plain.output;
        ASSERT_FALSE(plain.stopped) << "seed " << seed << " runs too long:\n" << source;
        const bool same = fused.output == plain.output && fused.raised == plain.raised && !fused.stopped &&
                          fused.aliveAfterRun == plain.aliveAfterRun && fused.leaked == plain.leaked;
        ASSERT_TRUE(same) << "seed " << seed << " differs\n--- program\n" << source << "--- fused output\n"
                          << fused.output << "--- plain output\n" << plain.output << "--- alive fused "
                          << fused.aliveAfterRun << " plain " << plain.aliveAfterRun << ", leaked fused "
                          << fused.leaked << " plain " << plain.leaked;
        EXPECT_EQ(plain.leaked, 0) << "seed " << seed << ":\n" << source;
    }
}

TEST(ExecFusionDifferential, RandomProgramsSeeds1To150) { compareSeeds(1, 150); }
TEST(ExecFusionDifferential, RandomProgramsSeeds150To300) { compareSeeds(150, 150); }
TEST(ExecFusionDifferential, RandomProgramsSeeds300To450) { compareSeeds(300, 150); }

// The comparison means something only if the programs reach the fused
// records: every kind turns up in the executable form of some of them.
TEST(ExecFusionDifferential, ProgramsReachEveryFusedKind) {
    std::map<uint8_t, int> seen;
    for (uint32_t seed = 1; seed < 100; ++seed) {
        ParseOutcome parse = parseSourceText(fromUtf8(RandomProgram(seed).generate()));
        ASSERT_TRUE(parse.ok) << seed;
        CompiledModule module;
        KvParserException error;
        ASSERT_TRUE(compileModule(parse.root, module, error)) << seed;
        for (const ExecInstruction& r : buildExecutable(module.code, true)) ++seen[r.op];
    }
    for (ExecOp kind : {ExecOp::LocalOpInt, ExecOp::JumpIfLocalCmpInt, ExecOp::JumpIfLocalsCmp,
                        ExecOp::UpdateLocalInt, ExecOp::OpStoreLocal, ExecOp::CallCount, ExecOp::CallBuiltinCount,
                        ExecOp::IndexAssign}) {
        EXPECT_GT(seen[static_cast<uint8_t>(kind)], 5) << static_cast<int>(kind);
    }
}

// Hand-written cases of the in-place update of an int a variable holds
// alone: every other holder of the same int keeps its value.
TEST(ExecFusionDifferential, IntsSharedWithOtherHoldersKeepTheirValues) {
    const std::string source =
        "class Box { var v = 0 }\n"
        "func keep(v) { return () -> v }\n"
        "func grow(v) { v = v + 1\n v = v * 3\n return v }\n"
        "var a = 1000\nvar b = a\na = a + 1\nprint(b, \" \", a)\n"
        "var c = 2000\nvar list = [c]\nc = c + 1\nc = c * 2\nprint(list[0], \" \", c)\n"
        "var d = 3000\nvar map = {k: d}\nd += 5\nprint(map[\"k\"], \" \", d)\n"
        "var e = 4000\nvar kept = keep(e)\ne++\nprint(kept(), \" \", e)\n"
        "var g = 5000\nvar box = new Box()\nbox.v = g\ng = g - 1\nprint(box.v, \" \", g)\n"
        "var h = 6000\nprint(grow(h), \" \", h)\n"
        "var x = 7000\nx = x + x\nprint(x)\n"
        "var y = 300\nvar z = y\nfor (var i = 0; i < 3; i++) { y = y + z }\nprint(y, \" \", z)\n"
        "var p = 250\nwhile (p < 300) { p = p + 7 }\nwhile (p > -20) { p = p - 9 }\n"
        "print(p, \" \", 255, \" \", 256, \" \", -1)\n";
    const std::string expected =
        "1000 1001\n2000 4002\n3000 3005\n4000 4001\n5000 4999\n18003 6000\n14000\n1200 300\n"
        "-27 255 256 -1\n";
    for (bool fuse : {true, false}) {
        const Outcome run = runWith(source, fuse);
        EXPECT_EQ(run.output, expected) << (fuse ? "fused" : "plain");
        EXPECT_EQ(run.leaked, 0);
    }
}

}  // namespace
}  // namespace kestrel::testing
