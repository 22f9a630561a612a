// Module loading: one record per file whatever name reached it, the
// two-second change check, the ".kvc" cache written, reused, rewritten and
// refused, compiled-only modules, and errors reported once.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "compile_test_util.h"
#include "temp_file_util.h"
#include "loader/module_cache.h"
#include "loader/module_loader.h"

namespace kestrel::testing {
namespace {

class ModuleLoading : public ::testing::Test {
protected:
    ModuleManager makeManager() {
        return ModuleManager([this] { return std::vector<std::u16string>{searchDirectory_}; },
                             [this] { return now_; },
                             [this](const std::u16string& report) { reports_.push_back(toUtf8(report)); });
    }
    std::string fileBytes(const std::string& name) {
        std::ifstream in(toUtf8(directory_.pathOf(name)), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static std::string listing(const ModuleRecord* record) {
        return record && record->code ? instructions(*record->code) : "none";
    }
    std::u16string dir() { return directory_.path() + u"/"; }

    ScratchDirectory directory_;
    std::u16string searchDirectory_;
    int64_t now_ = 100000;
    std::vector<std::string> reports_;
};

TEST_F(ModuleLoading, OneFileIsOneModuleWhateverNameReachedIt) {
    directory_.write("other.kv", "var x = 1");
    ModuleManager manager = makeManager();
    ModuleRecord* plain = manager.load(dir(), u"other");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(manager.load(dir(), u"other.kv"), plain);
    EXPECT_EQ(manager.load(dir(), u"./other.kv"), plain);
    EXPECT_EQ(manager.load(u"", directory_.pathOf("other")), plain);
    EXPECT_EQ(manager.moduleCount(), 1u);
    EXPECT_EQ(plain->kind, ModuleFileKind::Source);
    EXPECT_EQ(plain->directory, dir());
    EXPECT_EQ(listing(plain), "PushInt 1+; StoreLocal 0");
}

TEST_F(ModuleLoading, SearchDirectoriesAreTriedAfterTheCallersDirectory) {
    directory_.write("lib.kv", "var y = 2");
    searchDirectory_ = dir();
    ModuleManager manager = makeManager();
    EXPECT_NE(manager.load(u"/nonexistent/", u"lib"), nullptr);
    EXPECT_EQ(manager.load(u"/nonexistent/", u"missing"), nullptr);
    EXPECT_TRUE(reports_.empty());
}

TEST_F(ModuleLoading, CacheIsWrittenBesideTheSourceAndReusedWhileItMatches) {
    std::u16string source = directory_.write("m.kv", "var a = 123456789012");
    ModuleManager first = makeManager();
    ASSERT_NE(first.load(dir(), u"m"), nullptr);
    SourceStamp stamp;
    ASSERT_TRUE(readSourceStamp(source, stamp));
    ASSERT_NE(readModuleCache(source + u"c", &stamp), nullptr);

    // A cache made from this very source is used as it stands: swap in other code to see it.
    Compiled other = compileUtf8("var b = 7");
    ASSERT_TRUE(writeModuleCache(source + u"c", other.module, stamp));
    ModuleManager second = makeManager();
    EXPECT_EQ(listing(second.load(dir(), u"m")), "PushInt 7+; StoreLocal 0");
}

TEST_F(ModuleLoading, ChangesAreSeenAfterTwoSecondsAndTheCacheRewritten) {
    std::u16string source = directory_.write("m.kv", "var a = 1");
    ModuleManager manager = makeManager();
    EXPECT_EQ(listing(manager.load(dir(), u"m")), "PushInt 1+; StoreLocal 0");
    directory_.write("m.kv", "var a = 22");
    now_ += 1000;
    EXPECT_EQ(listing(manager.load(dir(), u"m")), "PushInt 1+; StoreLocal 0");  // within two seconds
    now_ += 1500;
    EXPECT_EQ(listing(manager.load(dir(), u"m")), "PushInt 22+; StoreLocal 0");
    SourceStamp stamp;
    ASSERT_TRUE(readSourceStamp(source, stamp));
    CompiledModulePtr cached = readModuleCache(source + u"c", &stamp);
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(instructions(*cached), "PushInt 22+; StoreLocal 0");
}

TEST_F(ModuleLoading, CorruptedOrForeignCacheIsIgnoredAndRewritten) {
    directory_.write("m.kv", "var a = 3");
    directory_.write("m.kvc", "KESTKVC\x1a garbage that is not a module");
    ModuleManager manager = makeManager();
    EXPECT_EQ(listing(manager.load(dir(), u"m")), "PushInt 3+; StoreLocal 0");
    EXPECT_EQ(fileBytes("m.kvc").substr(0, 7), "KESTKVC");
    ModuleManager again = makeManager();
    EXPECT_EQ(listing(again.load(dir(), u"m")), "PushInt 3+; StoreLocal 0");
    EXPECT_TRUE(reports_.empty());
}

TEST_F(ModuleLoading, CompiledOnlyModuleRunsFromItsFile) {
    Compiled compiled = compileUtf8("var c = 5");
    ASSERT_TRUE(compiled.ok);
    ASSERT_TRUE(writeModuleCache(directory_.pathOf("only.kvc"), compiled.module, SourceStamp{1, 2, 3}));
    ModuleManager manager = makeManager();
    ModuleRecord* record = manager.load(dir(), u"only");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->kind, ModuleFileKind::CompiledOnly);
    EXPECT_EQ(listing(record), "PushInt 5+; StoreLocal 0");

    directory_.write("broken.kvc", fileBytes("only.kvc").substr(0, 40));
    EXPECT_EQ(manager.load(dir(), u"broken"), nullptr);
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_NE(reports_[0].find("Invalid compiled module"), std::string::npos);
}

TEST_F(ModuleLoading, CompileErrorsAreReportedOnceInTheParseReportForm) {
    std::u16string source = directory_.write("bad.kv", "var a = 1\nx = (1, 2)\n");
    ModuleManager manager = makeManager();
    EXPECT_EQ(manager.load(dir(), u"bad"), nullptr);
    now_ += 5000;
    EXPECT_EQ(manager.load(dir(), u"bad"), nullptr);
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0], "Parser exception: Unknow token \"()\"!(\"" + toUtf8(source) +
                               "\")\r\n  [line:2, pos:4] x = ( <<\r\n");
    EXPECT_TRUE(fileBytes("bad.kvc").empty());  // nothing cached for a module that does not compile

    directory_.write("bad.kv", "var a = (1)\n");
    now_ += 5000;
    EXPECT_NE(manager.load(dir(), u"bad"), nullptr);
}

TEST_F(ModuleLoading, ParseErrorsNameTheFile) {
    std::u16string source = directory_.write("p.kv", "var = \n");
    ModuleManager manager = makeManager();
    EXPECT_EQ(manager.load(dir(), u"p"), nullptr);
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_NE(reports_[0].find("(\"" + toUtf8(source) + "\")"), std::string::npos) << reports_[0];
}

}  // namespace
}  // namespace kestrel::testing
