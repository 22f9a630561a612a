// Operator structure decided by the expression parser: precedence levels,
// left-to-right grouping of equal arithmetic levels, the boolean join, bit
// operator runs, negation, and every expression failure message.
#include <gtest/gtest.h>

#include "parser/expression_parser.h"
#include "parser_test_util.h"

namespace kestrel::testing {
namespace {

TEST(ParserExpression, ArithmeticPrecedence) {
    EXPECT_EQ(parsed("a + b * c"), "+(a, *(b, c))");
    EXPECT_EQ(parsed("a * b + c"), "+(*(a, b), c)");
    EXPECT_EQ(parsed("1 + 2 * 3 - 4 / 2 % 3"), "-(+(1, *(2, 3)), %(/(4, 2), 3))");
    EXPECT_EQ(parsed("a \\ b + c"), "+(\\(a, b), c)");
}

TEST(ParserExpression, EqualLevelsGroupLeftToRight) {
    EXPECT_EQ(parsed("a - b - c"), "-(-(a, b), c)");
    EXPECT_EQ(parsed("a - b + c"), "+(-(a, b), c)");
    EXPECT_EQ(parsed("10 - 2 + 3"), "+(-(10, 2), 3)");
    EXPECT_EQ(parsed("8 / 2 * 4"), "*(/(8, 2), 4)");
    EXPECT_EQ(parsed("a % b / c * d"), "*(/(%(a, b), c), d)");
}

TEST(ParserExpression, BooleanJoinComparesOnlyTheRoot) {
    EXPECT_EQ(parsed("a && b == c"), "&&(a, ==(b, c))");
    EXPECT_EQ(parsed("a == b && c"), "&&(==(a, b), c)");
    EXPECT_EQ(parsed("a || b < c == d"), "||(a, ==(<(b, c), d))");
    EXPECT_EQ(parsed("a + 1 < b * 2"), "<(+(a, 1), *(b, 2))");
    EXPECT_EQ(parsed("a != b || c >= d"), "||(!=(a, b), >=(c, d))");
}

TEST(ParserExpression, WordConnectivesActAsSymbols) {
    EXPECT_EQ(parsed("a and b or c"), "or(and(a, b), c)");
    EXPECT_EQ(parsed("a and b == c"), "and(a, ==(b, c))");
    // After a dot the words are member names again.
    EXPECT_EQ(parsed("x.and"), "VarPipe(x, and)");
}

TEST(ParserExpression, WordConnectivesCarryTheirTableCodes) {
    ParseOutcome outcome = parseUtf8("a or b");
    ASSERT_TRUE(outcome.ok);
    const auto& root = outcome.root->payloadAs<KvAstList>()->items.front();
    ASSERT_EQ(root->type(), KvAstType_BoolOp);
    EXPECT_EQ(root->payloadAs<KvAstOperator>()->code, 1);
}

TEST(ParserExpression, BitOperatorRunsReduceLeftToRight) {
    EXPECT_EQ(parsed("a & b | c"), "|(&(a, b), c)");
    EXPECT_EQ(parsed("a << 2 + 1"), "+(<<(a, 2), 1)");
    EXPECT_EQ(parsed("~a"), "~(a)");
    EXPECT_EQ(parsed("& a"), "&(a)");
}

TEST(ParserExpression, Negation) {
    EXPECT_EQ(parsed("! a"), "!(a)");
    EXPECT_EQ(parsed("!a && b"), "&&(!(a), b)");
    EXPECT_EQ(parsed("!"), "!");
    EXPECT_EQ(parsed("a ! "), "error: Error expression(!) at a");
    EXPECT_EQ(parsed("! ! a"), "error: Error expression(BitToken) at !");
}

TEST(ParserExpression, LeadingAndTrailingOperators) {
    EXPECT_EQ(parsed("- a"), "error: Error expression(CallNumberOperator) at -");
    EXPECT_EQ(parsed("+ a"), "error: Error expression at +");
    EXPECT_EQ(parsed("== a"), "error: Error bool expression at ==");
    EXPECT_EQ(parsed("a +"), "error: 末尾位置为数值运算符：不允许 at a");
    EXPECT_EQ(parsed("a &&"), "error: Error bool expression at a");
}

TEST(ParserExpression, OperatorsSideBySide) {
    EXPECT_EQ(parsed("a == == b"), "error: Error bool expression at a");
    EXPECT_EQ(parsed("a + * b"), "error: Error expression at a");
    EXPECT_EQ(parsed("1 2"), "error: Error expression(BitToken) at 1");
    EXPECT_EQ(parsed("\"s\" x"), "error: Error expression(BitToken) at s");
}

TEST(ParserExpression, ABitOperatorWithoutOperandIsAnError) {
    EXPECT_EQ(parsed("a &"), "error: Error expression at a");
    EXPECT_EQ(parsed("a + b |"), "error: Error expression at a");
}

TEST(ParserExpression, NumberWithGluedMinusIsOneOperand) {
    EXPECT_EQ(parsed("x=-1"), "Assign(x, -1)");
    EXPECT_EQ(parsed("a-1"), "error: Error expression(BitToken) at a");
    EXPECT_EQ(parsed("a - 1"), "-(a, 1)");
}

TEST(ParserExpression, CompoundAssignmentIsAnAssignment) {
    EXPECT_EQ(parsed("x += 2"), "+=(x, 2)");
    EXPECT_EQ(parsed("a.b[0] *= c + 1"), "*=(VarPipe(a, b, Brackets(0)), +(c, 1))");
    ParseOutcome outcome = parseUtf8("x %= 3");
    ASSERT_TRUE(outcome.ok);
    const auto& node = outcome.root->payloadAs<KvAstList>()->items.front();
    EXPECT_EQ(node->type(), 59u);
    EXPECT_EQ(node->type(), KvAstType_CompoundAssign);
    auto* op = node->payloadAs<KvAstOperator>();
    ASSERT_NE(op, nullptr);
    EXPECT_TRUE(op->op == u"%");
    EXPECT_EQ(op->code, 9);
    EXPECT_EQ(parsed("x /= 2"), "error: Error set value expression at =");
}

TEST(ParserExpression, EmptyInputsYieldNoNode) {
    KvAstNodeVector operands, pipe;
    StepResult result = parseExpression(operands, pipe);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.node, nullptr);
    EXPECT_EQ(parsed(";;\n\n"), "");
}

TEST(ParserExpression, PipeBufferIsFlushedFirst) {
    KvAstNodeVector operands, pipe;
    pipe.push_back(std::make_shared<KvAstNode>(KvAstType_Var, u"a"));
    pipe.push_back(std::make_shared<KvAstNode>(KvAstType_Var, u"b"));
    StepResult result = parseExpression(operands, pipe);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(compactAst(result.node.get()), "VarPipe(a, b)");
    EXPECT_TRUE(pipe.empty());
}

TEST(ParserExpression, BuiltNodesSpanTheirOperandsAndAdoptThem) {
    ParseOutcome outcome = parseUtf8("x\nab + cd * e");
    ASSERT_TRUE(outcome.ok);
    const auto& root = outcome.root->payloadAs<KvAstList>()->items.back();
    EXPECT_EQ(root->line(), 2u);
    EXPECT_EQ(root->start(), 2u);
    EXPECT_EQ(root->end(), 13u);
    auto* op = root->payloadAs<KvAstOperator>();
    EXPECT_EQ(op->left->parent(), root.get());
    EXPECT_EQ(op->right->parent(), root.get());
}

}  // namespace
}  // namespace kestrel::testing
