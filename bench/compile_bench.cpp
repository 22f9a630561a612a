// Costs of turning a module into instructions and of the compiled-module
// file: parse, resolve + generate, write, and read + verify, on a generated
// module of many small functions. Prints microseconds per module, the
// instruction count and a checksum, so a cache read can be set against a compile.
#include <chrono>
#include <cstdio>
#include <string>

#include "host/utf8.h"
#include "parser/parse_source.h"
#include "compiler/codegen.h"
#include "loader/module_cache.h"

using namespace kestrel;

namespace {

std::u16string generatedModule(int functions) {
    std::string source = "var total = 0\n";
    for (int i = 0; i < functions; ++i) {
        std::string n = std::to_string(i);
        source += "func f" + n + "(a, b) {\n  var s = 0\n  for (var i = 0; i < a; i++) { s += i % 7 }\n"
                  "  switch (b) { case 1: s = s * 2\n break\n default: s = s - 1 }\n"
                  "  var m = {k: [1, 2.5, \"t\"], n: s}\n  total = total + m.n + f" + n + ".x\n  return s > 3 ? s : b\n}\n";
    }
    return fromUtf8(source);
}

template <class Body>
double microseconds(int rounds, Body body) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) body();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / rounds;
}

}  // namespace

int main() {
    const std::u16string source = generatedModule(200);
    const int rounds = 20;
    long checksum = 0;
    ParseOutcome parse;
    double parseTime = microseconds(rounds, [&] { parse = parseSourceText(source); });
    CompiledModule module;
    KvParserException error;
    double compileTime = microseconds(rounds, [&] {
        ParseOutcome fresh = parseSourceText(source);
        checksum += compileModule(fresh.root, module, error) ? 1 : 0;
    }) - parseTime;
    std::string bytes;
    double writeTime = microseconds(rounds, [&] { bytes = serializeModule(module, SourceStamp{1, 2, 3}); });
    double readTime = microseconds(rounds, [&] {
        CompiledModule copy;
        SourceStamp stamp;
        checksum += deserializeModule(bytes, copy, stamp) ? static_cast<long>(copy.code.size()) : 0;
    });
    std::printf("module: %zu source chars, %zu instructions, %zu cache bytes\n", source.size(), module.code.size(),
                bytes.size());
    std::printf("%-28s %10.1f us\n", "parse", parseTime);
    std::printf("%-28s %10.1f us\n", "resolve + generate", compileTime);
    std::printf("%-28s %10.1f us\n", "serialize", writeTime);
    std::printf("%-28s %10.1f us\n", "deserialize + verify", readTime);
    std::printf("checksum %ld\n", checksum);
    return 0;
}
