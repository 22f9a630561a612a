// The machine on hand-assembled code: instruction effects the compiler does
// not reach directly, limits, and malformed code that must not crash.
#include <gtest/gtest.h>

#include <random>

#include "objects/value_pool.h"
#include "vm_assembler.h"

namespace kestrel::testing {
namespace {

TEST(VmMachine, TakeRegisterHandsOverTheValueWithoutDestroyingIt) {
    Assembler a;
    a.text(Opcode::PushString, u"kept");
    a.op(Opcode::PopToRegister, 3);
    a.op(Opcode::TakeRegister, 3);
    a.op(Opcode::PushRegister, 3);  // now empty: null
    a.op(Opcode::Pop);
    a.op(Opcode::Return);
    EXPECT_EQ(runAssembled(a).text, u"kept");
}

TEST(VmMachine, RegistersOutsideTheTwelveAreIgnored) {
    Assembler a;
    a.op(Opcode::PushInt, 5);
    a.op(Opcode::PopToRegister, 12);
    a.op(Opcode::PushRegister, -1);
    a.op(Opcode::Return);
    MachineRun run = runAssembled(a);
    EXPECT_FALSE(run.raised);
    EXPECT_EQ(run.text, u"");
}

TEST(VmMachine, HandlerTakesARaisedErrorAndItsExceptionIsOnTheStack) {
    Assembler a;
    a.op(Opcode::PushHandler, 5);
    a.op(Opcode::PushInt, 1);
    a.op(Opcode::PushInt, 0);
    a.op(Opcode::Modulo);
    a.op(Opcode::Return);
    a.op(Opcode::Return);  // 5: the handler returns the exception
    MachineRun run = runAssembled(a);
    EXPECT_FALSE(run.raised);
    EXPECT_EQ(run.text, u"Divide by zero");
}

TEST(VmMachine, CaughtExceptionDropsTheOperandsPushedSinceTheHandler) {
    Assembler a;
    a.text(Opcode::PushString, u"below");
    a.op(Opcode::PushHandler, 7);
    a.op(Opcode::PushInt, 1);  // a half-built "1 + (2 / 0)"
    a.op(Opcode::PushInt, 2);
    a.op(Opcode::PushInt, 0);
    a.op(Opcode::Divide);
    a.op(Opcode::Return);
    a.op(Opcode::Pop);  // 7: the exception
    a.op(Opcode::Return);
    EXPECT_EQ(runAssembled(a).text, u"below");
}

// A function whose free name no context declares cannot be called.
TEST(VmMachine, UnboundFreeNameFailsTheCallWithObjectNotFound) {
    Assembler a;
    ScopeTable* body = a.scope({}, ScopeKind::Function);
    auto decl = std::make_unique<VariableDecl>();
    decl->kind = DeclKind::Implicit;
    decl->name = u"nowhere";
    decl->slot = 0;
    body->implicits.push_back(decl.get());
    body->slotOrder.push_back(decl.get());
    body->outerReferences.push_back(nullptr);
    body->declarations.push_back(std::move(decl));
    auto function = std::make_unique<FunctionDescriptor>();
    function->scope = body;
    function->entry = 6;
    a.enter(a.scope({u"f"}));
    Instruction& make = a.op(Opcode::MakeFunction, 0, false);
    make.function = function.get();
    a.op(Opcode::PushInt, 0);
    a.op(Opcode::Call, 0, false);
    a.op(Opcode::Return);
    a.op(Opcode::Label);
    a.op(Opcode::LoadLocal, 0);  // 6: the body
    a.op(Opcode::Return);
    a.module()->functions.push_back(std::move(function));
    MachineRun run = runAssembled(a);
    EXPECT_TRUE(run.raised);
    EXPECT_EQ(run.text, u"Object not found. name: nowhere");
}

TEST(VmMachine, UndeclaredDynamicNameRaisesObjectNotFound) {
    Assembler a;
    a.enter(a.scope({u"known"}));
    a.text(Opcode::LoadName, u"known");
    a.op(Opcode::Pop);
    a.text(Opcode::LoadName, u"missing");
    a.op(Opcode::Return);
    MachineRun run = runAssembled(a);
    EXPECT_TRUE(run.raised);
    EXPECT_EQ(run.text, u"Object not found. name: missing");
}

TEST(VmMachine, ThrowWithTwoOperandsKeepsTheExtraValue) {
    Assembler a;
    a.text(Opcode::PushString, u"message");
    a.op(Opcode::PushInt, 7);
    a.op(Opcode::Throw, 2);
    MachineRun run = runAssembled(a);
    EXPECT_TRUE(run.raised);
    EXPECT_EQ(run.text, u"message");
}

TEST(VmMachine, NewOfANonClassRaisesItsMessage) {
    Assembler a;
    a.op(Opcode::PushInt, 1);
    a.text(Opcode::New, u"Cake");
    MachineRun run = runAssembled(a);
    EXPECT_TRUE(run.raised);
    EXPECT_EQ(run.text, u"Class \"Cake\" not exists!");
}

TEST(VmMachine, ImportOfANativeLibraryThatCannotLoadRaises) {
    Assembler a;
    auto descriptor = std::make_unique<ImportDescriptor>();
    descriptor->kind = ImportKind::Native;
    descriptor->name = u"net.http";
    Instruction& ins = a.op(Opcode::Import);
    ins.import = descriptor.get();
    a.module()->imports.push_back(std::move(descriptor));
    MachineRun run = runAssembled(a);
    EXPECT_TRUE(run.raised);
    EXPECT_EQ(run.text, u"Faild load module 'net.http'");
}

TEST(VmMachine, HaltEndsTheRunWithNull) {
    Assembler a;
    a.op(Opcode::PushInt, 4);
    a.op(Opcode::Halt);
    a.op(Opcode::Return);
    MachineRun run = runAssembled(a);
    EXPECT_EQ(run.text, u"<none>");
}

TEST(VmMachine, UntakenJumpFormsAndOpcodesWithoutBehaviour) {
    Assembler a;
    a.op(Opcode::PushInt, 2);
    a.op(Opcode::PushInt, 3);
    a.op(Opcode::JumpIfGreater, 6);  // 2 > 3: not taken
    a.op(static_cast<Opcode>(5));    // does nothing
    a.op(static_cast<Opcode>(250));  // outside the table: does nothing
    a.text(Opcode::PushString, u"fell through");
    a.op(Opcode::Return);
    EXPECT_EQ(runAssembled(a).text, u"fell through");
}

// Random instruction lists with forward-only positions must end without a
// crash or a leak, whatever they do to the stack.
TEST(VmMachine, RandomCodeNeverCrashesOrLeaks) {
    static const Opcode kOps[] = {
        Opcode::Label, Opcode::Jump, Opcode::Call, Opcode::CallBuiltin, Opcode::Throw,
        Opcode::JumpIfTrue, Opcode::JumpIfFalse, Opcode::JumpIfEqual, Opcode::Add, Opcode::Subtract,
        Opcode::Divide, Opcode::Modulo, Opcode::IntegerDivide, Opcode::And, Opcode::Not,
        Opcode::Equal, Opcode::Less, Opcode::PushNull, Opcode::PushBool, Opcode::PushInt,
        Opcode::PushString, Opcode::StoreLocal, Opcode::LoadLocal, Opcode::MakeList, Opcode::MakeMap,
        Opcode::MapPut, Opcode::MemberRef, Opcode::IndexRef, Opcode::AssignRef, Opcode::LoadName,
        Opcode::Pop, Opcode::PopToRegister, Opcode::PeekToRegister, Opcode::TakeRegister,
        Opcode::PushRegister, Opcode::ClearRegister, Opcode::PushHandler, Opcode::PopHandler,
        Opcode::Construct, Opcode::Return};
    std::mt19937 random(12345);
    initObjectModel();
    int64_t before = kvLiveValueCount();
    for (int round = 0; round < 300; ++round) {
        Assembler a;
        a.enter(a.scope({u"a", u"b"}));
        int32_t length = 5 + static_cast<int32_t>(random() % 40);
        for (int32_t i = 1; i < length; ++i) {
            Opcode opcode = kOps[random() % (sizeof(kOps) / sizeof(kOps[0]))];
            int64_t operand = static_cast<int64_t>(random() % 5) - 1;
            bool positional = opcode == Opcode::Jump || opcode == Opcode::JumpIfTrue ||
                              opcode == Opcode::JumpIfFalse || opcode == Opcode::JumpIfEqual ||
                              opcode == Opcode::PushHandler;
            if (positional) operand = i + 1 + static_cast<int64_t>(random() % 4);
            Instruction& ins = a.op(opcode, operand, random() % 2 == 0);
            ins.text = a.module()->texts.add(random() % 2 ? u"a" : u"toString");
        }
        runAssembled(a);
    }
    EXPECT_EQ(kvLiveValueCount(), before);
}

}  // namespace
}  // namespace kestrel::testing
