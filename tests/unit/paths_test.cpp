// Path parsing, parents, and the directory table's upward search for the
// project marker.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "host/utf8.h"
#include "host/path_parts.h"
#include "host/runtime_paths.h"

using namespace kestrel;
namespace fs = std::filesystem;

TEST(PathParts, ParentsWalkUpToTheTop) {
    EXPECT_EQ(PathParts(u"D:/a/b").parent(), u"D:/a");
    EXPECT_EQ(PathParts(u"D:/a").parent(), u"");
    EXPECT_EQ(PathParts(u"/home/user").parent(), u"/home");
    EXPECT_EQ(PathParts(u"/home/user/").parent(), u"/home");
    EXPECT_EQ(PathParts(u"/home").parent(), u"/");
    EXPECT_EQ(PathParts(u"/").parent(), u"");
    EXPECT_EQ(PathParts(u"a/b//c").parent(), u"a/b");
    EXPECT_EQ(PathParts(u"name").parent(), u"");
    EXPECT_EQ(PathParts(u"").parent(), u"");
}

TEST(PathParts, NormalisesBackslashesBeforeTheQuery) {
    PathParts parsed(u"  C:\\work\\dir?x=\\y \t");
    EXPECT_EQ(parsed.text(), u"C:/work/dir?x=\\y");
    EXPECT_TRUE(parsed.absolute());
    EXPECT_EQ(parsed.query(), u"x=\\y");
    EXPECT_EQ(parsed.parent(), u"C:/work");
}

TEST(PathParts, UrlsAndRelativePaths) {
    PathParts url(u"http://host");
    EXPECT_EQ(url.text(), u"http://host/");
    EXPECT_EQ(url.scheme(), u"http");
    EXPECT_EQ(url.authority(), u"host");
    EXPECT_TRUE(url.absolute());
    EXPECT_EQ(PathParts(u"http://host/a/b").parent(), u"http://host/a");
    PathParts relative(u"lib/x.kv");
    EXPECT_FALSE(relative.absolute());
    EXPECT_EQ(relative.pathStart(), 0u);
}

class ProjectSearch : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("kestrel-paths-" + std::to_string(::getpid()));
        fs::create_directories(root / "proj" / "sub" / "deeper");
    }
    void TearDown() override { fs::remove_all(root); }
    std::u16string u16(const fs::path& p) { return fromUtf8(p.string()); }
    fs::path root;
};

TEST_F(ProjectSearch, MarkerInAParentMakesThatTheProject) {
    std::ofstream(root / "proj" / "config.json") << "{}";
    auto paths = RuntimePaths::build(u16(root / "proj" / "sub" / "deeper"), u"/opt/k/kestrel", u"/tmp");
    EXPECT_EQ(paths.projectDirectory, u16(root / "proj") + u"/");
    EXPECT_EQ(paths.projectLibraryDirectory, u16(root / "proj") + u"/lib/");
    EXPECT_EQ(paths.workingDirectory, u16(root / "proj" / "sub" / "deeper") + u"/");
    EXPECT_EQ(paths.executableDirectory, u"/opt/k/");
    EXPECT_EQ(paths.executableLibraryDirectory, u"/opt/k/lib/");
    EXPECT_EQ(paths.temporaryDirectory, u"/tmp/");
}

TEST_F(ProjectSearch, NoMarkerMeansTheWorkingDirectory) {
    auto paths = RuntimePaths::build(u16(root / "proj" / "sub"), u"", u"/tmp/");
    EXPECT_EQ(paths.projectDirectory, paths.workingDirectory);
    EXPECT_TRUE(paths.executableDirectory.empty());
    EXPECT_TRUE(paths.executableLibraryDirectory.empty());
}
