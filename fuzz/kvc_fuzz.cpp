// Fuzz target: the compiled-module file reader and verifier. The input is a
// ".kvc" file whose trailing checksum is recomputed first (the fuzzer would
// otherwise never get past it). A module the reader accepts must write out
// and read back again, and must run safely: that is what verification
// promises of hostile files.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "loader/cache_format.h"
#include "loader/module_cache.h"

using namespace kestrel;

namespace {

// The bytes with their last checksum-sized part replaced by the checksum of the rest.
std::string withChecksum(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.size() < cache::kChecksumSize) return bytes;
    const size_t body = bytes.size() - cache::kChecksumSize;
    uint64_t sum = cache::checksum(bytes.data(), body);
    for (size_t i = 0; i < cache::kChecksumSize; ++i) bytes[body + i] = static_cast<char>((sum >> (8 * i)) & 0xFF);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::initRuntime();
    auto module = std::make_shared<CompiledModule>();
    SourceStamp stamp;
    if (!deserializeModule(withChecksum(data, size), *module, stamp)) {
        fuzz::require(module->code.empty() && module->scopes.empty(), "a refused file left a half-read module");
        return 0;
    }
    CompiledModule reread;
    SourceStamp rereadStamp;
    fuzz::require(deserializeModule(serializeModule(*module, stamp), reread, rereadStamp),
                  "an accepted module does not read back from its own file form");
    fuzz::runWithBudget(module);
    return 0;
}
