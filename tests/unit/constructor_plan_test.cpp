#include <gtest/gtest.h>

#include "compile_test_util.h"
#include "vm/constructor_plan.h"

namespace kestrel {
namespace {

// The steps of the source's one constructor ("@init"), planned from the compiled module.
bool plan(const std::string& source, std::vector<ConstructorStep>& steps) {
    testing::Compiled compiled = testing::compileUtf8(source);
    EXPECT_TRUE(compiled.ok) << source << toUtf8(compiled.error.message);
    for (const Instruction& ins : compiled.module.code) {
        if (ins.opcode == Opcode::MakeFunction && ins.function && ins.function->name == u"@init") {
            return planConstructor(compiled.module.code, *ins.function, steps);
        }
    }
    ADD_FAILURE() << "no constructor in " << source;
    return false;
}

TEST(ConstructorPlan, ParameterCopiesAreStepsInSourceOrder) {
    std::vector<ConstructorStep> steps;
    ASSERT_TRUE(plan("class P {\n var a\n var b\n func P(x, y) { b = y; a = x; a = y }\n}\n", steps));
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].parameter, 1);
    EXPECT_EQ(steps[1].parameter, 0);
    EXPECT_EQ(steps[2].parameter, 1);
    EXPECT_NE(steps[0].implicit, steps[1].implicit);
    EXPECT_EQ(steps[1].implicit, steps[2].implicit);
}

TEST(ConstructorPlan, AnEmptyBodyHasNoSteps) {
    std::vector<ConstructorStep> steps{{1, 1}};
    ASSERT_TRUE(plan("class E {\n func E(x) { }\n}\n", steps));
    EXPECT_TRUE(steps.empty());
}

TEST(ConstructorPlan, BodiesThatDoAnythingElseRunAsCode) {
    std::vector<ConstructorStep> steps;
    const char* bodies[] = {
        "a = x + 1",                      // computes
        "a = 1",                          // a constant, not a parameter
        "var t = x\n a = t",              // a local
        "x = a",                          // stores into a parameter
        "a = x\n return a",               // returns a value
        "if (x) { a = x }",               // branches
        "a = x\n g()",                    // calls
        "x.a = x",                        // through a member reference
    };
    for (const char* body : bodies) {
        const std::string source =
            std::string("func g() { }\nclass V {\n var a\n func V(x) { ") + body + " }\n}\n";
        EXPECT_FALSE(plan(source, steps)) << body;
    }
}

TEST(ConstructorPlan, DamagedCodeIsNeverPlanned) {
    std::vector<ConstructorStep> steps;
    ScopeTable scope;
    FunctionDescriptor descriptor;
    descriptor.scope = &scope;
    std::vector<Instruction> code(2);
    code[0].opcode = Opcode::LoadLocal;
    code[0].intValue = 0;  // no parameter has this slot
    code[1].opcode = Opcode::StoreLocal;
    EXPECT_FALSE(planConstructor(code, descriptor, steps));
    descriptor.entry = 5;  // past the end
    EXPECT_FALSE(planConstructor(code, descriptor, steps));
    descriptor.scope = nullptr;
    EXPECT_FALSE(planConstructor(code, descriptor, steps));
}

}  // namespace
}  // namespace kestrel
