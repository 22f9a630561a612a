// Compiling a module's syntax tree to its instruction list: the
// name-resolution pass, then the code generator. On success the list ends
// with Return.
#pragma once

#include <cstdint>

#include "parser/ast_node.h"
#include "parser/parser_error.h"
#include "vm/instruction.h"

namespace kestrel {

// Deepest recursion the pass and the generator allow before reporting an error.
// Long operator chains and member chains are walked without recursion, so only
// real nesting (groups, statements, functions) counts towards it.
constexpr int32_t kMaxCompileDepth = 3000;

// False on a compile error, reported in error at the failing node (its
// sourceName is left for the loader to fill). The tree is only read.
bool compileModule(const KvAstNodePtr& root, CompiledModule& out, KvParserException& error);

}  // namespace kestrel
