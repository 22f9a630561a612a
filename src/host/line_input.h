// Reading text lines from a stream with a bound on their length, so input
// that never ends a line (a device, a binary file) cannot take all memory.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace kestrel {

// The longest line the interactive reader takes: 1 MB.
constexpr size_t kMaxInputLineBytes = size_t{1} << 20;

enum class LineRead {
    Line,     // line holds the next line, without its "\n" or "\r\n"
    End,      // end of input (or a read error) before any character
    TooLong,  // more than maxBytes before a line end; line is empty and the
              // stream stands somewhere inside that line
};

// Reads the next line of in. A last line without a line end is a line.
LineRead readBoundedLine(std::FILE* in, std::string& line, size_t maxBytes = kMaxInputLineBytes);

}  // namespace kestrel
