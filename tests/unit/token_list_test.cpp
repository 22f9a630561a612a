// The token list's storage: texts equal to the source are slices of it and
// cost nothing beyond the record; decoded strings, mapped words, full-width
// punctuation and template code keep their own text; spellings of mapped
// words inside template code survive the move into the outer list.
#include <gtest/gtest.h>

#include "frontend/keyword_map.h"
#include "tokenizer_test_util.h"

namespace kestrel::testing {
namespace {

using Strings = std::vector<std::string>;

TEST(TokenList, RecordsStaySmall) {
    static_assert(sizeof(Token) <= 24, "a token is a small fixed record");
    std::u16string source;
    for (int i = 0; i < 200; ++i) source += u"var total = price * (count + 1) // note\nprint(\"sum\", total)\n";
    TokenList tokens = tokenizeText(source);
    ASSERT_GT(tokens.size(), 3000u);
    EXPECT_LE(tokens.bytesHeld(), tokens.size() * 48);
    for (const Token& token : tokens) EXPECT_EQ(token.flags & TokenList::kTextInPool, 0) << token.start;
}

TEST(TokenList, TextsThatDifferFromTheSourceAreKeptApart) {
    TokenList tokens = tokenizeText(u"f（\"a\\tb\"）");
    ASSERT_EQ(describe(tokens), (Strings{"Identifier:f", "OpenBracket:(", "String:a\tb", "CloseBracket:)"}));
    EXPECT_EQ(tokens.source().substr(1, 1), u"（");
    EXPECT_TRUE(tokens.spelling(tokens[1]).empty());
    EXPECT_EQ(tokens.displayText(tokens[1]), u"(");
    EXPECT_EQ(tokens[2].start, 3);
    EXPECT_EQ(tokens[2].end, 7);
    EXPECT_NE(tokens[1].flags & TokenList::kTextInPool, 0);
    EXPECT_NE(tokens[2].flags & TokenList::kTextInPool, 0);
    EXPECT_EQ(tokens[0].flags & TokenList::kTextInPool, 0);
}

TEST(TokenList, ViewsStayValidAfterTheListIsMoved) {
    Tokenizer tokenizer;
    tokenizer.setText(u"alpha \"b\\nc\"");
    ASSERT_TRUE(tokenizer.tokenize());
    TokenList moved = tokenizer.takeTokens();
    TokenList copied = moved;
    EXPECT_EQ(copied.text(0), u"alpha");
    EXPECT_EQ(copied.text(1), u"b\nc");
    EXPECT_TRUE(tokenizer.tokens().empty());
    tokenizer.setText(u"again");
    ASSERT_TRUE(tokenizer.tokenize());
    EXPECT_EQ(describe(tokenizer.tokens()), (Strings{"Identifier:again"}));
}

class MappedWordsInTemplates : public ::testing::Test {
protected:
    void SetUp() override { keywordMap().insert(u"真", u"true"); }
    void TearDown() override { keywordMap().clear(); }
};

TEST_F(MappedWordsInTemplates, KeepTheirSpellingAtTheTemplatePosition) {
    TokenList tokens = tokenizeText(u"x = \"v{{真}}\"");
    const Token* mapped = nullptr;
    for (const Token& token : tokens)
        if (token.kind == TokenKind::Bool) mapped = &token;
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(tokens.text(*mapped), u"true");
    EXPECT_EQ(tokens.spelling(*mapped), u"真");
    EXPECT_EQ(tokens.displayText(*mapped), u"真");
    EXPECT_EQ(mapped->start, 5);
    EXPECT_EQ(mapped->end, 11);
    EXPECT_TRUE(tokens.spelling(tokens[0]).empty());
}

}  // namespace
}  // namespace kestrel::testing
