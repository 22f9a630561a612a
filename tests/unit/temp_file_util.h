// A scratch directory for tests that need files on disk; it is removed with
// everything in it when the fixture object goes away.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "host/utf8.h"

namespace kestrel::testing {

class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // Writes `bytes` to NAME inside the directory and returns its UTF-16 path.
    std::u16string write(const std::string& name, const std::string& bytes) const {
        std::filesystem::path file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return fromUtf8(file.string());
    }
    std::u16string pathOf(const std::string& name) const { return fromUtf8((path_ / name).string()); }
    std::u16string path() const { return fromUtf8(path_.string()); }

private:
    std::filesystem::path path_;
};

}  // namespace kestrel::testing
