// The prompt's pieces without a terminal: what a typed line asks for, when
// an entry continues on the next line, which entries show their value, and
// the bounded reading of input lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host/line_input.h"
#include "parser/parse_source.h"
#include "shell/interactive_program.h"
#include "shell/prompt.h"

using namespace kestrel;

namespace {

PromptCommand classify(const std::u16string& line, std::u16string* file = nullptr) {
    std::u16string named;
    PromptCommand command = classifyPromptLine(line, named);
    if (file) *file = named;
    return command;
}

// Whether the entry's last statement became a return of its value.
bool echoes(const std::u16string& source) {
    ParseOutcome parsed = parseSourceText(source);
    EXPECT_TRUE(parsed.ok) << "does not parse";
    return parsed.ok && returnLastExpression(parsed.root);
}

// A stream over bytes, read from the start.
std::FILE* streamOf(const std::string& bytes) {
    std::FILE* file = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    return file;
}

}  // namespace

TEST(PromptCommands, ExitWordsAreExactAndCaseSensitive) {
    EXPECT_EQ(classify(u"exit"), PromptCommand::Exit);
    EXPECT_EQ(classify(u"quit"), PromptCommand::Exit);
    EXPECT_EQ(classify(u"退出"), PromptCommand::Exit);
    EXPECT_EQ(classify(u"  exit \r"), PromptCommand::Exit);
    EXPECT_EQ(classify(u"Exit"), PromptCommand::Source);
    EXPECT_EQ(classify(u"exit()"), PromptCommand::Source);
    EXPECT_EQ(classify(u"exits"), PromptCommand::Source);
}

TEST(PromptCommands, EmptyLinesRunTheTestPass) {
    EXPECT_EQ(classify(u""), PromptCommand::TestPass);
    EXPECT_EQ(classify(u"  \t"), PromptCommand::TestPass);
}

TEST(PromptCommands, SampleWordsNameSimpleTxt) {
    for (const char16_t* word : {u"Simple", u"simple", u"示例", u"例子"}) {
        std::u16string file;
        EXPECT_EQ(classify(word, &file), PromptCommand::Sample);
        EXPECT_EQ(file, u"Simple.txt");
    }
    EXPECT_EQ(classify(u"SIMPLE"), PromptCommand::Source);
    EXPECT_EQ(classify(u"Simple()"), PromptCommand::Source);
}

TEST(PromptCommands, LoadNamesTheRestOfTheLine) {
    std::u16string file;
    EXPECT_EQ(classify(u"load examples/hello.kv", &file), PromptCommand::Load);
    EXPECT_EQ(file, u"examples/hello.kv");
    EXPECT_EQ(classify(u"  load   a b.kv  ", &file), PromptCommand::Load);
    EXPECT_EQ(file, u"a b.kv");
    EXPECT_EQ(classify(u"load ", &file), PromptCommand::Source);  // the name "load", nothing to load
    // Source text that merely mentions the word stays source text.
    EXPECT_EQ(classify(u"print(\"load me\")"), PromptCommand::Source);
    EXPECT_EQ(classify(u"loader = 1"), PromptCommand::Source);
}

TEST(PromptContinuation, CountsBracketsOutsideStringsAndComments) {
    EXPECT_EQ(openBracketDepth(u"print(1)"), 0);
    EXPECT_EQ(openBracketDepth(u"func f(a) {"), 1);
    EXPECT_EQ(openBracketDepth(u"var m = {a: [1,"), 2);
    EXPECT_EQ(openBracketDepth(u"func f(a) {\n  return a\n}"), 0);
    EXPECT_EQ(openBracketDepth(u"print(\"{[(\")"), 0);
    EXPECT_EQ(openBracketDepth(u"var x = 1 // {"), 0);
    EXPECT_EQ(openBracketDepth(u"}"), -1);  // too many closed: no continuation, a parse error
    // Full-width punctuation counts as its ASCII counterpart.
    EXPECT_EQ(openBracketDepth(u"函数 甲（） ｛"), 1);
    EXPECT_EQ(openBracketDepth(u"【1，2】"), 0);
}

TEST(PromptEcho, ExpressionsShowTheirValue) {
    EXPECT_TRUE(echoes(u"1 + 2"));
    EXPECT_TRUE(echoes(u"x"));
    EXPECT_TRUE(echoes(u"f(1).g"));
    EXPECT_TRUE(echoes(u"[1, 2]"));
    EXPECT_TRUE(echoes(u"a ? b : c"));
    EXPECT_TRUE(echoes(u"var y = 1; y * 2"));  // the last statement decides
    EXPECT_TRUE(echoes(u"isList(x)"));
}

TEST(PromptEcho, StatementsAndPrintingShowNothing) {
    EXPECT_FALSE(echoes(u"var x = 1"));
    EXPECT_FALSE(echoes(u"x = 2"));
    EXPECT_FALSE(echoes(u"x += 2"));
    EXPECT_FALSE(echoes(u"x++"));
    EXPECT_FALSE(echoes(u"func f() { return 1 }"));
    EXPECT_FALSE(echoes(u"class C { }"));
    EXPECT_FALSE(echoes(u"if (x) { 1 }"));
    EXPECT_FALSE(echoes(u"print(1)"));
    EXPECT_FALSE(echoes(u"enablePrint(true)"));
    EXPECT_FALSE(echoes(u"2; var z = 3"));
    EXPECT_FALSE(echoes(u""));
}

TEST(BoundedLines, LinesWithoutTheirEnds) {
    std::FILE* in = streamOf("one\r\ntwo\n\nlast");
    std::string line;
    EXPECT_EQ(readBoundedLine(in, line), LineRead::Line);
    EXPECT_EQ(line, "one");
    EXPECT_EQ(readBoundedLine(in, line), LineRead::Line);
    EXPECT_EQ(line, "two");
    EXPECT_EQ(readBoundedLine(in, line), LineRead::Line);
    EXPECT_EQ(line, "");
    EXPECT_EQ(readBoundedLine(in, line), LineRead::Line);
    EXPECT_EQ(line, "last");
    EXPECT_EQ(readBoundedLine(in, line), LineRead::End);
    EXPECT_EQ(readBoundedLine(in, line), LineRead::End);
    std::fclose(in);
}

TEST(BoundedLines, TheBoundIsInclusive) {
    std::FILE* in = streamOf("abcd\nabcde\nok\n");
    std::string line;
    EXPECT_EQ(readBoundedLine(in, line, 4), LineRead::Line);
    EXPECT_EQ(line, "abcd");
    EXPECT_EQ(readBoundedLine(in, line, 4), LineRead::TooLong);
    EXPECT_TRUE(line.empty());
    std::fclose(in);
}

TEST(BoundedLines, EndlessInputStopsAtTheBound) {
    std::FILE* in = std::fopen("/dev/zero", "rb");
    ASSERT_NE(in, nullptr);
    std::string line;
    EXPECT_EQ(readBoundedLine(in, line), LineRead::TooLong);
    EXPECT_LE(line.capacity(), kMaxInputLineBytes);
    std::fclose(in);
}
