// Module names to files: extensions, "./" names, search order, and one key
// per file whatever name reached it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "host/utf8.h"
#include "loader/module_path.h"

using namespace kestrel;
namespace fs = std::filesystem;

class ModulePath : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("kestrel-modpath-" + std::to_string(::getpid()));
        fs::create_directories(root / "app" / "lib");
        fs::create_directories(root / "search");
        touch(root / "app" / "other.kv");
        touch(root / "app" / "lib" / "util.kv");
        touch(root / "search" / "shared.kv");
        touch(root / "search" / "cached.kvc");
    }
    void TearDown() override { fs::remove_all(root); }
    static void touch(const fs::path& p) { std::ofstream(p) << ""; }
    std::u16string dir(const fs::path& p) { return fromUtf8(p.string()) + u"/"; }
    fs::path root;
};

TEST_F(ModulePath, SameFileSameKeyWhateverTheName) {
    ModuleFile a, b, c;
    std::u16string app = dir(root / "app");
    ASSERT_TRUE(findModuleFile(app, u"other", {}, a));
    ASSERT_TRUE(findModuleFile(app, u"other.kv", {}, b));
    ASSERT_TRUE(findModuleFile(app, u"./other.kv", {}, c));
    EXPECT_EQ(a.key, b.key);
    EXPECT_EQ(a.key, c.key);
    EXPECT_EQ(a.kind, ModuleFileKind::Source);
    EXPECT_EQ(a.path, app + u"other.kv");
}

TEST_F(ModulePath, SearchDirectoriesAfterTheCaller) {
    ModuleFile found;
    std::vector<std::u16string> search{dir(root / "nowhere"), dir(root / "search")};
    ASSERT_TRUE(findModuleFile(dir(root / "app"), u"shared", search, found));
    EXPECT_EQ(found.path, dir(root / "search") + u"shared.kv");
    ASSERT_TRUE(findModuleFile(dir(root / "app"), u"lib/util", search, found));
    EXPECT_FALSE(findModuleFile(dir(root / "app"), u"absent", search, found));
}

TEST_F(ModulePath, CompiledOnlyModules) {
    ModuleFile found;
    ASSERT_TRUE(findModuleFile(u"", u"cached", {dir(root / "search")}, found));
    EXPECT_EQ(found.kind, ModuleFileKind::CompiledOnly);
    EXPECT_EQ(found.path, dir(root / "search") + u"cached.kvc");
}

TEST_F(ModulePath, DotSlashWithoutCallerIsTheWorkingDirectory) {
    auto saved = fs::current_path();
    fs::current_path(root / "app");
    ModuleFile found;
    bool ok = findModuleFile(u"", u"./other.kv", {}, found);
    fs::current_path(saved);
    ASSERT_TRUE(ok);
    EXPECT_EQ(found.key, fromUtf8(fs::canonical(root / "app" / "other.kv").string()));
}

TEST_F(ModulePath, AbsoluteNamesAndDirectories) {
    ModuleFile found;
    std::u16string absolute = dir(root / "app") + u"other";
    ASSERT_TRUE(findModuleFile(u"/elsewhere/", absolute, {}, found));
    EXPECT_EQ(moduleBaseName(u"a/b.kv"), u"a/b");
    EXPECT_EQ(moduleBaseName(u"a/b.kvc"), u"a/b");
    // Only a trailing extension counts: an inner ".kv" is part of the name.
    EXPECT_EQ(moduleBaseName(u"y.kvz.kv"), u"y.kvz");
    EXPECT_EQ(moduleBaseName(u"a.kv/b"), u"a.kv/b");
    EXPECT_EQ(moduleBaseName(u"notes.kvx"), u"notes.kvx");
    EXPECT_EQ(directoryOf(u"/x/y/z.kv"), u"/x/y/");
    EXPECT_EQ(directoryOf(u"z.kv"), u"");
    EXPECT_FALSE(findModuleFile(u"", u"", {}, found));
}
