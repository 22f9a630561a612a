// Lifetimes of contexts and function values: closures outlive their frames,
// and the common patterns (named and recursive local functions, dropped
// closures) leave no value behind.
#include "live_program.h"

#include "objects/number_integer.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/cycle_collector.h"
#include "vm/function_value.h"
#include "vm/machine.h"

namespace kestrel::testing {
namespace {

TEST(VmLifetime, NamedInnerFunctionInAFunctionCalledOftenLeavesNothing) {
    LiveProgram program(
        "func outer() { func inner() { return 1 }\n return inner() }\n"
        "func churn(n) { var s = 0\n for (var i = 0; i < n; i++) { s = s + outer() }\n return s }");
    int64_t before = kvLiveValueCount();
    KvScriptCallResult r = program.call(u"churn", {100000});
    EXPECT_EQ(intResult(r), 100000);
    r.value.reset();
    collectCycles();
    EXPECT_EQ(cycleCandidateCount(), 0u);
    EXPECT_EQ(kvLiveValueCount(), before);
}

TEST(VmLifetime, RecursiveLocalFunctionLeavesNothing) {
    LiveProgram program(
        "func outer(n) { func fact(k) { if (k < 2) { return 1 }\n return k * fact(k - 1) }\n"
        " return fact(n) }\n"
        "func churn(n) { var s = 0\n for (var i = 0; i < n; i++) { s = outer(5) }\n return s }");
    int64_t before = kvLiveValueCount();
    KvScriptCallResult r = program.call(u"churn", {20000});
    EXPECT_EQ(intResult(r), 120);
    r.value.reset();
    collectCycles();
    EXPECT_EQ(cycleCandidateCount(), 0u);
    EXPECT_EQ(kvLiveValueCount(), before);
}

TEST(VmLifetime, ReturnedClosureKeepsItsContextAlive) {
    LiveProgram program(
        "func make() { var n = 0\n func step() { n++\n return n }\n return step }\n"
        "func twice() { var f = make()\n f()\n return f }");
    int64_t before = kvLiveValueCount();
    KvScriptCallResult made = program.call(u"twice");
    ASSERT_EQ(made.value->tag(), kTagFunc);
    KvArgList none;
    KvScriptCallResult second = callFromNative(made.value.get(), none);
    EXPECT_EQ(intResult(second), 2);
    EXPECT_EQ(intResult(callFromNative(made.value.get(), none)), 3);
    made.value.reset();  // the escaped named closure and its context form a cycle
    collectCycles();
    EXPECT_EQ(cycleCandidateCount(), 0u);
    EXPECT_EQ(kvLiveValueCount(), before);
}

TEST(VmLifetime, DroppedClosuresAreCollectedWhileTheProgramRuns) {
    LiveProgram program(
        "func make() { var n = 0\n func step() { n++\n return n }\n return step }\n"
        "func churn(k) { var t = 0\n for (var i = 0; i < k; i++) { var f = make()\n t = t + f()\n f = null }\n"
        " return t }");
    int64_t before = kvLiveValueCount();
    KvScriptCallResult r = program.call(u"churn", {10000});
    EXPECT_EQ(intResult(r), 10000);
    r.value.reset();
    EXPECT_LT(kvLiveValueCount(), before + 20000);  // collected in batches, never piling up
    collectCycles();
    EXPECT_EQ(kvLiveValueCount(), before);
}

TEST(VmLifetime, ClosureSharedByTwoEscapedFunctionsSurvivesACheck) {
    LiveProgram program(
        "func pair() { var n = 0\n func inc() { n++\n return n }\n func get() { return n }\n"
        " return [inc, get] }\n"
        "var p = pair()\n");
    collectCycles();  // the list holds both: nothing may be freed
    EXPECT_EQ(program.global(u"p")->toString(), u"[<func>, <func>]");
}

TEST(VmLifetime, CallingANonFunctionFromNativeReportsTheException) {
    LiveProgram program("var x = 3\nfunc bad() { return x() }");
    KvScriptCallResult r = program.call(u"bad");
    EXPECT_TRUE(r.raised);
    EXPECT_EQ(r.value->toString(), u"Object is not function");
    r.value.reset();
    KvScriptCallResult ok = program.call(u"x");
    EXPECT_TRUE(ok.raised);
    ok.value.reset();
}

TEST(VmLifetime, FunctionSignaturesNameTheFunctionAndItsParameters) {
    LiveProgram program("func two(a, b) { }\nvar anon = func(x) { }\nvar none = func() { }");
    EXPECT_EQ(static_cast<KvObjFunc*>(program.global(u"two"))->signature(), u"func two(a, b)");
    EXPECT_EQ(static_cast<KvObjFunc*>(program.global(u"anon"))->signature(), u"func(x)");
    EXPECT_EQ(static_cast<KvObjFunc*>(program.global(u"none"))->signature(), u"func()");
    EXPECT_EQ(program.global(u"two")->toString(), u"<func>");
}

}  // namespace
}  // namespace kestrel::testing
