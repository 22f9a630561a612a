// Nesting limits and long inputs: hostile nesting ends in a clear error (never
// a native stack overflow), nesting just under the limit parses, and very long
// operator chains parse, print and release without recursion.
#include <gtest/gtest.h>

#include "parser/statement_parser.h"
#include "parser_test_util.h"

namespace kestrel::testing {
namespace {

std::string repeat(const std::string& piece, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out += piece;
    return out;
}

const size_t kLimit = StatementParser::kMaxNestingDepth;

TEST(ParserLimits, TenThousandNestedGroupsReportAnError) {
    EXPECT_EQ(parsed(repeat("(", 10000) + "a" + repeat(")", 10000)), "error: Error nesting too deep at (");
    EXPECT_EQ(parsed(repeat("[", 10000) + repeat("]", 10000)), "error: Error nesting too deep at [");
    EXPECT_EQ(parsed(repeat("{", 10000) + repeat("}", 10000)), "error: Error nesting too deep at {");
    EXPECT_EQ(parsed(repeat("{", 10000)), "error: Error nesting too deep at {");
}

TEST(ParserLimits, AHundredThousandNestedBracketsReportAnError) {
    EXPECT_EQ(parsed("v = " + repeat("([", 50000) + "1" + repeat("])", 50000)),
              "error: Error nesting too deep at [");
}

TEST(ParserLimits, TenThousandNestedStatementsReportAnError) {
    EXPECT_EQ(parsed(repeat("if (a) ", 10000) + "b"), "error: Error nesting too deep at a");
    EXPECT_EQ(parsed(repeat("x = ", 10000) + "1"), "error: Error nesting too deep at x");
    EXPECT_EQ(parsed(repeat("++", 10000) + "i"), "error: Error nesting too deep at ++");
    EXPECT_EQ(parsed("f(" + repeat("a -> ", 10000) + "1)"), "error: Error nesting too deep at a");
}

TEST(ParserLimits, NestingJustUnderTheLimitParses) {
    std::string inner = repeat("(", kLimit - 1) + "a" + repeat(")", kLimit - 1);
    ParseOutcome outcome = parseUtf8(inner);
    ASSERT_TRUE(outcome.ok) << toUtf8(outcome.error.message);
    std::string over = repeat("(", kLimit) + "a" + repeat(")", kLimit);
    EXPECT_EQ(parsed(over), "error: Error nesting too deep at a");
}

TEST(ParserLimits, LongOperatorChainsNeedNoNesting) {
    std::string source = "x = a" + repeat(" + a", 100000) + "\ny = !b" + repeat(" && c", 20000);
    ParseOutcome outcome = parseUtf8(source);
    ASSERT_TRUE(outcome.ok) << toUtf8(outcome.error.message);
    std::string dump = dumpAst(*outcome.root);
    EXPECT_NE(dump.find("NotExpr"), std::string::npos);
    EXPECT_EQ(compactAst(outcome.root.get()).substr(0, 40), "Program(Assign(x, +(+(+(+(+(+(+(+(+(+(+(");
}

TEST(ParserLimits, ManyStatementsAndLongChains) {
    std::string source = repeat("f(1)\n", 50000) + "a" + repeat(".b", 50000);
    ParseOutcome outcome = parseUtf8(source);
    ASSERT_TRUE(outcome.ok);
    const auto& items = outcome.root->payloadAs<KvAstList>()->items;
    EXPECT_EQ(items.size(), 50001u);
    EXPECT_EQ(items.back()->payloadAs<KvAstList>()->items.size(), 50001u);
}

}  // namespace
}  // namespace kestrel::testing
