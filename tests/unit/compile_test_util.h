// Helpers for the compiler tests: compile a UTF-8 source with the real
// parser and show the instructions compactly, or the compile error.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/utf8.h"
#include "parser/parse_source.h"
#include "compiler/codegen.h"
#include "vm/disassembler.h"
#include "loader/module_verifier.h"

namespace kestrel::testing {

struct Compiled {
    bool ok = false;
    CompiledModule module;
    KvParserException error;
    std::string source;
};

inline Compiled compileUtf8(const std::string& source) {
    Compiled out;
    out.source = source;
    ParseOutcome parse = parseSourceText(fromUtf8(source));
    if (!parse.ok) {
        out.error = parse.error;
        return out;
    }
    out.ok = compileModule(parse.root, out.module, out.error);
    return out;
}

// A source the test expects to compile, as the shared module code units run.
inline CompiledModulePtr compileShared(const std::string& source) {
    ParseOutcome parse = parseSourceText(fromUtf8(source));
    EXPECT_TRUE(parse.ok) << source;
    auto module = std::make_shared<CompiledModule>();
    KvParserException error;
    EXPECT_TRUE(parse.ok && compileModule(parse.root, *module, error)) << source;
    return module;
}

// "Name operand" per instruction, "+" after it when its value is kept
// (discard flag 0), joined by "; ". The module's EnterScope and the final
// PushNull/Return are left out unless whole is set.
inline std::string instructions(const CompiledModule& module, bool whole = false) {
    size_t first = whole ? 0 : 1;
    size_t last = module.code.size();
    if (!whole && last >= 2) last -= 2;
    std::string out;
    for (size_t i = first; i < last; ++i) {
        const Instruction& instruction = module.code[i];
        if (!out.empty()) out += "; ";
        out += opcodeName(static_cast<uint32_t>(instruction.opcode));
        std::string operand = operandText(instruction);
        if (!operand.empty()) out += " " + operand;
        if (!instruction.discard) out += "+";
    }
    return out;
}

// The compact listing of a source, or "error: MESSAGE at TOKEN (line L)".
inline std::string compiled(const std::string& source, bool whole = false) {
    Compiled result = compileUtf8(source);
    if (!result.ok) {
        return "error: " + toUtf8(result.error.message) + " at " + toUtf8(result.error.tokenText) + " (line " +
               std::to_string(result.error.line) + ")";
    }
    // Whatever the generator makes must pass the checks a cached module has to pass.
    if (!verifyModule(result.module)) return "unverifiable: " + instructions(result.module, true);
    return instructions(result.module, whole);
}

}  // namespace kestrel::testing
