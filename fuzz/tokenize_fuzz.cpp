// Fuzz target: a source file's bytes through decoding (charset detection
// and conversion) and the tokenizer with its string-template expander.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "frontend/tokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kestrel::Tokenizer tokenizer;
    tokenizer.setText(kestrel::fuzz::decodeInput(data, size));
    tokenizer.tokenize();
    return 0;
}
