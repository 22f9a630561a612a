// A stand-in for libFuzzer's driver, so that the fuzz targets build with any
// compiler and run in the test suite: every file named on the command line,
// and every file under each directory named (in name order), is handed to
// the target once. Exits 0 when all ran, 1 when an argument can't be read.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

bool runFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "can't read %s\n", path.c_str());
        return false;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, so a read past its end is seen.
    std::vector<uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.data(), input.size());
    return true;
}

// The regular files under dir, sorted so that every run takes the same order.
std::vector<fs::path> filesUnder(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    size_t ran = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        const fs::path arg(argv[i]);
        if (fs::is_directory(arg, error)) {
            for (const fs::path& file : filesUnder(arg)) {
                ok = runFile(file) && ok;
                ++ran;
            }
        } else {
            ok = runFile(arg) && ok;
            ++ran;
        }
    }
    std::fprintf(stderr, "%zu inputs run\n", ran);
    return ok ? 0 : 1;
}
