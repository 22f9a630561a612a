// What the fuzz targets share: the runtime a script needs, set up once per
// process (output discarded, imports refused, no file ever written), the
// compile and run steps every target uses, and a check that aborts when an
// invariant breaks so that the fuzzer records the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "vm/instruction.h"

namespace kestrel::fuzz {

// Jumps and calls one run may take (run_budget.h): enough for most test
// scripts' loops, few enough that an endless loop ends within milliseconds.
constexpr int64_t kRunSteps = 4000;

// Heap a run may take before operator new fails (heap_cap.h).
constexpr size_t kRunHeapBytes = size_t{128} << 20;

// The value model and built-in functions; standard output goes to /dev/null;
// script imports fail. Idempotent.
void initRuntime();

// Aborts with `what` on standard error unless condition holds.
void require(bool condition, const char* what);

// The input's bytes decoded as a source file's would be.
std::u16string decodeInput(const uint8_t* data, size_t size);

// Parses and compiles; null on a parse or compile error.
CompiledModulePtr compileText(const std::u16string& text);

// Runs module as a new program under the run budget and waits until its
// output has been written; every value it made is released afterwards.
void runWithBudget(const CompiledModulePtr& module);

}  // namespace kestrel::fuzz
