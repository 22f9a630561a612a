// Fuzz target: decode, parse, resolve names and generate code. Whatever the
// compiler makes must pass the verifier that guards compiled-module files,
// and must survive a trip through that file format.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "loader/module_cache.h"
#include "loader/module_verifier.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CompiledModulePtr module = fuzz::compileText(fuzz::decodeInput(data, size));
    if (!module) return 0;
    fuzz::require(verifyModule(*module), "compiled code fails verification");
    SourceStamp stamp{1, 2, static_cast<int64_t>(size)};
    CompiledModule reread;
    SourceStamp rereadStamp;
    fuzz::require(deserializeModule(serializeModule(*module, stamp), reread, rereadStamp),
                  "compiled code does not read back from its file form");
    fuzz::require(rereadStamp == stamp, "source stamp changed on the way through the file");
    fuzz::require(reread.code.size() == module->code.size(), "instruction count changed in the file form");
    return 0;
}
