// Front-end cost on the two shapes that stress it most: one endless chain of
// "+1" terms, and many "x = x + 1" lines. For each it reports the tokens, the
// bytes the token list holds per token, and the seconds to tokenize, parse
// and compile. Usage: front_end_bench [MEGABYTES] (default 10).
// bench/front_end.sh measures the whole process (peak memory) on the same shapes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "compiler/codegen.h"
#include "frontend/tokenizer.h"
#include "parser/parse_source.h"

using namespace kestrel;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// "var x = 0" followed by "+1" terms up to the size, then a use of x.
std::u16string plusChain(size_t bytes) {
    std::u16string source = u"var x = 0";
    while (source.size() + 2 < bytes) source += u"+1";
    return source + u"\nprint(x)\n";
}

std::u16string assignmentLines(size_t bytes) {
    std::u16string source = u"var x = 0\n";
    while (source.size() + 10 < bytes) source += u"x = x + 1\n";
    return source + u"print(x)\n";
}

int measure(const char* name, const std::u16string& source) {
    auto start = std::chrono::steady_clock::now();
    Tokenizer tokenizer;
    tokenizer.setText(source);
    if (!tokenizer.tokenize()) return 1;
    const double tokenizeSeconds = secondsSince(start);
    const TokenList& tokens = tokenizer.tokens();
    const double perToken = static_cast<double>(tokens.bytesHeld()) / static_cast<double>(tokens.size());

    start = std::chrono::steady_clock::now();
    ParseOutcome outcome = parseTokens(tokens);
    const double parseSeconds = secondsSince(start);
    if (!outcome.ok) {
        std::fprintf(stderr, "%s: parse failed\n", name);
        return 1;
    }
    start = std::chrono::steady_clock::now();
    CompiledModule module;
    KvParserException error;
    if (!compileModule(outcome.root, module, error)) {
        std::fprintf(stderr, "%s: compile failed\n", name);
        return 1;
    }
    const double compileSeconds = secondsSince(start);
    std::printf("%-12s %6.1f MB  %9zu tokens  %5.1f bytes/token  tokenize %.2f s  parse %.2f s  compile %.2f s"
                "  (%zu instructions)\n",
                name, static_cast<double>(source.size()) / 1e6, tokens.size(), perToken, tokenizeSeconds,
                parseSeconds, compileSeconds, module.code.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const size_t bytes = static_cast<size_t>((megabytes > 0 ? megabytes : 10.0) * 1e6);
    if (measure("+1 chain", plusChain(bytes)) != 0) return 1;
    return measure("x = x + 1", assignmentLines(bytes));
}
