// Activation plans are made for the calls that repeat, and only for those:
// the script tests check that planned calls behave as general ones, these
// that the plans are there for them to check.
#include "live_program.h"

#include "vm/activation_plan.h"
#include "vm/function_value.h"
#include "vm/instance_value.h"

namespace kestrel::testing {
namespace {

const KvObjFunc* functionNamed(LiveProgram& program, const std::u16string& name) {
    KvBaseObject* value = program.global(name);
    return value && value->tag() == kTagFunc ? static_cast<const KvObjFunc*>(value) : nullptr;
}

TEST(ActivationPlan, MadeFromTheSecondCallOfPlainFunctionsAndClosures) {
    LiveProgram program(
        "func twice(x) { return x * 2 }\n"
        "func once(x) { return x }\n"
        "func never() { return 0 }\n"
        "func counter() { var n = 0\n return func(step) { n = n + step\n return n } }\n"
        "var tick = counter()\n"
        "var s = twice(1) + twice(2) + twice(3) + once(4) + tick(1) + tick(1) + tick(1)");
    const KvObjFunc* twice = functionNamed(program, u"twice");
    const KvObjFunc* once = functionNamed(program, u"once");
    const KvObjFunc* never = functionNamed(program, u"never");
    const KvObjFunc* tick = functionNamed(program, u"tick");
    ASSERT_TRUE(twice && once && never && tick);
    ASSERT_NE(twice->plan(), nullptr);
    EXPECT_EQ(twice->plan()->parameters, 1);
    EXPECT_EQ(once->plan(), nullptr);
    EXPECT_EQ(never->plan(), nullptr);
    ASSERT_NE(tick->plan(), nullptr);  // its free name `n` is an alias kept in the plan
    EXPECT_TRUE(tick->plan()->checksClass);
    EXPECT_EQ(intResult(program.call(u"tick", {5})), 8);  // a planned call from native code sees the same slot
}

TEST(ActivationPlan, RefusedWhenTheActivationIsLarge) {
    LiveProgram program(
        "func wide(a) { var b = 1\n var c = 2\n var d = 3\n var e = 4\n var f = 5\n var g = 6\n var h = 7\n"
        "  var i = 8\n return a + b + c + d + e + f + g + h + i }\n"
        "var s = wide(1) + wide(2) + wide(3)");
    const KvObjFunc* wide = functionNamed(program, u"wide");
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->plan(), nullptr);
    EXPECT_TRUE(wide->planRefused());
    EXPECT_EQ(intResult(program.call(u"wide", {10})), 46);
}

TEST(ActivationPlan, ConstructorsKeepTheSlotsOfTheFieldsTheyAlias) {
    LiveProgram program(
        // More than parameters copied into fields: the constructor runs in a frame.
        "class P {\n var a\n var b\n func P(x, y) { a = x + 1\n b = y }\n}\n"
        "var last = null\n"
        "for (var i = 0; i < 3; i++) { last = new P(i, i + 1) }");
    KvBaseObject* last = program.global(u"last");
    ASSERT_TRUE(last && last->tag() == kTagLocalObject);
    KvVBaseContext* holder = nullptr;
    VariableSlot* slot = static_cast<KvObjLocalObject*>(last)->constructorSlot(holder);
    ASSERT_TRUE(slot);
    KvBaseObject* constructor = slot->read();
    ASSERT_TRUE(constructor && constructor->tag() == kTagFunc);
    const ActivationPlan* plan = static_cast<KvObjFunc*>(constructor)->plan();
    ASSERT_NE(plan, nullptr);
    EXPECT_TRUE(plan->sharedMethod);
    EXPECT_EQ(plan->implicitCount, 2);
    EXPECT_EQ(plan->parameters, 2);
}

}  // namespace
}  // namespace kestrel::testing
