// Whole-file reading for every file the program reads (sources, compiled
// modules, JSON). Only regular files are read, and never more than a stated
// limit, so a directory, a device or a FIFO at a path reads as "absent"
// instead of blocking or exhausting memory.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kestrel {

// True when a regular file (not a directory or device) is at the path.
bool isRegularFile(const std::u16string& path);

// Upper bound on the size of a file read whole: 1 GiB.
constexpr size_t kMaxFileBytes = size_t{1} << 30;

// The whole regular file, or nothing when the path is not a regular file,
// is larger than maxBytes, or cannot be opened or read to its end.
std::optional<std::string> readFileBytes(const std::u16string& path, size_t maxBytes = kMaxFileBytes);

}  // namespace kestrel
