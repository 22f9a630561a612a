// The token listing: its line format, escaping, the source spelling, and the
// exit status for unreadable files.
#include <gtest/gtest.h>

#include "frontend/keyword_map.h"
#include "frontend/token_dump.h"
#include "temp_file_util.h"

using namespace kestrel;
using kestrel::testing::ScratchDirectory;

TEST(TokenDump, ListsOneTokenALine) {
    ScratchDirectory dir;
    std::string out;
    EXPECT_EQ(dumpTokens(dir.write("a.kv", "\xEF\xBB\xBFx = \"a\\tb\"\n打印（1）"), out), 0);
    EXPECT_EQ(out,
              "Identifier \"x\" 1 0 1\n"
              "Operator \"=\" 1 2 3\n"
              "String \"a\\tb\" 1 5 9\n"
              "Newline \"\\n\" 2 10 11\n"
              "Identifier \"打印\" 2 11 13\n"
              "OpenBracket \"(\" 2 13 14\n"
              "Number \"1\" 2 14 15\n"
              "CloseBracket \")\" 2 15 16\n");
}

TEST(TokenDump, EscapesQuotesControlsAndLoneSurrogates) {
    std::u16string text = u"q\"\\\x01";
    text += char16_t(0xD800);
    text += u"\U0001F600";
    TokenList tokens;
    tokens.append(TokenKind::String, text, 0, 0, 1);
    EXPECT_EQ(describeToken(tokens, tokens[0]), "String \"q\\\"\\\\\\x01\\uD800\xF0\x9F\x98\x80\" 1 0 0");
}

TEST(TokenDump, ShowsTheSourceSpellingOfMappedWords) {
    keywordMap().insert(u"如果", u"if");
    ScratchDirectory dir;
    std::string out;
    EXPECT_EQ(dumpTokens(dir.write("k.kv", "如果"), out), 0);
    keywordMap().clear();
    EXPECT_EQ(out, "Keyword \"if\" 1 0 2 \"如果\"\n");
}

TEST(TokenDump, UnreadableAndEmptyFiles) {
    ScratchDirectory dir;
    std::string out;
    EXPECT_EQ(dumpTokens(dir.pathOf("missing.kv"), out), 1);
    EXPECT_NE(out.find("missing.kv"), std::string::npos);
    out.clear();
    EXPECT_EQ(dumpTokens(dir.write("empty.kv", ""), out), 0);
    EXPECT_EQ(out, "");
}
