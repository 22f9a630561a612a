// Every script under tests/scripts lists as a tree with --ast, unless its
// expected output shows that it is meant to fail parsing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/utf8.h"
#include "loader/source_file.h"

namespace kestrel {
namespace {

std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

TEST(ParserScripts, EveryScriptListsAsATree) {
    const std::filesystem::path root = "../scripts";
    if (!std::filesystem::is_directory(root)) GTEST_SKIP() << "no script directory";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.path().extension() != ".kv") continue;
        std::filesystem::path expected = entry.path();
        expected.replace_extension(".out");
        if (std::filesystem::exists(expected) && readAll(expected).find("Parser exception") != std::string::npos)
            continue;
        std::string out;
        std::u16string report;
        EXPECT_EQ(dumpAstOfFile(fromUtf8(entry.path().string()), out, report), 0)
            << entry.path() << "\n" << toUtf8(report);
        EXPECT_EQ(out.rfind("Program", 0), 0u) << entry.path();
    }
}

}  // namespace
}  // namespace kestrel
