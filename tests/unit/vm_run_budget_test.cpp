// The run budget: an armed budget stops endless loops, recursion and
// callbacks as Halt does (every machine of the run stops, every value is
// released); a budget the program does not use up changes nothing.
#include <gtest/gtest.h>

#include <string>

#include "compile_test_util.h"
#include "host/console_queue.h"
#include "host/utf8.h"
#include "objects/shared_constants.h"
#include "objects/value_pool.h"
#include "parser/parse_source.h"
#include "compiler/codegen.h"
#include "vm/code_unit.h"
#include "vm/cycle_collector.h"
#include "vm/machine.h"
#include "vm/run_budget.h"

namespace kestrel::testing {
namespace {

struct BudgetRun {
    std::string output;
    bool spent = false;
    int64_t leakedValues = 0;
};

// Runs source under a budget of `steps`, disarmed again afterwards.
BudgetRun runWithBudget(const std::string& source, int64_t steps) {
    initObjectModel();
    CompiledModulePtr module = testing::compileShared(source);
    BudgetRun run;
    int64_t before = kvLiveValueCount();
    ::testing::internal::CaptureStdout();
    setRunBudget(steps);
    {
        KvUnitRef unit = KvUnitRef::make(module, u"");
        KvVirtualMachine machine;
        machine.run(unit.get(), true, false);
    }
    run.spent = runBudgetSpent();
    setRunBudget(-1);
    collectCycles();
    consoleQueue().flush();
    run.output = ::testing::internal::GetCapturedStdout();
    run.leakedValues = kvLiveValueCount() - before;
    return run;
}

TEST(RunBudget, EndlessCodeStopsAndReleasesWhatItMade) {
    const char* const endless[] = {
        "var l = []\nwhile (true) { l.append([l]) }",
        "var n = 0\ndo { n = n + 1 } while (true)",
        "for (var i = 0; true; i++) { if (i > 5) { continue } }",
        "func f(n) { return f(n + 1) + 1 }\nf(0)",
        "var m = {}\nwhile (true) { try { throw \"x\" } catch (e) { m[e] = [m] } finally { var q = [e] } }",
    };
    for (const char* source : endless) {
        BudgetRun run = runWithBudget(std::string(source) + "\nprint(\"after\")", 2000);
        EXPECT_TRUE(run.spent) << source;
        EXPECT_EQ(run.output, "") << source;
        EXPECT_EQ(run.leakedValues, 0) << source;
    }
}

// A native method that calls back into a script gets a null result from the
// stopped callback, and the calling machine stops at its next step.
TEST(RunBudget, AnEndlessCallbackStopsTheCallerToo) {
    BudgetRun run = runWithBudget(
        "var l = [3, 1, 2]\n"
        "l.each(func(e, i) { while (true) { } })\n"
        "while (true) { print(\"after\") }\n",
        500);
    EXPECT_TRUE(run.spent);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.leakedValues, 0);
}

TEST(RunBudget, AProgramWithinItsBudgetRunsToTheEnd) {
    BudgetRun run = runWithBudget(
        "var total = 0\nfor (var i = 0; i < 100; i++) { total = total + i }\nprint(total)\n", 1000);
    EXPECT_FALSE(run.spent);
    EXPECT_EQ(run.output, "4950\n");
    EXPECT_FALSE(runBudgetSpent());  // disarmed again
}

}  // namespace
}  // namespace kestrel::testing
