// Parser throughput: generates a ~10 MB source of many functions, classes and
// deep expressions, then reports tokenizing and parsing times separately
// (best of three) and the node count as a checksum of the tree's shape.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "frontend/tokenizer.h"
#include "host/utf8.h"
#include "parser/parse_source.h"

using namespace kestrel;

namespace {

// An expression nested `depth` parentheses deep with mixed operators.
std::string deepExpression(int depth, int seed) {
    std::string expr = "x" + std::to_string(seed % 7);
    static const char* const kOps[] = {" + ", " * ", " - ", " / ", " % "};
    for (int d = 0; d < depth; ++d)
        expr = "(" + expr + kOps[(seed + d) % 5] + "f" + std::to_string(d % 3) + "(a[" + std::to_string(d) + "], b.c)" + ")";
    return expr;
}

std::string function(int n) {
    std::string name = "fn" + std::to_string(n);
    std::string body = "func " + name + "(a, b, x0, x1, x2) {\n";
    body += "    var total = 0, m = {k: 1, \"v\": [1, 2, 3]}\n";
    body += "    for (var i = 0; i < b; i++) {\n";
    body += "        if (i % 3 == 0 && i != a || !done) { total += " + deepExpression(12, n) + " }\n";
    body += "        else { total -= i > 2 ? a.b[i](x1) : -1 }\n";
    body += "    }\n";
    body += "    switch (total) { case 1: print(\"one\"); break\n default: total = total << 2 | 1 }\n";
    body += "    try { list.map(v -> v * 2).filter((p, q) -> p > q) } catch (e) { throw e, 1 }\n";
    body += "    return new util.StringBuffer().append(total).toString()\n}\n";
    if (n % 10 == 0) body += "class C" + std::to_string(n) + " extends Base {\n    var x = 1\n    func C" + std::to_string(n) + "(v) { x = v }\n}\n";
    return body;
}

std::u16string makeSource(size_t targetBytes) {
    std::string source;
    for (int n = 0; source.size() < targetBytes; ++n) source += function(n);
    return fromUtf8(source);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

size_t countNodes(const KvAstNode& root) {
    size_t count = 0;
    std::vector<const KvAstNode*> stack{&root};
    while (!stack.empty()) {
        const KvAstNode* node = stack.back();
        stack.pop_back();
        ++count;
        if (!node->payload()) continue;
        KvAstDescription description;
        node->payload()->describe(description);
        for (const auto& child : description.children)
            if (child.second) stack.push_back(child.second);
    }
    return count;
}

}  // namespace

int main() {
    const std::u16string source = makeSource(10u * 1024 * 1024);
    const double megabytes = static_cast<double>(toUtf8(source).size()) / (1024.0 * 1024.0);
    double bestTokenize = 1e9, bestParse = 1e9;
    size_t tokens = 0, nodes = 0;
    for (int run = 0; run < 3; ++run) {
        auto start = std::chrono::steady_clock::now();
        Tokenizer tokenizer;
        tokenizer.setText(source);
        tokenizer.tokenize();
        bestTokenize = std::min(bestTokenize, secondsSince(start));
        tokens = tokenizer.tokens().size();
        start = std::chrono::steady_clock::now();
        ParseOutcome outcome = parseTokens(tokenizer.tokens());
        bestParse = std::min(bestParse, secondsSince(start));
        if (!outcome.ok) {
            std::fprintf(stderr, "%s", toUtf8(outcome.error.report(source)).c_str());
            return 1;
        }
        nodes = countNodes(*outcome.root);
    }
    std::printf("source: %.1f MB as UTF-8, %zu tokens\n", megabytes, tokens);
    std::printf("tokenize: %.3f s (best of 3)\n", bestTokenize);
    std::printf("parse:    %.3f s (best of 3), %zu nodes, %.2f M tokens/s\n", bestParse, nodes,
                static_cast<double>(tokens) / bestParse / 1e6);
    return 0;
}
