// The expression parser: turns a statement's flat operand sequence (operands
// alternating with bare operator nodes) into one tree. It reads no tokens;
// precedence and grouping are decided here only.
#pragma once

#include "parser/ast_node.h"
#include "parser/parser_error.h"

namespace kestrel {

// Flushes the pipe buffer into the sequence, then reduces the sequence (which is
// consumed). Succeeds with no node when both are empty. Each bare operator node
// becomes the node it heads; a pipe and the payloads of arena nodes are made in
// arena when given.
// Failures report reportAt when given, else the first element of the sequence.
StepResult parseExpression(KvAstNodeVector& operands, KvAstNodeVector& pipe, KvAstArena* arena = nullptr,
                           const KvAstNodePtr& reportAt = nullptr);

// A long statement need not keep its whole operand sequence: when the
// sequence so far is plain arithmetic (operands alternating with arithmetic
// operators, nothing else) and the operator about to follow binds no tighter
// than any in it, the reduction would turn it into one node before going on,
// so it is reduced now. True when the sequence became that one node.
bool foldArithmeticPrefix(KvAstNodeVector& operands, std::u16string_view nextOperator, KvAstArena* arena);

}  // namespace kestrel
