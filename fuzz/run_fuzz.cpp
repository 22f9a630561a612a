// Fuzz target: compile a source and run it as a new program under the run
// budget, its output discarded.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::initRuntime();
    CompiledModulePtr module = fuzz::compileText(fuzz::decodeInput(data, size));
    if (module) fuzz::runWithBudget(module);
    return 0;
}
