// The name-resolution pass: walks a module's syntax tree before code
// generation, builds one scope table per module, function and class body,
// gives every declaration its slot (hidden, parameters, implicit, declared)
// and records in a resolution table which declaration each naming node
// refers to. Function and class bodies are walked after the scope that
// defines them, so a body sees every name of the enclosing blocks, including
// names declared after the definition. The tree itself is not changed.
#pragma once

#include "parser/ast_node.h"
#include "parser/parser_error.h"
#include "compiler/resolution_table.h"
#include "vm/scope_table.h"

namespace kestrel {

// Fills scopes (scope 0 is the module's) and resolutions. False, with error
// set at the failing node, when nesting is too deep.
bool resolveNames(KvAstNode& program, ScopeTableList& scopes, ResolutionTable& resolutions,
                  KvParserException& error);

}  // namespace kestrel
