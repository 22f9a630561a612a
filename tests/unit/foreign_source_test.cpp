// A module name with an extension other than ".kv" or ".kvc" may name a
// source file itself ("Simple.txt"); ".kv" and ".kvc" beside it come first.
#include <gtest/gtest.h>

#include "loader/module_path.h"
#include "temp_file_util.h"

using namespace kestrel;
using kestrel::testing::ScratchDirectory;

TEST(ForeignExtension, WhatCountsAsOne) {
    EXPECT_TRUE(hasForeignExtension(u"Simple.txt"));
    EXPECT_TRUE(hasForeignExtension(u"dir.d/prog.script"));
    EXPECT_FALSE(hasForeignExtension(u"prog.kv"));
    EXPECT_FALSE(hasForeignExtension(u"prog.kvc"));
    EXPECT_FALSE(hasForeignExtension(u"prog"));
    EXPECT_FALSE(hasForeignExtension(u"dir.d/prog"));
    EXPECT_FALSE(hasForeignExtension(u".hidden"));
    EXPECT_FALSE(hasForeignExtension(u"dir/.hidden"));
    EXPECT_FALSE(hasForeignExtension(u"trailing."));
}

TEST(ForeignExtension, AnExistingFileIsASource) {
    ScratchDirectory scratch;
    scratch.write("tour.txt", "print(1)\n");
    scratch.write("plain", "print(2)\n");
    ModuleFile found;
    ASSERT_TRUE(findModuleFile(u"", u"tour.txt", {scratch.path()}, found));
    EXPECT_EQ(found.path, scratch.pathOf("tour.txt"));
    EXPECT_EQ(found.kind, ModuleFileKind::Source);
    // Without an extension the name is still only a ".kv"/".kvc" base name.
    EXPECT_FALSE(findModuleFile(u"", u"plain", {scratch.path()}, found));
    EXPECT_FALSE(findModuleFile(u"", u"absent.txt", {scratch.path()}, found));
}

TEST(ForeignExtension, OurExtensionsComeFirst) {
    ScratchDirectory scratch;
    scratch.write("x.txt", "print(1)\n");
    scratch.write("x.txt.kv", "print(2)\n");
    ModuleFile found;
    ASSERT_TRUE(findModuleFile(u"", u"x.txt", {scratch.path()}, found));
    EXPECT_EQ(found.path, scratch.pathOf("x.txt.kv"));
}
