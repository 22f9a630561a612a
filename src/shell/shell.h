// The two ways the program runs: one script file, or the module test loop
// behind the interactive banner.
#pragma once

#include <functional>
#include <string>

namespace kestrel {

// What the program says when memory runs out, on the standard error stream.
constexpr const char* kOutOfMemoryMessage = "out of memory";

// The one place where running out of memory is handled: runs body and
// returns its exit status; when memory runs out anywhere below (the value
// pool or any other allocation throws std::bad_alloc), whatever was printed
// is flushed, the message goes to standard error and the status is 1.
int runReportingOutOfMemory(const std::function<int()>& body);

// Runs one script file. Returns the process exit status: 1 when the file
// cannot be loaded, compiled or ends in an uncaught exception, else 0.
int runScriptFile(const std::u16string& path, bool waitOnFailure);

// Shows the banner and the prompt, then runs the module test loop.
int runInteractive();

// Runs test/standard-module-test once per line typed; ends at end of input.
int runModuleTestLoop();

// Waits for a printable key followed by Enter (white space is skipped).
void waitForKey();

}  // namespace kestrel
