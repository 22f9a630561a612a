// Fuzz target: a language pack file as start-up reads it (decoded in
// whatever charset it is stored, parsed as JSON under the nesting limit,
// applied to the word maps), then a short source tokenized and parsed with
// those maps. The maps are cleared again before the next input.
#include <cstddef>
#include <cstdint>

#include <json/value.h>

#include "fuzz_support.h"
#include "host/utf8.h"
#include "parser/parse_source.h"
#include "shell/json_file.h"
#include "shell/language_packs.h"

using namespace kestrel;

namespace {

// Words a pack may map onto something else: keywords, built-ins, punctuation.
const char16_t kProbe[] =
    u"如果 (x) { 打印(\"a\") } else { var l = List() }\n"
    u"func f(a) { return a + 1 } while (false) { break }\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string text = fuzz::decodeInput(data, size);
    Json::Value pack;
    if (!text.empty() && parseJsonText(toUtf8(text), pack)) {
        applyLanguagePack(pack);
        (void)parseSourceText(kProbe);
    }
    clearLanguagePacks();
    return 0;
}
