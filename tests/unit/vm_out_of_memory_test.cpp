// Running out of memory: a failed pool allocation throws std::bad_alloc
// (never a null value), the machine's frames release everything they held
// while it passes, and the program's entry turns it into "out of memory"
// on standard error with status 1.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "compile_test_util.h"
#include "host/utf8.h"
#include "objects/shared_constants.h"
#include "objects/string_value.h"
#include "objects/value_pool.h"
#include "parser/parse_source.h"
#include "compiler/codegen.h"
#include "shell/shell.h"
#include "vm/code_unit.h"
#include "vm/cycle_collector.h"
#include "vm/machine.h"

namespace kestrel::testing {
namespace {

// Arms the pool's failure hook for one scope.
struct FailingPool {
    explicit FailingPool(int64_t allowed) { valuePool().failAllocationsAfter(allowed); }
    ~FailingPool() { valuePool().failAllocationsAfter(-1); }
};

// Values made on every path the machine owns: new ints, strings, lists,
// maps, closures and their contexts, instances, raised and caught exceptions.
const char* const kAllocatingScript =
    "class Box { var v = 0\n func set(x) { v = x\n return this } }\n"
    "func make(n) { var k = n * 1000\n func get() { return k + n }\n return get }\n"
    "var keep = []\n"
    "for (var i = 0; i < 40; i++) {\n"
    "  var s = \"n\" + i\n"
    "  var l = [i * 1000, s, {}]\n"
    "  var m = {a: i * 3000}\n"
    "  var f = make(i)\n"
    "  var b = new Box()\n"
    "  b.set(f() + 1000)\n"
    "  try { throw s + \"!\" } catch (e) { keep = [e, l, m] }\n"
    "}\n";

TEST(OutOfMemory, APoolFailureThrowsInsteadOfYieldingNone) {
    initObjectModel();
    int64_t before = kvLiveValueCount();
    {
        FailingPool failing(0);
        EXPECT_THROW(new KvObjString(u"never"), std::bad_alloc);
    }
    KvValueRef made = kvMake<KvObjString>(u"fine");
    EXPECT_EQ(made->toString(), u"fine");
    made.reset();
    EXPECT_EQ(kvLiveValueCount(), before);
}

// Every failure point of a run that allocates: with the pool refusing every
// later value, the "Out of memory" exception cannot be made either, so the
// run ends with std::bad_alloc, and nothing it made outlives the machine.
TEST(OutOfMemory, AFailedRunLeavesNoValueBehind) {
    initObjectModel();
    CompiledModulePtr module = compileShared(kAllocatingScript);
    int64_t before = kvLiveValueCount();
    for (int64_t allowed = 0; allowed < 600; allowed += 1) {
        bool failed = false;
        {
            KvUnitRef unit = KvUnitRef::make(module, u"");
            KvVirtualMachine machine;
            machine.setReportUncaught(false);
            FailingPool failing(allowed);
            try {
                machine.run(unit.get(), true, false);
            } catch (const std::bad_alloc&) {
                failed = true;
            }
        }
        collectCycles();
        EXPECT_TRUE(failed) << "the run needs more than " << allowed << " values";
        EXPECT_EQ(kvLiveValueCount(), before) << "after failing at allocation " << allowed;
    }
    {
        KvUnitRef unit = KvUnitRef::make(module, u"");
        KvVirtualMachine machine;
        machine.run(unit.get(), true, false);
        EXPECT_FALSE(machine.endedInException());
    }
    EXPECT_EQ(kvLiveValueCount(), before);
}

TEST(OutOfMemory, TheEntryReportsItAndExitsWithStatusOne) {
    ::testing::internal::CaptureStderr();
    int status = runReportingOutOfMemory([]() -> int { throw std::bad_alloc(); });
    std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(printed, std::string(kOutOfMemoryMessage) + "\n");
    EXPECT_EQ(runReportingOutOfMemory([] { return 7; }), 7);
}

}  // namespace
}  // namespace kestrel::testing
