// Timing lines of the shell: "[label] 12 ms", "[label] 10 秒", "[label] 1分5秒".
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

// The time text: under 10 s in milliseconds, under a minute in whole
// seconds, else minutes and seconds.
std::u16string formatElapsed(int64_t milliseconds);

// Queues "[label] TIME" (with a line end when asked) and restarts the timer.
void printElapsed(int64_t& timer, bool newline, const std::u16string& label);

}  // namespace kestrel
