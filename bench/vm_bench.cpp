// Interpreter speed against peers: recursive fib(27), a 10,000,000-iteration
// counted loop summing i % 7, and 1,000,000 calls of a closure updating a
// captured variable, each in Kestrel (in process), Lua 5.4 and Python 3
// (separate processes, start-up included). Runs interleaved, five rounds;
// prints each median and the Kestrel/Lua and Kestrel/Python ratios. Every
// run's result is checked against the expected checksum.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "host/utf8.h"
#include "modules/builtins.h"
#include "objects/number.h"
#include "objects/shared_constants.h"
#include "parser/parse_source.h"
#include "vm/code_unit.h"
#include "compiler/codegen.h"
#include "vm/context.h"
#include "vm/machine.h"

using namespace kestrel;

namespace {

struct Benchmark {
    const char* name;
    long long checksum;
    const char* kestrel;  // leaves its answer in the global "result"
    const char* lua;      // prints its answer
    const char* python;   // prints its answer
};

const Benchmark kBenchmarks[] = {
    {"fib(27)", 196418,
     "func fib(n) {\n if (n < 2) { return n }\n return fib(n - 1) + fib(n - 2)\n}\nresult = fib(27)\n",
     "local function fib(n) if n < 2 then return n end return fib(n-1) + fib(n-2) end\nprint(fib(27))\n",
     "def fib(n):\n    if n < 2: return n\n    return fib(n-1) + fib(n-2)\nprint(fib(27))\n"},
    {"loop i % 7", 29999994,
     "var sum = 0\nfor (var i = 0; i < 10000000; i++) {\n sum = sum + i % 7\n}\nresult = sum\n",
     "local s = 0\nfor i = 0, 9999999 do s = s + i % 7 end\nprint(s)\n",
     "s = 0\nfor i in range(10000000):\n    s = s + i % 7\nprint(s)\n"},
    {"closure calls", 1000000,
     "func make() {\n var count = 0\n return func() { count = count + 1\n return count }\n}\n"
     "var step = make()\nvar last = 0\nfor (var i = 0; i < 1000000; i++) { last = step() }\nresult = last\n",
     "local function make() local c = 0 return function() c = c + 1 return c end end\n"
     "local step = make() local last = 0\nfor i = 1, 1000000 do last = step() end\nprint(last)\n",
     "def make():\n    c = 0\n    def step():\n        nonlocal c\n        c = c + 1\n        return c\n"
     "    return step\nstep = make()\nlast = 0\nfor i in range(1000000):\n    last = step()\nprint(last)\n"},
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Seconds for one in-process run, or a negative number on a wrong result.
double runKestrel(const char* source, long long checksum) {
    ParseOutcome parse = parseSourceText(fromUtf8(source));
    auto module = std::make_shared<CompiledModule>();
    KvParserException error;
    if (!parse.ok || !compileModule(parse.root, *module, error)) return -1;
    auto start = std::chrono::steady_clock::now();
    auto* unit = new CodeUnit(module, u"");
    KvVirtualMachine machine;
    machine.run(unit, true, false);
    double elapsed = seconds(start);
    VariableSlot* slot = machine.program().global(u"result");
    KvObjNumber* result = slot ? asNumber(slot->read()) : nullptr;
    unit->releaseRef();
    return result && result->toLong() == checksum ? elapsed : -1;
}

// Seconds for one run of an external interpreter; negative when it is missing
// or prints a wrong result.
double runExternal(const std::string& interpreter, const std::string& file, long long checksum) {
    std::string command = interpreter + " " + file + " 2>/dev/null";
    auto start = std::chrono::steady_clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char line[128] = {};
    bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    int status = pclose(pipe);
    double elapsed = seconds(start);
    if (!read || status != 0 || std::atoll(line) != checksum) return -1;
    return elapsed;
}

std::string writeTemp(const std::string& name, const char* text) {
    std::string path = "/tmp/kestrel_bench_" + std::to_string(getpid()) + "_" + name;
    std::ofstream(path) << text;
    return path;
}

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    for (double x : v) {
        if (x < 0) return -1;
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string figure(double s) {
    if (s < 0) return "n/a";
    char text[32];
    std::snprintf(text, sizeof text, "%.3fs", s);
    return text;
}

std::string ratio(double a, double b) {
    if (a < 0 || b <= 0) return "    n/a";
    char text[32];
    std::snprintf(text, sizeof text, "%7.2f", a / b);
    return text;
}

}  // namespace

int main() {
    initObjectModel();
    installBuiltinFunctions();
    constexpr int kRounds = 5;
    std::printf("%-14s %9s %9s %9s %9s %9s\n", "benchmark", "kestrel", "lua5.4", "python3",
                "k/lua", "k/python");
    bool allCorrect = true;
    for (const Benchmark& b : kBenchmarks) {
        std::string lua = writeTemp("b.lua", b.lua);
        std::string python = writeTemp("b.py", b.python);
        std::vector<double> k, l, p;
        for (int round = 0; round < kRounds; ++round) {
            k.push_back(runKestrel(b.kestrel, b.checksum));
            l.push_back(runExternal("lua5.4", lua, b.checksum));
            p.push_back(runExternal("python3", python, b.checksum));
        }
        std::remove(lua.c_str());
        std::remove(python.c_str());
        double km = median(k), lm = median(l), pm = median(p);
        allCorrect = allCorrect && km >= 0;
        std::printf("%-14s %9s %9s %9s %9s %9s\n", b.name, figure(km).c_str(), figure(lm).c_str(),
                    figure(pm).c_str(), ratio(km, lm).c_str(), ratio(km, pm).c_str());
    }
    if (!allCorrect) std::printf("a Kestrel run gave a wrong result\n");
    return allCorrect ? 0 : 1;
}
