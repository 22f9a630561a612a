// The two-line parse error report: column from the last line feed before the
// token, the optional source name, the empty-source form, a line-feed token,
// and signed decimal numbers.
#include <gtest/gtest.h>

#include "host/utf8.h"
#include "parser/parse_source.h"
#include "parser/parser_error.h"

namespace kestrel {
namespace {

std::string report(const KvParserException& error, const std::u16string& source) {
    return toUtf8(error.report(source));
}

TEST(ParserReport, ColumnCountsFromTheLineStart) {
    KvParserException error(2, 14, u"x", u"Error expression");
    EXPECT_EQ(report(error, u"012345678\nvar x = 1"), "Parser exception: Error expression!\r\n  [line:2, pos:4] var x <<\r\n");
}

TEST(ParserReport, ErrorAtTheFirstTokenHasColumnEqualToPos) {
    KvParserException error(1, 3, u"b", u"M");
    EXPECT_EQ(report(error, u"aaab"), "Parser exception: M!\r\n  [line:1, pos:3] aaab <<\r\n");
}

TEST(ParserReport, SourceNameIsQuotedInParentheses) {
    KvParserException error(1, 0, u"a", u"M");
    error.sourceName = u"dir/main.kv";
    EXPECT_EQ(report(error, u"a"), "Parser exception: M!(\"dir/main.kv\")\r\n  [line:1, pos:0] a <<\r\n");
}

TEST(ParserReport, EmptySourceShowsTheRawOffsetWithoutMarker) {
    KvParserException error(3, 42, u"tok", u"M");
    EXPECT_EQ(report(error, u""), "Parser exception: M!\r\n  [line:3, pos:42] tok\r\n");
}

TEST(ParserReport, LineFeedTokenShowsTheLineItEnds) {
    KvParserException error(2, 8, u"\n", u"M");
    EXPECT_EQ(report(error, u"var a =\r\n1"), "Parser exception: M!\r\n  [line:2, pos:8] var a =\\n <<\r\n");
    KvParserException first(1, 0, u"\n", u"M");
    EXPECT_EQ(report(first, u"\nx"), "Parser exception: M!\r\n  [line:1, pos:0] \\n <<\r\n");
}

TEST(ParserReport, NumbersAreSignedDecimal) {
    KvParserException error(0xFFFFFFFFu, 0, u"a", u"M");
    EXPECT_EQ(report(error, u""), "Parser exception: M!\r\n  [line:-1, pos:0] a\r\n");
}

TEST(ParserReport, OffsetPastTheTextIsClamped) {
    KvParserException error(1, 99, u"z", u"M");
    EXPECT_EQ(report(error, u"ab"), "Parser exception: M!\r\n  [line:1, pos:2] abz <<\r\n");
}

TEST(ParserReport, CopiesKeepEveryField) {
    KvParserException error(4, 5, u"t", u"m");
    error.sourceName = u"s";
    KvParserException copy = error;
    EXPECT_EQ(copy.line, 4u);
    EXPECT_EQ(copy.pos, 5u);
    EXPECT_TRUE(copy.tokenText == u"t" && copy.message == u"m" && copy.sourceName == u"s");
    KvParserException empty;
    EXPECT_EQ(empty.line, 0u);
    EXPECT_TRUE(empty.message.empty() && empty.sourceName.empty());
}

TEST(ParserReport, WholeSourceReportNamesTheFile) {
    std::u16string source = u"var a = 1\nvar b = (2";
    ParseOutcome outcome = parseSourceText(source);
    ASSERT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.root, nullptr);
    EXPECT_EQ(toUtf8(parseErrorReport(outcome, u"t.kv", source)),
              "Parser exception: Error \"()\" expression!(\"t.kv\")\r\n  [line:2, pos:9] var b = (2 <<\r\n");
}

TEST(ParserReport, MappedKeywordsShowTheirSpelling) {
    TokenList tokens(u"如果");
    tokens.append(TokenKind::Keyword, u"if", 0, 2, 1, u"如果");
    StepResult step = failAtToken(tokens, tokens[0], u"M");
    ASSERT_FALSE(step.ok);
    EXPECT_TRUE(step.error->tokenText == u"如果");
}

}  // namespace
}  // namespace kestrel
