// Tokenizer behaviour: numbers and the glued minus, operators, comments,
// strings of every kind, positions and lines, and normalised punctuation.
#include <gtest/gtest.h>

#include "frontend/keyword_map.h"
#include "tokenizer_test_util.h"

using namespace kestrel;
using kestrel::testing::describe;
using kestrel::testing::tokenizeText;
using Strings = std::vector<std::string>;

TEST(Tokenizer, EmptyTextAndSingleWord) {
    EXPECT_TRUE(tokenizeText(u"").empty());
    EXPECT_EQ(describe(u"word"), (Strings{"Identifier:word"}));
}

TEST(Tokenizer, MinusGluesToDigitsWhateverCameBefore) {
    EXPECT_EQ(describe(u"x=-1"), (Strings{"Identifier:x", "Operator:=", "Number:-1"}));
    EXPECT_EQ(describe(u"a - 1"), (Strings{"Identifier:a", "Operator:-", "Number:1"}));
    EXPECT_EQ(describe(u"a-1"), (Strings{"Identifier:a", "Number:-1"}));
    EXPECT_EQ(describe(u"a-=1 b--"),
              (Strings{"Identifier:a", "Operator:-=", "Number:1", "Identifier:b", "Operator:--"}));
    EXPECT_EQ(describe(u"x->y"), (Strings{"Identifier:x", "Keyword:->", "Identifier:y"}));
}

TEST(Tokenizer, NumbersStopAtLettersAndSecondDot) {
    EXPECT_EQ(describe(u"12abc"), (Strings{"Number:12", "Identifier:abc"}));
    EXPECT_EQ(describe(u"abc12"), (Strings{"Identifier:abc12"}));
    EXPECT_EQ(describe(u"1.2.3"), (Strings{"Number:1.2", "Dot:.", "Number:3"}));
    EXPECT_EQ(describe(u"1. 3.14"), (Strings{"Number:1.", "Number:3.14"}));
    // A full-width digit never starts or continues a number.
    EXPECT_EQ(describe(u"１2"), (Strings{"Identifier:１2"}));
    EXPECT_EQ(describe(u"2１"), (Strings{"Number:2", "Identifier:１"}));
    EXPECT_EQ(describe(u"1。5"), (Strings{"Number:1", "Dot:.", "Number:5"}));
}

TEST(Tokenizer, CommentsAreSkipped) {
    EXPECT_EQ(describe(u"a//b"), (Strings{"Identifier:a"}));
    EXPECT_EQ(describe(u"a#b"), (Strings{"Identifier:a"}));
    EXPECT_EQ(describe(u"a/*x*/b"), (Strings{"Identifier:a", "Identifier:b"}));
    EXPECT_EQ(describe(u"a # c\nb"), (Strings{"Identifier:a", "Newline:\n", "Identifier:b"}));
    EXPECT_EQ(describe(u"a/*/b"), (Strings{"Identifier:a"}));  // open comment dropped
    EXPECT_EQ(describe(u"／／x\ny"), (Strings{"Newline:\n", "Identifier:y"}));
}

TEST(Tokenizer, KeywordsAreCaseSensitive) {
    EXPECT_EQ(describe(u"if If case"), (Strings{"Keyword:if", "Identifier:If", "Identifier:case"}));
    EXPECT_EQ(describe(u"null true false"), (Strings{"Null:null", "Bool:true", "Bool:false"}));
    EXPECT_EQ(describe(u"protocal select import"),
              (Strings{"Keyword:protocal", "Keyword:select", "Keyword:import"}));
}

TEST(Tokenizer, OperatorsAndPunctuation) {
    EXPECT_EQ(describe(u"x/=2"), (Strings{"Identifier:x", "Operator:/", "Operator:=", "Number:2"}));
    EXPECT_EQ(describe(u"a+=b++*=c%=d"),
              (Strings{"Identifier:a", "Operator:+=", "Identifier:b", "Operator:++", "Operator:*=",
                       "Identifier:c", "Operator:%=", "Identifier:d"}));
    EXPECT_EQ(describe(u"!= == <= >= << >> < > ! ="),
              (Strings{"Operator:!=", "Operator:==", "Operator:<=", "Operator:>=", "BitOperator:<<",
                       "BitOperator:>>", "Operator:<", "Operator:>", "Operator:!", "Operator:="}));
    EXPECT_EQ(describe(u"&& || & | ^ ~"),
              (Strings{"Operator:&&", "Operator:||", "BitOperator:&", "BitOperator:|",
                       "BitOperator:^", "BitOperator:~"}));
    EXPECT_EQ(describe(u"([{}]),;.:?"),
              (Strings{"OpenBracket:(", "OpenBracket:[", "OpenBrace:{", "CloseBrace:}",
                       "CloseBracket:]", "CloseBracket:)", "Separator:,", "Separator:;", "Dot:.",
                       "Colon::", "Question:?"}));
}

TEST(Tokenizer, TripleEqualsAndBackslashAreOperators) {
    EXPECT_EQ(describe(u"a===b"), (Strings{"Identifier:a", "Operator:===", "Identifier:b"}));
    EXPECT_EQ(describe(u"a====b"),
              (Strings{"Identifier:a", "Operator:===", "Operator:=", "Identifier:b"}));
    EXPECT_EQ(describe(u"7 \\ 2"), (Strings{"Number:7", "Operator:\\", "Number:2"}));
    EXPECT_EQ(describe(u"a\\b"), (Strings{"Identifier:a", "Operator:\\", "Identifier:b"}));
}

TEST(Tokenizer, WordCharactersIncludeSymbolsAndOtherScripts) {
    EXPECT_EQ(describe(u"@init $x it's _a"),
              (Strings{"Identifier:@init", "Identifier:$x", "Identifier:it's", "Identifier:_a"}));
    EXPECT_EQ(describe(u"ＡＢ１"), (Strings{"Identifier:ＡＢ１"}));
}

TEST(Tokenizer, FullWidthPunctuationActsAsAscii) {
    EXPECT_EQ(describe(u"打印（1，2）"),
              (Strings{"Identifier:打印", "OpenBracket:(", "Number:1", "Separator:,", "Number:2",
                       "CloseBracket:)"}));
    EXPECT_EQ(describe(u"a＜b"), (Strings{"Identifier:a", "Operator:<", "Identifier:b"}));
    EXPECT_EQ(describe(u"a×b÷c"),
              (Strings{"Identifier:a", "Operator:*", "Identifier:b", "Operator:/", "Identifier:c"}));
    EXPECT_EQ(describe(u"a。b、c"),
              (Strings{"Identifier:a", "Dot:.", "Identifier:b", "Dot:.", "Identifier:c"}));
    EXPECT_EQ(describe(u"x＝＝y"), (Strings{"Identifier:x", "Operator:==", "Identifier:y"}));
}

TEST(Tokenizer, StringsKeepBackslashesAndSpanLines) {
    auto tokens = tokenizeText(u"\"a\\\"b\"");
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].kind, TokenKind::String);
    EXPECT_EQ(tokens.text(0), u"a\\\"b");
    EXPECT_EQ(describe(u"\"x\ny\" z"), (Strings{"String:x\ny", "Identifier:z"}));
    EXPECT_EQ(describe(u"\"\""), (Strings{"String:"}));
    EXPECT_EQ(describe(u"a \"open"), (Strings{"Identifier:a"}));  // unterminated: dropped
}

TEST(Tokenizer, TypographicQuotesPairOnlyWithTheirKind) {
    EXPECT_EQ(describe(u"“a\"b”"), (Strings{"String:a\"b"}));
    EXPECT_EQ(describe(u"\"a”b\""), (Strings{"String:a”b"}));
    EXPECT_EQ(describe(u"＂x“"), (Strings{"String:x"}));
}

TEST(Tokenizer, LongStringsTakeContentAsTyped) {
    EXPECT_EQ(describe(u"'''say \"hi\"\nnow''' x"), (Strings{"String:say \"hi\"\nnow", "Identifier:x"}));
    EXPECT_EQ(describe(u"\"\"\"it's\"\"\""), (Strings{"String:it's"}));
    // No escapes end a long string; its content is decoded once afterwards.
    EXPECT_EQ(describe(u"'''a\\tb\\'''"), (Strings{"String:a\tb"}));
    EXPECT_EQ(describe(u"'''a\"\"\"b'''"), (Strings{"String:a\"\"\"b"}));
    EXPECT_EQ(describe(u"'''open"), Strings{});
}

TEST(Tokenizer, PositionsOfWordsOperatorsAndStrings) {
    auto tokens = tokenizeText(u"ab += \"xy\"");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[0].start, 0);
    EXPECT_EQ(tokens[0].end, 2);
    EXPECT_EQ(tokens[1].start, 3);
    EXPECT_EQ(tokens[1].end, 5);
    EXPECT_EQ(tokens[2].start, 7);  // first content character
    EXPECT_EQ(tokens[2].end, 9);    // the closing quote
    auto minus = tokenizeText(u"a-12");
    EXPECT_EQ(minus[1].start, 1);
    EXPECT_EQ(minus[1].end, 4);
}

TEST(Tokenizer, LineNumbers) {
    auto tokens = tokenizeText(u"a\nb\r\n\"x\ny\" c\n/*\n*/d");
    ASSERT_EQ(describe(tokens), (Strings{"Identifier:a", "Newline:\n", "Identifier:b", "Newline:\n",
                                         "String:x\ny", "Identifier:c", "Newline:\n", "Identifier:d"}));
    std::vector<int> lines;
    for (const auto& token : tokens) lines.push_back(token.line);
    EXPECT_EQ(lines, (std::vector<int>{1, 2, 2, 3, 4, 4, 5, 6}));
}

TEST(Tokenizer, EscapedLineFeedInStringStillCountsALine) {
    auto tokens = tokenizeText(u"\"a\\\nb\"\nc");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[0].line, 2);
    EXPECT_EQ(tokens[2].line, 3);
}

TEST(Tokenizer, SetTextStartsOver) {
    Tokenizer tokenizer;
    tokenizer.setText(u"a\nb");
    ASSERT_TRUE(tokenizer.tokenize());
    tokenizer.setText(u"c");
    ASSERT_TRUE(tokenizer.tokenize());
    ASSERT_EQ(tokenizer.tokens().size(), 1u);
    EXPECT_EQ(tokenizer.tokens().text(0), u"c");
    EXPECT_EQ(tokenizer.tokens()[0].line, 1);
}

TEST(Tokenizer, BackslashAtTheVeryEndOfAnOpenString) {
    EXPECT_EQ(describe(u"x \"\\"), (Strings{"Identifier:x"}));
}

class LocalizedKeywords : public ::testing::Test {
protected:
    void SetUp() override {
        keywordMap().insert(u"如果", u"if");
        keywordMap().insert(u"左括", u"(");
        keywordMap().insert(u"真", u"true");
        keywordMap().insert(u"空", u"null");
    }
    void TearDown() override { keywordMap().clear(); }
};

TEST_F(LocalizedKeywords, MappedWordsTakeTheBuiltInKindAndKeepTheirSpelling) {
    auto tokens = tokenizeText(u"如果 左括 真 空 如果x");
    EXPECT_EQ(describe(tokens), (Strings{"Keyword:if", "OpenBracket:(", "Bool:true", "Null:null",
                                         "Identifier:如果x"}));
    EXPECT_EQ(tokens.spelling(tokens[0]), u"如果");
    EXPECT_EQ(tokens.displayText(tokens[0]), u"如果");
    EXPECT_TRUE(tokens.spelling(tokens[4]).empty());
    EXPECT_EQ(tokens.displayText(tokens[4]), u"如果x");
}
