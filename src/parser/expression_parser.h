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
StepResult parseExpression(KvAstNodeVector& operands, KvAstNodeVector& pipe, KvAstArena* arena = nullptr);

}  // namespace kestrel
