// A heap limit for the fuzz targets that run scripts. A script may ask for
// any amount of memory (a string doubled in a loop); on a real machine that
// ends in std::bad_alloc, which the interpreter must survive. While armed,
// operator new throws std::bad_alloc once the bytes allocated since arming
// would pass the cap, so the fuzzer meets that path within its own memory
// limit instead of reporting the script's appetite as a failure.
#pragma once

#include <cstddef>

namespace kestrel::fuzz {

// Arms the cap for as long as the guard lives.
class HeapCap {
public:
    explicit HeapCap(size_t bytes);
    ~HeapCap();
    HeapCap(const HeapCap&) = delete;
    HeapCap& operator=(const HeapCap&) = delete;
};

}  // namespace kestrel::fuzz
