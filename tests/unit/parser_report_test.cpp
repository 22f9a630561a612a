// The two-line parse error report: column from the last line feed before the
// token, the optional source name, the empty-source form, a line-feed token,
// signed decimal numbers, and the cut of very long lines and tokens.
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

// Long lines and long tokens are cut to about 200 characters around the
// position, with "..." where text was left out; the column stays the real one.
TEST(ParserReport, LongLineShowsOnlyTheTextJustBeforeTheToken) {
    std::u16string line = u"var x = " + std::u16string(100000, u'1') + u"abcdefghij";
    KvParserException error(1, static_cast<uint32_t>(line.size() - 1), u"j", u"M");
    std::string shown = report(error, line);
    EXPECT_EQ(shown, "Parser exception: M!\r\n  [line:1, pos:100017] ..." + std::string(190, '1') +
                         "abcdefghi" + "j <<\r\n");
}

TEST(ParserReport, LongTokenIsCutAfterItsStart) {
    std::u16string token = u"\"" + std::u16string(5000, u'z');
    KvParserException error(2, 5, token, u"M");
    EXPECT_EQ(report(error, u"a\nbb " + token),
              "Parser exception: M!\r\n  [line:2, pos:3] bb \"" + std::string(39, 'z') + "... <<\r\n");
    EXPECT_EQ(report(error, u""), "Parser exception: M!\r\n  [line:2, pos:5] \"" + std::string(39, 'z') + "...\r\n");
}

TEST(ParserReport, CutsNeverSplitASurrogatePair) {
    std::u16string pairs;
    for (int i = 0; i < 300; ++i) pairs += u"\U0001F600";
    KvParserException error(1, static_cast<uint32_t>(pairs.size()), u"x", u"M");
    std::u16string text = error.report(pairs + u"x");
    size_t marker = text.find(u"] ...");
    ASSERT_NE(marker, std::u16string::npos);
    EXPECT_FALSE(text[marker + 5] >= 0xDC00 && text[marker + 5] <= 0xDFFF);
    EXPECT_EQ(text.substr(text.size() - 6), u"x <<\r\n");
    EXPECT_LE(text.size(), 260u);
}

TEST(ParserReport, LineOfExactlyTheLimitIsNotCut) {
    std::u16string line = std::u16string(199, u'a') + u"b";
    KvParserException error(1, 199, u"b", u"M");
    EXPECT_EQ(report(error, line), "Parser exception: M!\r\n  [line:1, pos:199] " + std::string(199, 'a') + "b <<\r\n");
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
