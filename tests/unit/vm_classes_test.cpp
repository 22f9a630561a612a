// Classes, instances and finally blocks run in-process: lifetimes checked
// with the live-value counter, the cycle collection of instance contexts,
// and failures inside class bodies and constructors.
#include "vm/class_value.h"
#include "vm/code_unit.h"
#include "vm/cycle_collector.h"
#include "vm_script_support.h"

namespace kestrel::testing {
namespace {

TEST(VmClasses, MethodsOutliveTheirInstancesWithoutLeaks) {
    ScriptRun run = runSource(
        "class P { var v = 1\n func get() { return v }\n func set(x) { v = x } }\n"
        "func take() { var p = new P()\n p.set(41)\n return p.get }\n"
        "var g = take()\nprint(g())\ng = null\n");
    EXPECT_FALSE(run.raised);
    EXPECT_EQ(run.output, "41\n");
    EXPECT_EQ(run.leakedValues, 0);
    EXPECT_EQ(cycleCandidateCount(), 0u);
}

TEST(VmClasses, InstanceCyclesAreCollectedDuringTheRun) {
    ScriptRun run = runSource(
        "class N { var other = null\n func link(o) { other = o } }\n"
        "for (var i = 0; i < 5000; i++) { var a = new N()\n var b = new N()\n a.link(b)\n b.link(a) }\n"
        "print(\"done\")\n");
    EXPECT_EQ(run.output, "done\n");
    EXPECT_EQ(run.leakedValues, 0);
}

TEST(VmClasses, LocalClassesAndFactoriesLeaveNothingBehind) {
    ScriptRun run = runSource(
        "func make(n) { class L { var n2 = n * 2\n func twice() { return n2 } }\n return new L() }\n"
        "var total = 0\nfor (var i = 0; i < 100; i++) { total = total + make(i).twice() }\nprint(total)\n");
    EXPECT_EQ(run.output, "9900\n");
    EXPECT_EQ(run.leakedValues, 0);
}

TEST(VmClasses, ExceptionsInClassBodiesAndConstructorsAreCatchable) {
    ScriptRun run = runSource(
        "class A { var x = 1 / 0 }\n"
        "class B { func B() { throw \"in constructor\" } }\n"
        "try { new A() } catch (e) { print(e) }\n"
        "try { new B() } catch (e) { print(e) }\n"
        "try { var q = missingClass\n new q() } catch (e) { print(e) }\n");
    EXPECT_FALSE(run.raised);
    EXPECT_EQ(run.output, "Divide by zero\nin constructor\nClass \"q\" not exists!\n");
    EXPECT_EQ(run.leakedValues, 0);
}

TEST(VmClasses, AClassThatInheritsFromItselfIsRefused) {
    ScriptRun run = runSource(
        "class A extends A { func f() { return 1 } }\n"
        "class B extends C {}\nclass C extends B {}\n"
        "try { new A() } catch (e) { print(e) }\n"
        "try { new B() } catch (e) { print(e) }\n");
    EXPECT_EQ(run.output, "Class \"A\" inherits from itself\nClass \"C\" inherits from itself\n");
    EXPECT_EQ(run.leakedValues, 0);
}

TEST(VmFinally, PendingCompletionsDoNotLeakWhenReplaced) {
    ScriptRun run = runSource(
        "func f(i) { try { throw \"e\" + i } finally { if (i % 2 == 0) { return i } } }\n"
        "var n = 0\nfor (var i = 0; i < 10; i++) { try { n = n + f(i) } catch (e) { n = n + 100 } }\n"
        "print(n)\n");
    EXPECT_EQ(run.output, "520\n");
    EXPECT_EQ(run.leakedValues, 0);
}

TEST(VmFinally, ContinueThroughNestedFinallyBlocksRunsEachOnce) {
    ScriptRun run = runSource(
        "var s = \"\"\n"
        "for (var i = 0; i < 2; i++) {\n"
        "  try { try { continue } finally { s = s + \"a\" } } finally { s = s + \"b\" }\n"
        "  s = s + \"x\"\n"
        "}\nprint(s)\n");
    EXPECT_EQ(run.output, "abab\n");
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

TEST(VmClasses, TextFormsOfAClass) {
    initObjectModel();
    auto module = std::make_shared<CompiledModule>();
    module->code.resize(1);
    FunctionDescriptor descriptor;
    descriptor.name = u"Point";
    auto* unit = new CodeUnit(module, u"");
    auto* cls = new KvObjClass(&descriptor, unit, nullptr);
    cls->addRef();
    EXPECT_EQ(toUtf8(cls->toString()), "<class>");
    EXPECT_EQ(toUtf8(cls->signature()), "class Point()");
    EXPECT_TRUE(cls->isClass());
    cls->release();
    unit->releaseRef();
}

}  // namespace
}  // namespace kestrel::testing
