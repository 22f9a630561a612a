// String templates and escapes: the generated code, the tokens that replace
// a template and their positions, the quote choice, and unescape's table.
#include <gtest/gtest.h>

#include <algorithm>

#include "frontend/string_template.h"
#include "tokenizer_test_util.h"

using namespace kestrel;
using kestrel::testing::describe;
using kestrel::testing::tokenizeText;
using Strings = std::vector<std::string>;

TEST(TemplateCode, ExpressionsBecomeStringBufferAppends) {
    EXPECT_EQ(templateCode(u"Hello {{name}}!"),
              u"new util.StringBuffer().append('''Hello ''').append(name).append('''!''').toString()");
    EXPECT_EQ(templateCode(u"{{a}}{{b}}"),
              u"new util.StringBuffer().append('''''').append(a).append('''''').append(b)"
              u".append('''''').toString()");
}

TEST(TemplateCode, EmptyOrTabOnlyExpressionsBecomeEmptyStrings) {
    EXPECT_EQ(templateCode(u"x{{}}y"),
              u"new util.StringBuffer().append('''x''').append(\"\").append('''y''').toString()");
    EXPECT_EQ(templateCode(u"{{\t\t}}"),
              u"new util.StringBuffer().append('''''').append(\"\").append('''''').toString()");
    EXPECT_EQ(templateCode(u"{{\t a \t}}"),
              u"new util.StringBuffer().append('''''').append( a ).append('''''').toString()");
}

TEST(TemplateCode, TripleApostrophesInTheTextSwitchToDoubleQuotes) {
    EXPECT_EQ(templateCode(u"a'''b{{x}}"),
              u"new util.StringBuffer().append(\"\"\"a'''b\"\"\").append(x).append(\"\"\"\"\"\").toString()");
}

TEST(TemplateCode, UnbalancedTemplateMakesTheRestOneExpression) {
    EXPECT_EQ(templateCode(u"a{{b"), u"new util.StringBuffer().append('''a''').append(b''').toString()");
}

TEST(TemplateCode, QuoteCharactersEndingALiteralPieceGoInTheirOwnPiece) {
    EXPECT_EQ(templateCode(u"'{{n}}''"),
              u"new util.StringBuffer().append('''''').append(\"'\").append(n).append('''''')"
              u".append(\"''\").toString()");
    EXPECT_EQ(describe(u"\"is '{{n}}'\""),
              (Strings{"Keyword:new", "Identifier:util", "Dot:.", "Identifier:StringBuffer", "OpenBracket:(",
                       "CloseBracket:)", "Dot:.", "Identifier:append", "OpenBracket:(", "String:is ",
                       "CloseBracket:)", "Dot:.", "Identifier:append", "OpenBracket:(", "String:'",
                       "CloseBracket:)", "Dot:.", "Identifier:append", "OpenBracket:(", "Identifier:n",
                       "CloseBracket:)", "Dot:.", "Identifier:append", "OpenBracket:(", "String:",
                       "CloseBracket:)", "Dot:.", "Identifier:append", "OpenBracket:(", "String:'",
                       "CloseBracket:)", "Dot:.", "Identifier:toString", "OpenBracket:(", "CloseBracket:)"}));
}

TEST(ExpandString, TemplateTokensReplaceTheStringAndCarryItsPosition) {
    auto tokens = tokenizeText(u"x\ny = \"Hi {{name}}\\t\" z");
    ASSERT_GE(tokens.size(), 5u);
    EXPECT_EQ(describe(tokens),
              (Strings{"Identifier:x", "Newline:\n", "Identifier:y", "Operator:=", "Keyword:new",
                       "Identifier:util", "Dot:.", "Identifier:StringBuffer", "OpenBracket:(", "CloseBracket:)",
                       "Dot:.", "Identifier:append", "OpenBracket:(", "String:Hi ", "CloseBracket:)", "Dot:.",
                       "Identifier:append", "OpenBracket:(", "Identifier:name", "CloseBracket:)", "Dot:.",
                       "Identifier:append", "OpenBracket:(", "String:\t", "CloseBracket:)", "Dot:.",
                       "Identifier:toString", "OpenBracket:(", "CloseBracket:)", "Identifier:z"}));
    for (size_t i = 4; i + 1 < tokens.size(); ++i) {
        EXPECT_EQ(tokens[i].line, 2) << i;
        EXPECT_EQ(tokens[i].start, 7) << i;
        EXPECT_EQ(tokens[i].end, 20) << i;
    }
    EXPECT_EQ(tokens.back().start, 22);
}

TEST(ExpandString, PlainStringsOnlyHaveTheirEscapesDecoded) {
    EXPECT_EQ(describe(u"\"a\\tb\""), (Strings{"String:a\tb"}));
    // Escaped braces are not a template: the search runs before decoding.
    EXPECT_EQ(describe(u"\"\\{\\{x}}\""), (Strings{"String:{{x}}"}));
}

TEST(ExpandString, StringsInsideExpressionsAreExpandedToo) {
    Strings tokens = describe(u"'''{{f(\"a\\tb\")}}'''");
    EXPECT_NE(std::find(tokens.begin(), tokens.end(), "String:a\tb"), tokens.end());
    EXPECT_NE(std::find(tokens.begin(), tokens.end(), "Identifier:f"), tokens.end());
}

TEST(ExpandString, TemplatesNestedTooDeeplyStopThePass) {
    Tokenizer tokenizer;
    tokenizer.setTemplateDepth(kMaxTemplateDepth);
    tokenizer.setText(u"a \"{{b}}\" c");
    EXPECT_FALSE(tokenizer.tokenize());
    EXPECT_EQ(describe(tokenizer.tokens()), (Strings{"Identifier:a"}));
    tokenizer.setText(u"a \"b\" c");  // plain strings are not templates
    EXPECT_TRUE(tokenizer.tokenize());
}

TEST(Unescape, DecodesTheTable) {
    EXPECT_EQ(unescape(u"\\r\\t\\n\\a\\b\\v\\f\\{\\}"), u"\r\t\n\a\b\v\f{}");
    EXPECT_EQ(unescape(u"a\\tb"), u"a\tb");
}

TEST(Unescape, HexAndOctalReadExactlyTwoCharacters) {
    EXPECT_EQ(unescape(u"\\x41"), u"A");
    EXPECT_EQ(unescape(u"\\x414"), u"A4");
    EXPECT_EQ(unescape(u"\\o101"), u"\b1");
    EXPECT_EQ(unescape(u"\\xZZy"), std::u16string(1, u'\0') + u"y");
    EXPECT_EQ(unescape(u"\\x4G"), u"\x04");
    EXPECT_EQ(unescape(u"\\o8"), std::u16string(1, u'\0'));
    EXPECT_EQ(unescape(u"\\x"), std::u16string(1, u'\0'));
}

TEST(Unescape, OtherEscapesKeepBothCharactersAndAFinalBackslashIsDropped) {
    EXPECT_EQ(unescape(u"\\\"\\\\q\\z"), u"\\\"\\\\q\\z");
    EXPECT_EQ(unescape(u"ab\\"), u"ab");
    EXPECT_EQ(unescape(u""), u"");
}

TEST(TrimTabs, OnlyTabsAreTrimmed) {
    EXPECT_EQ(trimTabs(u"\t\t a b \t"), u" a b ");
    EXPECT_EQ(trimTabs(u"\t\t"), u"");
    EXPECT_EQ(trimTabs(u"x"), u"x");
}
