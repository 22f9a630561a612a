// The code generator through real source: instruction layouts, discard
// flags, values of every construct used as a value, and compile errors.
#include <gtest/gtest.h>

#include "compile_test_util.h"

namespace kestrel::testing {
namespace {

TEST(Codegen, EmptyModuleAndLiteralStatementsEmitOnlyTheFrame) {
    EXPECT_EQ(compiled("", true), "EnterScope scope=0; PushNull; Return");
    EXPECT_EQ(compiled("1\n\"s\"\nnull\ntrue\n2.5\nx", true), "EnterScope scope=0; PushNull; Return");
}

TEST(Codegen, ModuleEndingInReturnGetsNoSecondReturn) {
    EXPECT_EQ(compiled("return 1", true), "EnterScope scope=0; PushInt 1+; Return");
}

// Texts live in the module's own table, each distinct text once; the
// instructions without one carry the empty handle.
TEST(Codegen, TextsAreHeldOnceByTheModule) {
    Compiled result = compileUtf8("var a = {k: 1}\na.k = \"s\"\nprint(a.k + \"s\")\nvar b = a.k\nb.size()");
    ASSERT_TRUE(result.ok);
    size_t withText = 0;
    for (const Instruction& instruction : result.module.code) {
        EXPECT_TRUE(result.module.texts.owns(instruction.text));
        const bool carriesText = operandKindOf(instruction.opcode) == OperandKind::Text ||
                                 (instruction.opcode == Opcode::Call && !instruction.text.empty());
        if (carriesText) ++withText;
        else EXPECT_TRUE(instruction.text.empty()) << opcodeName(static_cast<uint32_t>(instruction.opcode));
    }
    EXPECT_EQ(withText, 8u);  // MapPut k, MemberRef k (3), PushString s (2), MemberRef size, Call b.size
    EXPECT_EQ(result.module.texts.size(), 4u);  // "k", "s", "size", "b.size"
}

TEST(Codegen, ChainedAssignmentKeepsOnlyTheInnerValue) {
    EXPECT_EQ(compiled("var x\nvar y\nx = y = 3"),
              "PushNull+; StoreLocal 0; PushNull+; StoreLocal 1; PushInt 3+; StoreLocal 1+; StoreLocal 0");
}

TEST(Codegen, MemberAssignmentUsedAsValueKeepsItInARegister) {
    EXPECT_EQ(compiled("var v = o.k = 3"),
              "PushInt 3+; PopToRegister 0; PushRegister 0; LoadLocal 0+; MemberRef \"k\"+; AssignRef; "
              "TakeRegister 0+; StoreLocal 1");
    EXPECT_EQ(compiled("o[1, 2] = 3"), "PushInt 3+; LoadLocal 0+; PushInt 1+; PushInt 2+; IndexRef 2+; AssignRef");
}

TEST(Codegen, PostfixYieldsTheOldValuePrefixTheNewOne) {
    EXPECT_EQ(compiled("var x = 1\nvar y = x++"),
              "PushInt 1+; StoreLocal 0; LoadLocal 0+; PopToRegister 0; PushRegister 0; PushInt 1; Add; "
              "StoreLocal 0; TakeRegister 0+; StoreLocal 1");
    EXPECT_EQ(compiled("var x = 1\nvar y = --x"),
              "PushInt 1+; StoreLocal 0; LoadLocal 0+; PushInt -1; Add; StoreLocal 0+; StoreLocal 1");
    // Standing alone both forms are the same update.
    EXPECT_EQ(compiled("x++"), compiled("++x"));
    // A member or element is evaluated once: its reference stays below the value read through it.
    EXPECT_EQ(compiled("o.n++"), "LoadLocal 0+; MemberRef \"n\"+; PeekRef; PushInt 1; Add; Swap; AssignRef");
    EXPECT_EQ(compiled("var v = a[i]++"),
              "LoadLocal 0+; LoadLocal 1+; IndexRef 1+; PeekRef; PopToRegister 0; PushRegister 0; PushInt 1; Add; "
              "Swap; AssignRef; TakeRegister 0+; StoreLocal 2");
}

TEST(Codegen, CompoundAssignmentOnAnElementEvaluatesItsIndexOnce) {
    EXPECT_EQ(compiled("a[f()] += 2"),
              "LoadLocal 0+; LoadLocal 1+; PushInt 0; Call+; IndexRef 1+; PeekRef; PushInt 2+; Add; Swap; AssignRef");
    EXPECT_EQ(compiled("var v = a.b -= 1"),
              "LoadLocal 0+; MemberRef \"b\"+; PeekRef; PushInt 1+; Subtract; Swap; AssignRef+; StoreLocal 1");
    EXPECT_EQ(compiled("f() += 1"), "error: Error assign target: the value can't be assigned at ( (line 1)");
}

TEST(Codegen, BitOperatorsStrictEqualityAndThis) {
    EXPECT_EQ(compiled("var v = a & ~b"), "LoadLocal 0+; LoadLocal 1+; BitNot+; BitAnd+; StoreLocal 2");
    EXPECT_EQ(compiled("var v = a << 2 >> 1 ^ 3 | 4"),
              "LoadLocal 0+; PushInt 2+; ShiftLeft+; PushInt 1+; ShiftRight+; PushInt 3+; BitXor+; PushInt 4+; "
              "BitOr+; StoreLocal 1");
    EXPECT_EQ(compiled("var v = a === 1"), "LoadLocal 0+; PushInt 1+; StrictEqual+; StoreLocal 1");
    EXPECT_EQ(compiled("var v = this"), "PushThis+; StoreLocal 0");
    EXPECT_EQ(compiled("var v = a ~ b"),
              "error: Error bit expression: \"~\" takes one operand after it, the other bit operators one on each "
              "side at ~ (line 1)");
}

TEST(Codegen, ForEachKeepsItsCursorInARegister) {
    EXPECT_EQ(compiled("for (var x : l) f(x)"),
              "LoadLocal 0+; EachBegin 0; EachNext 0; JumpIfFalse 11; StoreLocal 2; LoadLocal 1+; LoadLocal 2+; "
              "PushInt 1; Call; Jump 3; Label; ClearRegister 0");
}

TEST(Codegen, TupleDefinitionTakesItemsFromARegister) {
    EXPECT_EQ(compiled("var (a, b) = l"),
              "LoadLocal 0+; PopToRegister 0; PushRegister 0; TupleItem 0; StoreLocal 1; PushRegister 0; "
              "TupleItem 1; StoreLocal 2; ClearRegister 0");
}

TEST(Codegen, ForWithoutATestLoopsUntilBreak) {
    EXPECT_EQ(compiled("for (;;) break"), "Jump 4; Label; Jump 5; Jump 2; Label");
}

TEST(Codegen, CompoundAssignmentAppliesItsOperator) {
    EXPECT_EQ(compiled("var a = 1\na -= 2"), "PushInt 1+; StoreLocal 0; LoadLocal 0+; PushInt 2+; Subtract; StoreLocal 0");
    EXPECT_EQ(compiled("var a = 1\nvar b = a *= 2"),
              "PushInt 1+; StoreLocal 0; LoadLocal 0+; PushInt 2+; Multiply; StoreLocal 0+; StoreLocal 1");
}

TEST(Codegen, EmptyBracesUsedAsAValueAreAnEmptyMap) {
    EXPECT_EQ(compiled("f({ })"), "LoadLocal 0+; MakeMap+; PushInt 1; Call");
    EXPECT_EQ(compiled("var l = [{ }, 1]"), "MakeMap+; PushInt 1+; MakeList 2+; StoreLocal 0");
    EXPECT_EQ(compiled("var m = { }"), "MakeMap+; StoreLocal 0");
    EXPECT_EQ(compiled("{ }"), "");
}

TEST(Codegen, MapKeysAreUnescapedLikeStringConstants) {
    Compiled result = compileUtf8("var m = {\"a\\\"b\": 1, c: 2}");
    ASSERT_TRUE(result.ok);
    std::vector<std::u16string> keys;
    for (const Instruction& instruction : result.module.code) {
        if (instruction.opcode == Opcode::MapPut) keys.push_back(instruction.text);
    }
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"a\"b", u"c"}));
}

TEST(Codegen, NumberLiteralsTakeTheirKind) {
    EXPECT_EQ(compiled("var n = [7, 123456789012, 1.5, 1.123456789]"),
              "PushInt 7+; PushLong 123456789012L+; PushFloat 1.5f+; PushDouble 1.123456789+; MakeList 4+; StoreLocal 0");
}

TEST(Codegen, OperatorsEvaluateBothSidesAndValuesStandingAloneAreDropped) {
    EXPECT_EQ(compiled("var r = a && b || c"), "LoadLocal 0+; LoadLocal 1+; And; LoadLocal 2+; Or+; StoreLocal 3");
    EXPECT_EQ(compiled("var r = 7 \\ 2 % 3 == 1"),
              "PushInt 7+; PushInt 2+; IntegerDivide; PushInt 3+; Modulo; PushInt 1+; Equal+; StoreLocal 0");
    EXPECT_EQ(compiled("a + f()"), "LoadLocal 0+; LoadLocal 1+; PushInt 0; Call+; Add; Pop");
}

TEST(Codegen, TernaryEvaluatesOneSide) {
    EXPECT_EQ(compiled("var r = c ? 1 : 2", true),
              "EnterScope scope=0; LoadLocal 0+; JumpIfFalse 5; PushInt 1+; Jump 6; PushInt 2+; Label; "
              "StoreLocal 1; PushNull; Return");
}

TEST(Codegen, SwitchFallsThroughAndBreaksToTheEnd) {
    EXPECT_EQ(compiled("switch (v) { case 1: a()\ncase 2: b()\nbreak\ndefault: c() }", true),
              "EnterScope scope=0; LoadLocal 0+; PopToRegister 0; "
              "PushInt 1+; PushRegister 0; JumpIfEqual 10; "
              "PushInt 2+; PushRegister 0; JumpIfEqual 13; Jump 17; "
              "LoadLocal 1+; PushInt 0; Call; "
              "LoadLocal 2+; PushInt 0; Call; Jump 20; "
              "LoadLocal 3+; PushInt 0; Call; Label; ClearRegister 0; PushNull; Return");
}

TEST(Codegen, SwitchWithoutDefaultJumpsToTheEndAndEmptyBodiesGetALabel) {
    EXPECT_EQ(compiled("switch (v) { case 1:\ncase 2: break }", true),
              "EnterScope scope=0; LoadLocal 0+; PopToRegister 0; PushInt 1+; PushRegister 0; JumpIfEqual 10; "
              "PushInt 2+; PushRegister 0; JumpIfEqual 11; Jump 12; Label; Jump 12; Label; ClearRegister 0; "
              "PushNull; Return");
}

TEST(Codegen, NestedSwitchesUseNestedRegisters) {
    std::string listing = compiled("switch (a) { case 1: switch (b) { case 2: break } }");
    EXPECT_NE(listing.find("PopToRegister 1"), std::string::npos);
    EXPECT_NE(listing.find("ClearRegister 1"), std::string::npos);
}

TEST(Codegen, LoopsBreakAndContinue) {
    EXPECT_EQ(compiled("while (c) { continue\nbreak }", true),
              "EnterScope scope=0; Jump 4; Jump 4; Jump 7; Label; LoadLocal 0+; JumpIfTrue 2; Label; PushNull; Return");
    EXPECT_EQ(compiled("for (var i = 0; i < 3; i++) { continue }", true),
              "EnterScope scope=0; PushInt 0+; StoreLocal 0; Jump 10; Label; Jump 6; LoadLocal 0+; PushInt 1; Add; "
              "StoreLocal 0; LoadLocal 0+; PushInt 3+; Less+; JumpIfTrue 4; Label; PushNull; Return");
    EXPECT_EQ(compiled("do { continue } while (c)", true),
              "EnterScope scope=0; Label; Jump 3; LoadLocal 0+; JumpIfTrue 1; Label; PushNull; Return");
}

TEST(Codegen, ContinueInsideASwitchLeavesTheSwitchRegister) {
    std::string listing = compiled("while (c) { switch (v) { case 1: continue } }");
    EXPECT_NE(listing.find("ClearRegister 0; Jump"), std::string::npos) << listing;
}

TEST(Codegen, BreakOutsideLoopsEmitsNothingEvenInAFunctionDefinedInALoop) {
    EXPECT_EQ(compiled("break\ncontinue"), "");
    EXPECT_EQ(compiled("while (c) { func f() { break } }", true),
              "EnterScope scope=0; Jump 6; Jump 5; PushNull; Return; MakeFunction func f scope=1 entry=3 slot=1; "
              "Label; LoadLocal 0+; JumpIfTrue 2; Label; PushNull; Return");
}

TEST(Codegen, FunctionsAreStoredOrPushed) {
    EXPECT_EQ(compiled("func f(a) { return a }"),
              "Jump 6; LoadLocal 0+; Return; PushNull; Return; MakeFunction func f scope=1 entry=2 slot=0");
    EXPECT_EQ(compiled("var g = func(a) { }"),
              "Jump 4; PushNull; Return; MakeFunction func <anonymous> scope=1 entry=2 slot=-1+; StoreLocal 0");
}

TEST(Codegen, ClassBodyMakesItsBasesIntoHiddenSlots) {
    EXPECT_EQ(compiled("class C extends B { var z = 1 }"),
              "Jump 8; PushInt 1+; StoreLocal 1; LoadName \"B\"; New \"B\"; StoreLocal 0; Return; "
              "MakeClass class C scope=1 entry=2 slot=0");
    EXPECT_EQ(compiled("class C { }\nvar c = new C(1, 2)"),
              "Jump 3; Return; MakeClass class C scope=1 entry=2 slot=0; LoadLocal 0+; New \"C\"; PushInt 1+; "
              "PushInt 2+; PushInt 2; Construct+; StoreLocal 1");
}

TEST(Codegen, TryStoresTheCaughtExceptionThenRunsFinally) {
    // Both ways out of try and catch go through the finally block with a
    // pending jump to the end; an exception reaches it through the outer handler.
    EXPECT_EQ(compiled("try { a() } catch (e) { } finally { b() }", true),
              "EnterScope scope=0; PushHandler 15; PushHandler 10; LoadLocal 0+; PushInt 0; Call; "
              "PopHandler; PopHandler; PendingJump 21; Jump 17; Label; StoreLocal 2; PopHandler; "
              "PendingJump 21; Jump 17; Label; PendingRaise; LoadLocal 1+; PushInt 0; Call; EndFinally; "
              "Label; PushNull; Return");
    EXPECT_EQ(compiled("try { a() } catch (e) { }", true),
              "EnterScope scope=0; PushHandler 7; LoadLocal 0+; PushInt 0; Call; PopHandler; Jump 10; Label; "
              "StoreLocal 1; Jump 10; Label; PushNull; Return");
    EXPECT_EQ(compiled("throw \"x\", 2"), "PushString \"x\"+; PushInt 2+; Throw 2");
}

TEST(Codegen, BreakOutOfTryPopsItsHandlerAndRunsFinally) {
    EXPECT_EQ(compiled("while (x) { try { break } finally { f() } }"),
              "Jump 18; PushHandler 11; PopHandler; PendingJump 6; Jump 13; Label; Jump 21; PopHandler; "
              "PendingJump 17; Jump 13; Label; PendingRaise; LoadLocal 1+; PushInt 0; Call; EndFinally; "
              "Label; Label; LoadLocal 0+; JumpIfTrue 2; Label");
}

TEST(Codegen, ImportCarriesItsDescriptor) {
    EXPECT_EQ(compiled("import \"other\""), "Import script \"other\"");
}

TEST(Codegen, ParenthesesMustHoldExactlyOneValue) {
    EXPECT_EQ(compiled("f(())"), "error: Unknow token \"()\" at ( (line 1)");
    EXPECT_EQ(compiled("x = (1, 2)"), "error: Unknow token \"()\" at ( (line 1)");
    EXPECT_EQ(compiled("var a = (1)"), "PushInt 1+; StoreLocal 0");
}

TEST(Codegen, AssignmentToACallIsAnErrorAtTheCall) {
    EXPECT_EQ(compiled("a = 1\nf() = 1"),
              "error: Error assign target: the value can't be assigned at ( (line 2)");
    Compiled result = compileUtf8("\n  f(1) = 2");
    ASSERT_FALSE(result.ok);
    EXPECT_EQ(toUtf8(result.error.report(fromUtf8(result.source))),
              "Parser exception: Error assign target: the value can't be assigned!\r\n  [line:2, pos:3]   f( <<\r\n");
}

TEST(Codegen, LongChainsCompileWithoutDeepRecursion) {
    std::string sum = "x = a";
    for (int i = 0; i < 100000; ++i) sum += " + a";
    std::string members = "y = a";
    for (int i = 0; i < 50000; ++i) members += ".b";
    Compiled result = compileUtf8(sum + "\n" + members);
    ASSERT_TRUE(result.ok);
    EXPECT_GT(result.module.code.size(), 250000u);
}

}  // namespace
}  // namespace kestrel::testing
