// Every failure family of the parser, checked through the exact two-line
// report (message, line, column, the line up to the offending token) or,
// within a family, through the message and the offending token.
#include <gtest/gtest.h>

#include "parser_test_util.h"

namespace kestrel::testing {
namespace {

TEST(ParserErrorMessages, Expressions) {
    EXPECT_EQ(reportOf("var x = 1 +"),
              "Parser exception: 末尾位置为数值运算符：不允许!\r\n  [line:1, pos:8] var x = 1 <<\r\n");
    EXPECT_EQ(parsed("x = -y"), "error: Error expression(CallNumberOperator) at -");
    EXPECT_EQ(parsed("a < < b"), "error: Error bool expression at a");
}

TEST(ParserErrorMessages, AssignmentAndIncrement) {
    EXPECT_EQ(reportOf("a + = 1"), "Parser exception: Error set value expression!\r\n  [line:1, pos:4] a + = <<\r\n");
    EXPECT_EQ(parsed("x = ++"), "error: Error expression define at ++");
}

TEST(ParserErrorMessages, GroupsAndBraces) {
    EXPECT_EQ(reportOf("x = [1,\n 2"), "Parser exception: Error \"()\" expression!\r\n  [line:2, pos:1]  2 <<\r\n");
    EXPECT_EQ(parsed("f(1,"), "error: Not found end symbol \")/]\" at ,");
    EXPECT_EQ(parsed("f(a]"), "error: Not found end symbol \")/]\" at ]");
    EXPECT_EQ(parsed("{ a"), "error: Not found end symbol \"}\" at a");
    EXPECT_EQ(parsed("{ a )"), "error: 未找到“}”结束符 at )");
    EXPECT_EQ(parsed("{ a: 1, b }"), "error: 未找到“}”结束符 at }");
}

TEST(ParserErrorMessages, Ternary) {
    EXPECT_EQ(reportOf("f(c ? 1)"), "Parser exception: 三元选择定义不完整!\r\n  [line:1, pos:7] f(c ? 1) <<\r\n");
    EXPECT_EQ(parsed("? 1 : 2"), "error: Error no head befor \"?\" at ?");
    EXPECT_EQ(parsed("c ?"), "error: 三元选择定义不完整 at ?");
}

TEST(ParserErrorMessages, IfDoWhile) {
    EXPECT_EQ(reportOf("if (a) {\n  b\n} else"),
              "Parser exception: else内容段定义不能为空!\r\n  [line:3, pos:2] } else <<\r\n");
    EXPECT_EQ(parsed("if"), "error: if条件定义不能为空 at if");
    EXPECT_EQ(parsed("if ()"), "error: if条件定义不能为空 at if");
    EXPECT_EQ(parsed("if (a)"), "error: if定义不完整 at )");
    EXPECT_EQ(parsed("if (a) )"), "error: if内容段定义不能为空 at )");
    EXPECT_EQ(parsed("do"), "error: do内容段定义不能为空 at do");
    EXPECT_EQ(parsed("do { } x"), "error: do逻辑的while条件验证不能为空 at x");
    EXPECT_EQ(parsed("do { } while ()"), "error: do逻辑的while条件验证不能为空 at while");
    EXPECT_EQ(parsed("while ()"), "error: while条件验证不能为空 at while");
    EXPECT_EQ(parsed("while { }"), "error: while条件验证格式不正确 at while");
    EXPECT_EQ(parsed("while (a)"), "error: while内容段不能为空 at )");
}

TEST(ParserErrorMessages, ForLoops) {
    EXPECT_EQ(reportOf("for (var x : a"),
              "Parser exception: Error define for each range params!\r\n  [line:1, pos:13] for (var x : a <<\r\n");
    EXPECT_EQ(parsed("for x"), "error: Error define for loop init params at x");
    EXPECT_EQ(parsed("for (a b"), "error: Error define for loop init params at b");
    EXPECT_EQ(parsed("for (;"), "error: Error define for loop test param at ;");
    EXPECT_EQ(parsed("for (i = 0; i < 3; i++"), "error: Error define for loop end params at ++");
    EXPECT_EQ(parsed("for (i = 0; i < 3; i++)"), "error: Error define for loop body at )");
    EXPECT_EQ(parsed("for (var x : )"), "error: Error define for each range param at )");
    EXPECT_EQ(parsed("for (var x : a)"), "error: Error define for each body params at )");
    EXPECT_EQ(parsed("for (var x : a) )"), "error: Error define for each body at )");
}

TEST(ParserErrorMessages, Var) {
    EXPECT_EQ(reportOf("a = 1\nvar 5"),
              "Parser exception: Error variable defined: no name!\r\n  [line:2, pos:4] var 5 <<\r\n");
    EXPECT_EQ(parsed("var"), "error: 变量定义不完整 at var");
    EXPECT_EQ(parsed("var a = 1,"), "error: 变量定义不完整 at ,");
    EXPECT_EQ(parsed("var a = ]"), "error: Error variable defined: initilized error at ]");
    EXPECT_EQ(parsed("var a = ;"), "error: Error variable defined: initilized error at ;");
    EXPECT_EQ(parsed("var (a, 1) = x"), "error: 变量定义格式错误 at (");
    EXPECT_EQ(parsed("var (a, b)"), "error: 元祖变量赋值错误，必须定义初始值 at )");
    EXPECT_EQ(parsed("var (a, b) ="), "error: Wraped var define must with value at =");
}

TEST(ParserErrorMessages, NewAndThrow) {
    EXPECT_EQ(reportOf("new A() + 1"), "Parser exception: New object param error!\r\n  [line:1, pos:5] new A( <<\r\n");
    EXPECT_EQ(parsed("new"), "error: Error new object defined at new");
    EXPECT_EQ(parsed("new A"), "error: Error new object defined at A");
    EXPECT_EQ(parsed("new 1"), "error: Please enter class name after 'new' at 1");
    EXPECT_EQ(parsed("throw"), "error: No message found after throw expression at throw");
    EXPECT_EQ(parsed("throw a,"), "error: Error param after \",\" at ,");
}

TEST(ParserErrorMessages, TryCatchFinally) {
    EXPECT_EQ(reportOf("try { }"), "Parser exception: Error catch block define!\r\n  [line:1, pos:6] try { } <<\r\n");
    EXPECT_EQ(parsed("try"), "error: Error try block define at try");
    EXPECT_EQ(parsed("try { } catch"), "error: Error catch block define at catch");
    EXPECT_EQ(parsed("try { } catch 1 { }"), "error: Error catch block define at catch");
    EXPECT_EQ(parsed("try { } catch e"), "error: Error catch block define at e");
    EXPECT_EQ(parsed("try { } finally"), "error: Error finally block define at finally");
}

TEST(ParserErrorMessages, Switch) {
    EXPECT_EQ(reportOf("switch x {\n  case 1\n}"),
              "Parser exception: Error switch case item define: case item not finished, please append ':'!\r\n"
              "  [line:3, pos:8]   case 1\\n <<\r\n");
    EXPECT_EQ(parsed("switch"), "error: Error switch test define at switch");
    EXPECT_EQ(parsed("switch x"), "error: Error switch define at x");
    EXPECT_EQ(parsed("switch x y"), "error: Error switch define at y");
    EXPECT_EQ(parsed("switch x\n y"), "error: Error switch body define: not found '{' at y");
    EXPECT_EQ(parsed("switch x { a }"), "error: Error switch case item define at a");
    EXPECT_EQ(parsed("switch x { case : }"), "error: Error switch case item define: case item not found at case");
    EXPECT_EQ(parsed("switch x { default }"),
              "error: Error switch case item define: case item not finished, please append ':' at }");
    EXPECT_EQ(parsed("switch x { case 1: ) }"), "error: Error switch body define at )");
    EXPECT_EQ(parsed("switch x { case 1: a"), "error: Error switch define at a");
}

TEST(ParserErrorMessages, FunctionsClassesLambdas) {
    EXPECT_EQ(reportOf("class A { x }"),
              "Parser exception: Class body only define var or func !\r\n  [line:1, pos:10] class A { x <<\r\n");
    EXPECT_EQ(parsed("func"), "error: Error function define at func");
    EXPECT_EQ(parsed("func f(1) { }"), "error: Error function params define at (");
    EXPECT_EQ(parsed("func f x"), "error: Error function body define at x");
    EXPECT_EQ(parsed("class"), "error: Can't find class name at class");
    EXPECT_EQ(parsed("class A x"), "error: Can't find class body at x");
    EXPECT_EQ(parsed("class A extends { }"), "error: Error class extends define at {");
    EXPECT_EQ(parsed("class A implements 1 { }"), "error: Error class implements define at 1");
    EXPECT_EQ(parsed("class A { var a"), "error: Error class body define at a");
    EXPECT_EQ(parsed("-> 1"), "error: Error lambda function params define at ->");
    EXPECT_EQ(parsed("1 + 2 -> 3"), "error: Error lambde function params define at ->");
    EXPECT_EQ(parsed("a ->"), "error: Error lambde function body define at ->");
}

TEST(ParserErrorMessages, Import) {
    EXPECT_EQ(reportOf("import a select b,"),
              "Parser exception: Error import define: end word is ','!\r\n  [line:1, pos:17] import a select b, <<\r\n");
    EXPECT_EQ(parsed("import"), "error: Error import define: no file name at import");
    EXPECT_EQ(parsed("import 1"), "error: Error import file defined at 1");
    EXPECT_EQ(parsed("import a as b"), "error: Error import file defined at as");
    EXPECT_EQ(parsed("import a."), "error: Error import define: end word is '.' at .");
    EXPECT_EQ(parsed("import a.1"), "error: Error import define at 1");
    EXPECT_EQ(parsed("import a select"), "error: Error import define: no select field at select");
    EXPECT_EQ(parsed("import a select 1"), "error: Error import define: error select field at 1");
    EXPECT_EQ(parsed("import a select b as"), "error: Error import define: error field nickname at as");
}

TEST(ParserErrorMessages, StrayCloser) {
    EXPECT_EQ(reportOf("a()\n  }\nb()"), "Parser exception: Error unexpected token!\r\n  [line:2, pos:2]   } <<\r\n");
}

}  // namespace
}  // namespace kestrel::testing
