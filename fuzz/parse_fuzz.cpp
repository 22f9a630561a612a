// Fuzz target: decode and parse a source; a tree is printed as "--ast"
// prints it, a failure formatted as the report the loader would print.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "parser/ast_printer.h"
#include "parser/parse_source.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string text = fuzz::decodeInput(data, size);
    ParseOutcome outcome = parseSourceText(text);
    if (outcome.ok) {
        fuzz::require(outcome.root != nullptr, "a parse that succeeded has no tree");
        (void)dumpAst(*outcome.root);
    } else {
        fuzz::require(!parseErrorReport(outcome, u"fuzz.kv", text).empty(), "a failed parse has no report");
    }
    return 0;
}
