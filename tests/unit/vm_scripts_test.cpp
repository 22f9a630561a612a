// Every script under tests/scripts with an expected output runs through the
// compiler and the machine here: same output, the uncaught-exception status
// from NAME.status, and every value it created released afterwards.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "vm_script_support.h"

namespace kestrel::testing {
namespace {

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string withoutTrailingNewlines(std::string text) {
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

std::vector<std::filesystem::path> scriptsWithExpectedOutput() {
    std::vector<std::filesystem::path> scripts;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("../scripts")) {
        const auto& path = entry.path();
        if (path.extension() != ".kv") continue;
        if (std::filesystem::exists(std::filesystem::path(path).replace_extension(".out"))) {
            scripts.push_back(path);
        }
    }
    std::sort(scripts.begin(), scripts.end());
    return scripts;
}

TEST(VmScripts, EveryScriptGivesItsExpectedOutputAndReleasesItsValues) {
    auto scripts = scriptsWithExpectedOutput();
    ASSERT_FALSE(scripts.empty());
    for (const auto& script : scripts) {
        SCOPED_TRACE(script.string());
        auto base = std::filesystem::path(script);
        std::string expected = readText(base.replace_extension(".out"));
        bool expectRaised = std::filesystem::exists(base.replace_extension(".status"));
        std::filesystem::remove(std::filesystem::path(script).replace_extension(".kvc"));
        for (const char* pass : {"from source", "from its cache"}) {
            SCOPED_TRACE(pass);
            ScriptRun run = runScript(script);
            EXPECT_TRUE(run.compiled);
            EXPECT_EQ(run.raised, expectRaised);
            EXPECT_EQ(withoutTrailingNewlines(run.output), withoutTrailingNewlines(expected));
            EXPECT_EQ(run.leakedValues, 0);
        }
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(script).replace_extension(".kvc")));
    }
}

}  // namespace
}  // namespace kestrel::testing
