// Compiling a module's syntax tree to its instruction list: the
// name-resolution pass, then the code generator. On success every instruction's
// cache index is its position and the list ends with Return.
#pragma once

#include "parser/ast_node.h"
#include "parser/parser_error.h"
#include "vm/instruction.h"

namespace kestrel {

// False on a compile error, reported in error at the failing node (its
// sourceName is left for the loader to fill).
bool compileModule(const KvAstNodePtr& root, CompiledModule& out, KvParserException& error);

}  // namespace kestrel
