// Builds the seed corpora of the fuzz targets from the script tests: each
// NAME.kv under the given directories is copied to OUT/scripts and, when it
// compiles, written in compiled-module form to OUT/kvc. Names are made flat
// ("dir_NAME") so that scripts of the same name in two folders both stay.
// Usage: fuzz_make_seeds OUT DIR...
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_support.h"
#include "frontend/decode.h"
#include "host/utf8.h"
#include "loader/module_cache.h"

namespace fs = std::filesystem;
using namespace kestrel;

namespace {

std::string flatName(const fs::path& file, const fs::path& root) {
    std::string name = file.lexically_relative(root).replace_extension().generic_string();
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
}

bool writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT DIR...\n", argv[0]);
        return 2;
    }
    const fs::path out(argv[1]);
    fs::create_directories(out / "scripts");
    fs::create_directories(out / "kvc");
    int copied = 0, compiled = 0;
    for (int i = 2; i < argc; ++i) {
        const fs::path root(argv[i]);
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file() || entry.path().extension() != ".kv") continue;
            const std::string name = flatName(entry.path(), root);
            fs::copy_file(entry.path(), out / "scripts" / (name + ".kv"), fs::copy_options::overwrite_existing);
            ++copied;
            CompiledModulePtr module = fuzz::compileText(readSourceFile(fromUtf8(entry.path().string())));
            if (!module) continue;
            if (!writeBytes(out / "kvc" / (name + ".kvc"), serializeModule(*module, SourceStamp{}))) return 1;
            ++compiled;
        }
    }
    std::fprintf(stderr, "%d scripts, %d compiled modules\n", copied, compiled);
    return 0;
}
