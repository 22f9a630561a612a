// Printed forms of a syntax tree: an indented listing for --ast (type name,
// text, line, payload values, one node per line) and a one-line compact form
// used by tests. Both walk the tree with an explicit stack, so depth is no limit.
#pragma once

#include <string>

#include "parser/ast_node.h"

namespace kestrel {

// One node per line, children indented by two spaces. UTF-8.
std::string dumpAst(const KvAstNode& root);

// Compact form: literals and names as their text, operators as op(left, right),
// other nodes as TypeName[values](children); a missing child prints as "-".
std::string compactAst(const KvAstNode* root);

}  // namespace kestrel
