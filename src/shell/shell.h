// Running one script file, and the program's handling of memory exhaustion;
// the interactive mode is in prompt.h.
#pragma once

#include <functional>
#include <string>

#include "host/memory_limit.h"

namespace kestrel {

// What the program says when memory runs out, on the standard error stream.
constexpr const char* kOutOfMemoryMessage = kOutOfMemoryReport;

// The one place where running out of memory is handled: runs body and
// returns its exit status; when memory runs out anywhere below (the value
// pool or any other allocation throws std::bad_alloc), whatever was printed
// is flushed, the message goes to standard error and the status is 1. A
// string too long to make outside any script run is reported the same way.
int runReportingOutOfMemory(const std::function<int()>& body);

// Runs one script file. Returns the process exit status: 1 when the file
// cannot be loaded, compiled or ends in an uncaught exception, else 0.
int runScriptFile(const std::u16string& path, bool waitOnFailure);

// Waits for a printable key followed by Enter (white space is skipped).
void waitForKey();

}  // namespace kestrel
