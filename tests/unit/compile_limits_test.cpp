// The deepest nesting the parser accepts compiles without exhausting the
// native stack (this runs under the sanitizers too), whatever kind of nesting.
#include <gtest/gtest.h>

#include "compile_test_util.h"
#include "parser/statement_parser.h"

namespace kestrel::testing {
namespace {

std::string repeat(const std::string& piece, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out += piece;
    return out;
}

bool parses(const std::string& source) { return parseSourceText(fromUtf8(source)).ok; }

// Compiles the most deeply nested form of a source that the parser accepts.
template <class Build>
void expectDeepestCompiles(Build build) {
    size_t low = 1, high = StatementParser::kMaxNestingDepth + 1;  // parses at low, not at high
    ASSERT_TRUE(parses(build(low)));
    while (high - low > 1) {
        size_t middle = (low + high) / 2;
        (parses(build(middle)) ? low : high) = middle;
    }
    EXPECT_GE(low, 100u);
    Compiled result = compileUtf8(build(low));
    EXPECT_TRUE(result.ok) << toUtf8(result.error.message);
    EXPECT_TRUE(verifyModule(result.module));
}

TEST(CompileLimits, DeepestGroupsCompile) {
    expectDeepestCompiles([](size_t n) { return "x = " + repeat("(", n) + "1" + repeat(")", n); });
    expectDeepestCompiles([](size_t n) { return "x = " + repeat("[", n) + repeat("]", n); });
    expectDeepestCompiles([](size_t n) { return repeat("{", n) + repeat("}", n); });
    expectDeepestCompiles([](size_t n) { return "x = " + repeat("!(", n) + "a" + repeat(")", n); });
}

TEST(CompileLimits, DeepestStatementsCompile) {
    expectDeepestCompiles([](size_t n) { return repeat("if (a) ", n) + "b = 1"; });
    expectDeepestCompiles([](size_t n) { return repeat("while (a) ", n) + "b = 1"; });
    expectDeepestCompiles([](size_t n) { return repeat("x = ", n) + "1"; });
    expectDeepestCompiles([](size_t n) { return repeat("o.a = ", n) + "1"; });
}

TEST(CompileLimits, DeepestFunctionsCompile) {
    expectDeepestCompiles([](size_t n) { return repeat("func f() { ", n) + "return v" + repeat(" }", n); });
}

}  // namespace
}  // namespace kestrel::testing
