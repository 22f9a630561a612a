// Command-line scanning and the timing-line formats of the shell.
#include <gtest/gtest.h>

#include "shell/command_line.h"
#include "shell/elapsed.h"
#include "host/runtime_settings.h"

using namespace kestrel;

TEST(CommandLine, LastPathWinsAndWaitSwitch) {
    CommandLine line = parseCommandLine({u"-w", u"a.kv", u"b.kv"});
    EXPECT_EQ(line.scriptPath, u"b.kv");
    EXPECT_TRUE(line.waitForKey);
}

TEST(CommandLine, UnknownOptionsAreIgnoredAndNeverPaths) {
    CommandLine line = parseCommandLine({u"-x", u"a.kv", u"--frobnicate"});
    EXPECT_EQ(line.scriptPath, u"a.kv");
    EXPECT_FALSE(line.waitForKey);
    EXPECT_FALSE(line.help);
}

TEST(CommandLine, WaitAloneLeavesNoPath) {
    CommandLine line = parseCommandLine({u"-w"});
    EXPECT_TRUE(line.scriptPath.empty());
    EXPECT_TRUE(line.waitForKey);
}

TEST(CommandLine, OptionsAreComparedWhole) {
    EXPECT_FALSE(parseCommandLine({u"-wq"}).waitForKey);
    EXPECT_FALSE(parseCommandLine({u"-W"}).waitForKey);
}

TEST(CommandLine, HelpVersionQuietAndDumps) {
    EXPECT_TRUE(parseCommandLine({u"-h"}).help);
    EXPECT_TRUE(parseCommandLine({u"--help"}).help);
    EXPECT_TRUE(parseCommandLine({u"--version"}).version);
    EXPECT_TRUE(parseCommandLine({u"-q", u"x.kv"}).quiet);
    CommandLine tokens = parseCommandLine({u"--tokens", u"x.kv"});
    EXPECT_EQ(tokens.dump, DebugDump::Tokens);
    EXPECT_EQ(tokens.scriptPath, u"x.kv");
    EXPECT_EQ(parseCommandLine({u"--ast", u"x.kv"}).dump, DebugDump::Ast);
    EXPECT_EQ(parseCommandLine({u"--dis", u"x.kv"}).dump, DebugDump::Disassembly);
}

TEST(CommandLine, EverythingAfterDoubleDashBelongsToTheScript) {
    CommandLine line = parseCommandLine({u"-q", u"run.kv", u"--", u"-w", u"other.kv", u"--", u""});
    EXPECT_EQ(line.scriptPath, u"run.kv");
    EXPECT_FALSE(line.waitForKey);
    EXPECT_EQ(line.scriptArguments, (std::vector<std::u16string>{u"-w", u"other.kv", u"--", u""}));
    EXPECT_TRUE(parseCommandLine({u"run.kv", u"--"}).scriptArguments.empty());
    EXPECT_TRUE(parseCommandLine({u"--", u"a.kv"}).scriptPath.empty());
}

TEST(CommandLine, ArgumentsThatAreNotUtf8AreRefusedByPosition) {
    const char* good[] = {"kestrel", "a.kv", "\xE7\xA7\x92"};
    std::vector<std::u16string> arguments;
    std::string problem;
    ASSERT_TRUE(decodeArguments(3, good, arguments, problem));
    EXPECT_EQ(arguments, (std::vector<std::u16string>{u"a.kv", u"秒"}));

    const char* bad[] = {"kestrel", "-q", "x\xFF\\.kv"};
    arguments.clear();
    EXPECT_FALSE(decodeArguments(3, bad, arguments, problem));
    EXPECT_EQ(problem, "argument 2 is not valid UTF-8: x\\xFF\\x5C.kv");
}

TEST(Elapsed, FormatsAtEachBoundary) {
    EXPECT_EQ(formatElapsed(0), u"0 ms");
    EXPECT_EQ(formatElapsed(9999), u"9999 ms");
    EXPECT_EQ(formatElapsed(10000), u"10 秒");
    EXPECT_EQ(formatElapsed(59999), u"59 秒");
    EXPECT_EQ(formatElapsed(60000), u"1分0秒");
    EXPECT_EQ(formatElapsed(125000), u"2分5秒");
}

TEST(Version, LineAndString) {
    EXPECT_EQ(versionString(), u"0.1.0 Internal version");
    EXPECT_EQ(versionLine(), u"[Kestrel 0.1.0 Internal version]");
}
