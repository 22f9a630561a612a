// Parsing files by path: the tree listing of "--ast", the failure report that
// names the file, unreadable paths, and an empty file as an empty program.
#include <gtest/gtest.h>

#include "loader/source_file.h"
#include "temp_file_util.h"

namespace kestrel::testing {
namespace {

TEST(ParserFile, AstListingOfAFile) {
    ScratchDirectory dir;
    std::u16string path = dir.write("ok.kv", "var a = 1\nprint(a + 2)\n");
    std::string out;
    std::u16string report;
    EXPECT_EQ(dumpAstOfFile(path, out, report), 0);
    EXPECT_TRUE(report.empty());
    EXPECT_EQ(out,
              "Program line:0\n"
              "  VarDefine name=a line:1\n"
              "    Number \"1\" line:1\n"
              "  VarPipe line:2\n"
              "    Var \"print\" line:2\n"
              "    Parens \"(\" line:2\n"
              "      NumberOp \"+\" line:2\n"
              "        Var \"a\" line:2\n"
              "        Number \"2\" line:2\n");
}

TEST(ParserFile, FailureReportNamesTheFile) {
    ScratchDirectory dir;
    std::u16string path = dir.write("bad.kv", "var a = 1\nif (a) {\n");
    std::string out;
    std::u16string report;
    EXPECT_EQ(dumpAstOfFile(path, out, report), 1);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(toUtf8(report), "Parser exception: Not found end symbol \"}\"!(\"" + toUtf8(path) +
                                  "\")\r\n  [line:3, pos:8] if (a) {\\n <<\r\n");
}

TEST(ParserFile, UnreadablePathAndEmptyFile) {
    ScratchDirectory dir;
    std::u16string missing = dir.pathOf("missing.kv");
    SourceFileParse parse = parseSourceFile(missing);
    EXPECT_FALSE(parse.readable);
    EXPECT_FALSE(parse.outcome.ok);
    EXPECT_EQ(toUtf8(sourceFileErrorReport(parse, missing)), "Can't read file \"" + toUtf8(missing) + "\"\r\n");

    SourceFileParse empty = parseSourceFile(dir.write("empty.kv", ""));
    EXPECT_TRUE(empty.readable);
    ASSERT_TRUE(empty.outcome.ok);
    EXPECT_TRUE(empty.outcome.root->payloadAs<KvAstList>()->items.empty());

    SourceFileParse markOnly = parseSourceFile(dir.write("bom.kv", "\xEF\xBB\xBF"));
    EXPECT_TRUE(markOnly.readable);
    EXPECT_TRUE(markOnly.outcome.ok);

    // A directory, or any path that yields no text though it is not an empty
    // file, is reported rather than run as an empty program.
    SourceFileParse directory = parseSourceFile(dir.pathOf(""));
    EXPECT_FALSE(directory.readable);
}

}  // namespace
}  // namespace kestrel::testing
