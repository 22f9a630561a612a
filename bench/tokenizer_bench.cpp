// Tokenizer throughput: builds a ~10 MB source in memory (code, comments,
// strings, templates, Chinese names and full-width punctuation) and reports
// MB per second for decoding and tokens and MB per second for tokenizing
// (MB of the UTF-8 file).
#include <chrono>
#include <cstdio>
#include <string>

#include "frontend/decode.h"
#include "frontend/tokenizer.h"
#include "host/utf8.h"

using namespace kestrel;

namespace {

const char16_t* const kSnippet =
    u"# a module of everyday shapes\n"
    u"import util\n"
    u"class Point extends Shape {\n"
    u"    func @init(x, y) { this.x = x; this.y = y }\n"
    u"    func length() { return (this.x * this.x + this.y * this.y) / 2.5 }\n"
    u"}\n"
    u"var 名字 = \"点\\t坐标\"\n"
    u"/* block comment\n   over two lines */\n"
    u"for (var i = 0; i < 1000; i++) {\n"
    u"    if (i % 3 == 0 && i != -1) { total += i << 2 } else { total -= 1 }\n"
    u"    打印（\"第{{i}}次\"，名字）\n"
    u"}\n"
    u"var text = '''long \"string\"\nwith lines'''\n";

// Whole snippets until the UTF-8 form (the size of the file on disk) reaches the target.
std::u16string makeSource(size_t targetBytes) {
    const std::u16string snippet = kSnippet;
    const size_t snippetBytes = toUtf8(snippet).size();
    std::u16string source;
    for (size_t bytes = 0; bytes < targetBytes; bytes += snippetBytes) source += snippet;
    return source;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const std::u16string source = makeSource(10u * 1024 * 1024);  // a 10 MB file
    const std::string utf8 = toUtf8(source);
    const double megabytes = static_cast<double>(utf8.size()) / (1024.0 * 1024.0);

    auto decodeStart = std::chrono::steady_clock::now();
    std::u16string decoded = decodeAuto(utf8.data(), utf8.size());
    double decodeSeconds = secondsSince(decodeStart);
    if (decoded != source) {
        std::fprintf(stderr, "decoding changed the text\n");
        return 1;
    }

    double best = 1e9;
    size_t tokenCount = 0;
    for (int run = 0; run < 3; ++run) {
        auto start = std::chrono::steady_clock::now();
        Tokenizer tokenizer;
        tokenizer.setText(source);
        if (!tokenizer.tokenize()) {
            std::fprintf(stderr, "tokenizing failed\n");
            return 1;
        }
        tokenCount = tokenizer.tokens().size();
        best = std::min(best, secondsSince(start));
    }

    std::printf("source: %.1f MB as UTF-8, %zu UTF-16 code units\n", megabytes, source.size());
    std::printf("decode:   %.3f s, %.1f MB/s\n", decodeSeconds, megabytes / decodeSeconds);
    std::printf("tokenize: %.3f s (best of 3), %zu tokens, %.2f M tokens/s, %.1f MB/s\n", best, tokenCount,
                static_cast<double>(tokenCount) / best / 1e6, megabytes / best);
    return 0;
}
