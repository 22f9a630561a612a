// The operand stack across growth boundaries, and the opcode table.
#include <gtest/gtest.h>

#include <cstdint>

#include "vm/fast_stack.h"
#include "vm/opcodes.h"

using namespace kestrel;

namespace {
KvBaseObject* fake(uintptr_t n) { return reinterpret_cast<KvBaseObject*>(n * 8); }
}  // namespace

TEST(FastStack, EmptyPopAndPeekYieldNull) {
    KvFastStack stack;
    EXPECT_EQ(stack.pop(), nullptr);
    EXPECT_EQ(stack.peek(), nullptr);
    EXPECT_EQ(stack.count(), 0u);
}

TEST(FastStack, ReversesAcrossGrowth) {
    for (size_t n : {size_t(19), size_t(20), size_t(21), size_t(40), size_t(41), size_t(1000)}) {
        KvFastStack stack;
        for (size_t i = 1; i <= n; ++i) stack.push(fake(i));
        EXPECT_EQ(stack.count(), n);
        for (size_t i = n; i >= 1; --i) {
            ASSERT_EQ(stack.peek(), fake(i)) << n;
            ASSERT_EQ(stack.pop(), fake(i)) << n;
        }
        EXPECT_EQ(stack.pop(), nullptr);
        stack.push(fake(7));  // usable again after emptying
        EXPECT_EQ(stack.pop(), fake(7));
    }
}

TEST(FastStack, SeesawAtTheBoundary) {
    KvFastStack stack;
    for (size_t i = 1; i <= 20; ++i) stack.push(fake(i));
    for (int round = 0; round < 5; ++round) {
        stack.push(fake(99));
        EXPECT_EQ(stack.pop(), fake(99));
        EXPECT_EQ(stack.peek(), fake(20));
    }
}

TEST(Opcodes, NumbersAreFixed) {
    EXPECT_EQ(static_cast<uint32_t>(Opcode::Return), 7u);
    EXPECT_EQ(static_cast<uint32_t>(Opcode::PushString), 46u);
    EXPECT_EQ(static_cast<uint32_t>(Opcode::Import), 100u);
    EXPECT_STREQ(opcodeName(60), "EnterScope");
    EXPECT_EQ(opcodeName(5), nullptr);
    EXPECT_FALSE(isKnownOpcode(0));
    EXPECT_FALSE(isKnownOpcode(101));
}
