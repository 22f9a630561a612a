// Statement structure: access chains, assignments, increments, groups and
// maps, ternaries and every keyword rule, including the readings that keep a
// script from being silently misread (else after line ends, parenthesised
// conditions, stray closers, return before ";").
#include <gtest/gtest.h>

#include "parser_test_util.h"

namespace kestrel::testing {
namespace {

TEST(ParserStatement, AccessChainsBecomePipes) {
    EXPECT_EQ(parsed("a"), "a");
    EXPECT_EQ(parsed("a.b"), "VarPipe(a, b)");
    EXPECT_EQ(parsed("a b"), "VarPipe(a, b)");
    EXPECT_EQ(parsed("a. b"), "VarPipe(a, b)");
    EXPECT_EQ(parsed("a[0]"), "VarPipe(a, Brackets(0))");
    EXPECT_EQ(parsed("f(x)"), "VarPipe(f, Parens(x))");
    EXPECT_EQ(parsed("(x)"), "Parens(x)");
    EXPECT_EQ(parsed("a.b[0](1).c"), "VarPipe(a, b, Brackets(0), Parens(1), c)");
}

TEST(ParserStatement, AssignmentsGroupRightToLeft) {
    EXPECT_EQ(parsed("x = y = 1"), "Assign(x, Assign(y, 1))");
    EXPECT_EQ(parsed("a + b = c"), "+(a, Assign(b, c))");
    EXPECT_EQ(parsed("= 1"), "error: Error set value expression at =");
    EXPECT_EQ(parsed("x ="), "error: Error set value expression at =");
}

TEST(ParserStatement, Increments) {
    EXPECT_EQ(parsed("++i + 1"), "PreIncrement(+(i, 1))");
    EXPECT_EQ(parsed("i++ + 1"), "+(PostIncrement(i), 1)");
    EXPECT_EQ(parsed("a.b--"), "PostDecrement(VarPipe(a, b))");
    EXPECT_EQ(parsed("--x"), "PreDecrement(x)");
    EXPECT_EQ(parsed("++"), "error: Error expression define at ++");
}

TEST(ParserStatement, BracesMakeBlocksOrMaps) {
    EXPECT_EQ(parsed("var m = { }"), "VarDefine[name=m](Map())");
    EXPECT_EQ(parsed("{ }"), "Block()");
    EXPECT_EQ(parsed("{ a; b }"), "Block(a, b)");
    EXPECT_EQ(parsed("x = {a: 1, \"b\": [1, 2], c: {d: 3},}"),
              "Assign(x, Map(a:1, b:Brackets(1, 2), c:Map(d:3)))");
    EXPECT_EQ(parsed("var m = { a, b }"), "VarDefine[name=m](Map(a, b))");
    EXPECT_EQ(parsed("var m = { f() }"), "error: Error variable defined: initilized error at {");
}

TEST(ParserStatement, GroupsSpreadOverLinesAndTrailingCommas) {
    EXPECT_EQ(parsed("f(\n  1,\n  2,\n)"), "VarPipe(f, Parens(1, 2))");
    EXPECT_EQ(parsed("[1, 2,]"), "Brackets(1, 2)");
    EXPECT_EQ(parsed("{\n  a: 1,\n  b: 2\n}"), "Map(a:1, b:2)");
}

TEST(ParserStatement, TopLevelVarContributesEachDefinition) {
    EXPECT_EQ(parsed("var a = 1, b = 2"), "VarDefine[name=a](1); VarDefine[name=b](2)");
    EXPECT_EQ(parsed("var a,\n b"), "VarDefine[name=a](-); VarDefine[name=b](-)");
    EXPECT_EQ(parsed("{ var a = 1, b }"), "Block(VarDefineList(VarDefine[name=a](1), VarDefine[name=b](-)))");
    EXPECT_EQ(parsed("var (a, b) = f()"), "TupleVarDefine[names=a,b](VarPipe(f, Parens()))");
    EXPECT_EQ(parsed("var [a, b] = c"), "TupleVarDefine[names=a,b](c)");
}

TEST(ParserStatement, Ternary) {
    EXPECT_EQ(parsed("x = c ? 1 : 2"), "Assign(x, Ternary(c, 1, 2))");
    EXPECT_EQ(parsed("a ? b ? c : d : e"), "Ternary(a, Ternary(b, c, d), e)");
    EXPECT_EQ(parsed("a > 1 ? f(1) : g"), "Ternary(>(a, 1), VarPipe(f, Parens(1)), g)");
}

TEST(ParserStatement, StatementsEndAtSeparatorsAndLineEnds) {
    EXPECT_EQ(parsed("a; b\nc"), "a; b; c");
    EXPECT_EQ(parsed("a {"), "error: Not found end symbol \"}\" at {");
}

TEST(ParserStatement, ReturnReadsItsValueAcrossALineEnd) {
    EXPECT_EQ(parsed("return\nfoo()"), "Return(VarPipe(foo, Parens()))");
    EXPECT_EQ(parsed("return 1\n\nx"), "Return(1); x");
    EXPECT_EQ(parsed("{ return\n}"), "Block(Return(-))");
}

TEST(ParserStatement, ReturnEndsAtASemicolon) {
    EXPECT_EQ(parsed("return; x = 1"), "Return(-); Assign(x, 1)");
}

TEST(ParserStatement, IfAndElse) {
    EXPECT_EQ(parsed("if (x) { a } else { b }"), "If(Parens(x), Block(a), Block(b))");
    EXPECT_EQ(parsed("if x > 1 { a }"), "If(>(x, 1), Block(a), -)");
    EXPECT_EQ(parsed("if (a) b() else if (c) d()"),
              "If(Parens(a), VarPipe(b, Parens()), If(Parens(c), VarPipe(d, Parens()), -))");
}

TEST(ParserStatement, ElseOnTheNextLineAttaches) {
    EXPECT_EQ(parsed("if (c) { a }\nelse { b }"), "If(Parens(c), Block(a), Block(b))");
    EXPECT_EQ(parsed("if (c) x = 1;\nelse x = 2"), "If(Parens(c), Assign(x, 1), Assign(x, 2))");
    EXPECT_EQ(parsed("if (c) { a }\n\nd"), "If(Parens(c), Block(a), -); d");
}

TEST(ParserStatement, ParenthesisedConditionEndsAtItsClosingParenthesis) {
    EXPECT_EQ(parsed("if (x) print(1)"), "If(Parens(x), VarPipe(print, Parens(1)), -)");
    EXPECT_EQ(parsed("while (x) f(x)"), "While(x, VarPipe(f, Parens(x)))");
    EXPECT_EQ(parsed("if (x) !y"), "If(Parens(x), !(y), -)");
    // An operator after ")" carries the condition on.
    EXPECT_EQ(parsed("if (a) || (b) { c }"), "If(||(Parens(a), Parens(b)), Block(c), -)");
    EXPECT_EQ(parsed("if (s).empty() { c }"), "If(VarPipe(Parens(s), empty, Parens()), Block(c), -)");
}

TEST(ParserStatement, StrayClosingBracketAtTopLevelIsReported) {
    EXPECT_EQ(parsed("}"), "error: Error unexpected token at }");
    EXPECT_EQ(parsed("a = 1\n)\nb = 2"), "error: Error unexpected token at )");
    EXPECT_EQ(parsed("f()\n]"), "error: Error unexpected token at ]");
}

TEST(ParserStatement, Loops) {
    EXPECT_EQ(parsed("while (a) { b }"), "While(a, Block(b))");
    EXPECT_EQ(parsed("do { i++ } while (i < 3)"), "DoWhile(Block(PostIncrement(i)), <(i, 3))");
    EXPECT_EQ(parsed("for (var i = 0; i < 3; i++) { f(i) }"),
              "For(init:VarDefineList(VarDefine[name=i](0)), test:<(i, 3), update:PostIncrement(i), "
              "body:Block(VarPipe(f, Parens(i))))");
    EXPECT_EQ(parsed("for (i = 0, j = 9; i < j; i++, j--)\n  f()"),
              "For(init:Assign(i, 0), init:Assign(j, 9), test:<(i, j), update:PostIncrement(i), "
              "update:PostDecrement(j), body:VarPipe(f, Parens()))");
    EXPECT_EQ(parsed("for (var x : list) print(x)"), "ForEach[name=x](range:list, body:VarPipe(print, Parens(x)))");
}

TEST(ParserStatement, BreakAndContinue) {
    EXPECT_EQ(parsed("while (a) { break; continue }"), "While(a, Block(Break, Continue))");
    EXPECT_EQ(parsed("a.continue"), "VarPipe(a, continue)");
}

TEST(ParserStatement, NewExpressions) {
    EXPECT_EQ(parsed("new A(1, 2)"), "New(A, arg:1, arg:2)");
    EXPECT_EQ(parsed("x = new a.B()"), "Assign(x, New(VarPipe(a, B)))");
    EXPECT_EQ(parsed("new util.StringBuffer().append(x).toString()"),
              "VarPipe(Parens(New(VarPipe(util, StringBuffer))), append, Parens(x), toString, Parens())");
}

TEST(ParserStatement, ThrowTakesOneOrTwoValues) {
    EXPECT_EQ(parsed("throw e"), "Throw(e, -)");
    EXPECT_EQ(parsed("throw \"x\", 2"), "Throw(\"x\", 2)");
}

TEST(ParserStatement, TryCatchFinally) {
    EXPECT_EQ(parsed("try {\n a()\n} catch (e) {\n b(e)\n} finally {\n c()\n}"),
              "Try[catch=e](try:Block(VarPipe(a, Parens())), catch:Block(VarPipe(b, Parens(e))), "
              "finally:Block(VarPipe(c, Parens())))");
    EXPECT_EQ(parsed("try { a } catch e { b }"), "Try[catch=e](try:Block(a), catch:Block(b), finally:-)");
    EXPECT_EQ(parsed("try { a }\ncatch { b }"), "Try(try:Block(a), catch:Block(b), finally:-)");
    EXPECT_EQ(parsed("try { a } finally { b }"), "Try(try:Block(a), catch:-, finally:Block(b))");
}

TEST(ParserStatement, SwitchCasesInSourceOrder) {
    EXPECT_EQ(parsed("switch (x) {\ncase 1: a(); break;\ncase 2:\ndefault: b()\n}"),
              "Switch(Parens(x), case:1, do:VarPipe(a, Parens()), do:Break, case:2, default:-, "
              "do:VarPipe(b, Parens()))");
    EXPECT_EQ(parsed("switch x { case a ? 1 : 2: y }"), "Switch(x, case:Ternary(a, 1, 2), do:y)");
}

TEST(ParserStatement, Functions) {
    EXPECT_EQ(parsed("func f(a, b) { return a + b }"), "FuncDefine[name=f params=a,b](Return(+(a, b)))");
    EXPECT_EQ(parsed("func g\n{ }"), "FuncDefine[name=g params=]()");
    EXPECT_EQ(parsed("h = func (x) { x }"), "Assign(h, FuncDefine[name= params=x](x))");
}

TEST(ParserStatement, Lambdas) {
    EXPECT_EQ(parsed("var g = (a, b) -> a * b"), "VarDefine[name=g](FuncDefine[name= params=a,b](Return(*(a, b))))");
    EXPECT_EQ(parsed("list.map(x -> x + 1)"),
              "VarPipe(list, map, Parens(FuncDefine[name= params=x](Return(+(x, 1)))))");
    EXPECT_EQ(parsed("f = () ->\n { a }"), "Assign(f, FuncDefine[name= params=](a))");
}

TEST(ParserStatement, ClassesStoreTheirConstructorAsInit) {
    EXPECT_EQ(parsed("class A : B, C implements D {\n var x = 1, y\n func A(v) { x = v }\n func get() { return x }\n}"),
              "ClassDefine[name=A extends=B,C implements=D](VarDefine[name=x](1), VarDefine[name=y](-), "
              "FuncDefine[name=@init params=v](Assign(x, v)), FuncDefine[name=get params=](Return(x)))");
    EXPECT_EQ(parsed("class E extends F { }"), "ClassDefine[name=E extends=F]()");
}

TEST(ParserStatement, Imports) {
    EXPECT_EQ(parsed("import a.b.c select x as y, z"), "Import[kind=2 path=a,b,c select=x as y select=z]()");
    EXPECT_EQ(parsed("import \"lib/file.kv\" select *"), "Import[kind=1 path=lib/file.kv select=*]()");
    EXPECT_EQ(parsed("import m\nx"), "Import[kind=2 path=m](); x");
}

TEST(ParserStatement, StringTemplatesParseAsBufferCode) {
    EXPECT_EQ(parsed("x = \"Hello {{name}}!\""),
              "Assign(x, VarPipe(Parens(New(VarPipe(util, StringBuffer))), append, Parens(\"Hello \"), append, "
              "Parens(name), append, Parens(\"!\"), toString, Parens()))");
}

TEST(ParserStatement, NodesKnowWhereTheNextStatementStarts) {
    ParseOutcome outcome = parseUtf8("if (a) { b }\nc");
    ASSERT_TRUE(outcome.ok);
    const auto& items = outcome.root->payloadAs<KvAstList>()->items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]->next(), 7u);  // the line end after "}"
    EXPECT_EQ(items[0]->start(), 0u);
    EXPECT_EQ(items[0]->end(), 12u);
    EXPECT_EQ(items[1]->line(), 2u);
    EXPECT_EQ(outcome.root->next(), 9u);
    EXPECT_EQ(items[0]->parent(), outcome.root.get());
}

}  // namespace
}  // namespace kestrel::testing
