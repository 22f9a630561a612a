#include <gtest/gtest.h>

#include "compile_test_util.h"
#include "vm/class_body_plan.h"

namespace kestrel {
namespace {

// The body entry of the first class the source defines.
int32_t classEntry(const CompiledModule& module) {
    for (const Instruction& ins : module.code) {
        if (ins.opcode == Opcode::MakeClass && ins.function) return ins.function->entry;
    }
    return -1;
}

// The steps point into the compiled module, which the caller keeps.
bool plan(const std::string& source, std::vector<ClassBodyStep>& steps, testing::Compiled& compiled) {
    compiled = testing::compileUtf8(source);
    EXPECT_TRUE(compiled.ok) << source;
    return planClassBody(compiled.module.code, classEntry(compiled.module), steps);
}

bool plan(const std::string& source, std::vector<ClassBodyStep>& steps) {
    testing::Compiled compiled;
    return plan(source, steps, compiled);
}

TEST(ClassBodyPlan, FieldsWithoutValuesAndMethodsAreStoresInOrder) {
    std::vector<ClassBodyStep> steps;
    testing::Compiled compiled;
    ASSERT_TRUE(plan("class P {\n var a\n var b\n func P(x) { a = x }\n func get() { return a }\n}\n", steps, compiled));
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].method, nullptr);
    EXPECT_EQ(steps[1].method, nullptr);
    EXPECT_NE(steps[0].slot, steps[1].slot);
    ASSERT_NE(steps[2].method, nullptr);
    ASSERT_NE(steps[3].method, nullptr);
    EXPECT_EQ(steps[3].method->name, u"get");
    EXPECT_LT(steps[2].position, steps[3].position);
}

TEST(ClassBodyPlan, AnEmptyBodyHasNoSteps) {
    std::vector<ClassBodyStep> steps{{1, nullptr, 0}};
    ASSERT_TRUE(plan("class E {\n}\n", steps));
    EXPECT_TRUE(steps.empty());
}

TEST(ClassBodyPlan, BodiesThatComputeSomethingRunAsCode) {
    std::vector<ClassBodyStep> steps;
    EXPECT_FALSE(plan("class V {\n var a = 5\n}\n", steps));
    EXPECT_FALSE(plan("class V {\n var a\n var b = a\n}\n", steps));
    EXPECT_FALSE(plan("class V {\n var a = []\n func f() { return a }\n}\n", steps));
}

TEST(ClassBodyPlan, DamagedCodeIsNeverPlanned) {
    std::vector<ClassBodyStep> steps;
    std::vector<Instruction> code(3);
    code[0].opcode = Opcode::Jump;
    code[0].intValue = 0;  // a jump to itself would loop
    EXPECT_FALSE(planClassBody(code, 0, steps));
    code[0].intValue = 99;  // out of the list
    EXPECT_FALSE(planClassBody(code, 0, steps));
    EXPECT_FALSE(planClassBody(code, -1, steps));
    EXPECT_FALSE(planClassBody(code, 7, steps));
    code[0].opcode = Opcode::PushNull;  // last instruction with nothing after it
    EXPECT_FALSE(planClassBody(code, 2, steps));
}

}  // namespace
}  // namespace kestrel
