// Deterministic fuzzing: thousands of sources stitched from grammar fragments
// must parse or fail cleanly (no crash, no hang, a message on failure), and a
// successful tree must print. Run under the sanitizers this also checks memory.
#include <gtest/gtest.h>

#include <random>

#include "parser_test_util.h"

namespace kestrel::testing {
namespace {

const char* const kFragments[] = {
    "a", "b.c", "1", "\"s\"", "null", "true", "(", ")", "[", "]", "{", "}", ",", ";", "\n", ".", ":", "?",
    "=", "+=", "==", "+", "-", "*", "/", "%", "!", "&&", "||", "and", "or", "&", "|", "~", "<<", "++", "--",
    "->", "if", "else", "do", "while", "for", "var", "break", "continue", "new", "throw", "return", "try",
    "catch", "finally", "switch", "case", "default", "func", "class", "extends", "implements", "import",
    "select", "as", "*", "this", "f(x)", "x -> x", "{a: 1}", "\"t {{a}} u\"", "var (p, q) = r", "-1",
};

std::string randomSource(std::mt19937& random) {
    std::uniform_int_distribution<size_t> pick(0, sizeof(kFragments) / sizeof(kFragments[0]) - 1);
    std::uniform_int_distribution<int> length(1, 40);
    std::string source;
    for (int n = length(random); n > 0; --n) {
        source += kFragments[pick(random)];
        source += ' ';
    }
    return source;
}

TEST(ParserFuzz, RandomFragmentsParseOrFailCleanly) {
    std::mt19937 random(20261206);
    int parsedCount = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string source = randomSource(random);
        ParseOutcome outcome = parseUtf8(source);
        if (outcome.ok) {
            ASSERT_NE(outcome.root, nullptr) << source;
            EXPECT_FALSE(dumpAst(*outcome.root).empty());
            ++parsedCount;
        } else {
            EXPECT_FALSE(outcome.error.message.empty()) << source;
            EXPECT_FALSE(reportOf(source).empty());
        }
    }
    EXPECT_GT(parsedCount, 0);
}

}  // namespace
}  // namespace kestrel::testing
