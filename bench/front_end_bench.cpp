// Front-end cost on the shapes that stress it most: one endless chain of
// "+1" terms, many "x = x + 1" lines, and many "f(x, 1)" calls. For each it reports the tokens, the
// bytes the token list holds per token, the seconds to tokenize, parse and
// compile, and the process's peak resident memory after each phase (so each
// shape runs in a process of its own). The tree's size per token is the growth
// of resident memory over the parse.
// Usage: front_end_bench [MEGABYTES [plus|lines|calls]] (default 10, every shape,
// each in a child process). bench/front_end.sh measures the whole interpreter.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "compiler/codegen.h"
#include "frontend/tokenizer.h"
#include "parser/parse_source.h"

using namespace kestrel;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

double residentMegabytes() {
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// "var x = 0" followed by "+1" terms up to the size, then a use of x.
std::u16string plusChain(size_t bytes) {
    std::u16string source = u"var x = 0";
    while (source.size() + 2 < bytes) source += u"+1";
    return source + u"\nprint(x)\n";
}

// Calls: every line a pipe and an argument group, each with a list of items.
std::u16string callLines(size_t bytes) {
    std::u16string source = u"func f(a, b) { return a }\nvar x = 0\n";
    while (source.size() + 8 < bytes) source += u"f(x, 1)\n";
    return source + u"print(x)\n";
}

std::u16string assignmentLines(size_t bytes) {
    std::u16string source = u"var x = 0\n";
    while (source.size() + 10 < bytes) source += u"x = x + 1\n";
    return source + u"print(x)\n";
}

int measure(const char* name, std::u16string source) {
    const double sourceMegabytes = static_cast<double>(source.size()) / 1e6;
    auto start = std::chrono::steady_clock::now();
    Tokenizer tokenizer;
    tokenizer.setText(std::move(source));
    if (!tokenizer.tokenize()) return 1;
    const double tokenizeSeconds = secondsSince(start);
    const double tokenizePeak = peakMegabytes();
    const double beforeParse = residentMegabytes();
    const TokenList& tokens = tokenizer.tokens();
    const size_t tokenCount = tokens.size();
    const double perToken = static_cast<double>(tokens.bytesHeld()) / static_cast<double>(tokenCount);

    start = std::chrono::steady_clock::now();
    ParseOutcome outcome = parseTokens(tokens);
    const double parseSeconds = secondsSince(start);
    const double parsePeak = peakMegabytes();
    const double treePerToken = (residentMegabytes() - beforeParse) * 1048576.0 / static_cast<double>(tokenCount);
    if (!outcome.ok) {
        std::fprintf(stderr, "%s: parse failed\n", name);
        return 1;
    }
    tokenizer.setText(std::u16string());  // as the loader does: the tokens die before code generation

    start = std::chrono::steady_clock::now();
    CompiledModule module;
    KvParserException error;
    if (!compileModule(outcome.root, module, error)) {
        std::fprintf(stderr, "%s: compile failed\n", name);
        return 1;
    }
    const double compileSeconds = secondsSince(start);
    const double compilePeak = peakMegabytes();
    std::printf("%-12s %6.1f MB  %9zu tokens  %5.1f bytes/token  tokenize %.2f s  parse %.2f s  compile %.2f s"
                "  (%zu instructions)  tree %.0f bytes/token  peak MB: tokenize %.0f parse %.0f compile %.0f\n",
                name, sourceMegabytes, tokenCount, perToken, tokenizeSeconds, parseSeconds, compileSeconds,
                module.code.size(), treePerToken, tokenizePeak, parsePeak, compilePeak);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* size = argc > 1 ? argv[1] : "10";
    const double megabytes = std::atof(size);
    const size_t bytes = static_cast<size_t>((megabytes > 0 ? megabytes : 10.0) * 1e6);
    if (argc > 2 && std::strcmp(argv[2], "plus") == 0) return measure("+1 chain", plusChain(bytes));
    if (argc > 2 && std::strcmp(argv[2], "lines") == 0) return measure("x = x + 1", assignmentLines(bytes));
    if (argc > 2 && std::strcmp(argv[2], "calls") == 0) return measure("f(x, 1)", callLines(bytes));
    if (argc > 2) {
        std::fprintf(stderr, "usage: front_end_bench [MEGABYTES [plus|lines|calls]]\n");
        return 2;
    }
    // Each shape in a fresh process, so its peak memory is its own.
    for (const char* shape : {"plus", "lines", "calls"}) {
        std::fflush(stdout);
        const std::string command = std::string("'") + argv[0] + "' '" + size + "' " + shape;
        if (std::system(command.c_str()) != 0) return 1;
    }
    return 0;
}
