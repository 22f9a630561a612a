// What the name-resolution pass leaves on syntax nodes for the code generator.
// A node that names a variable becomes a user of its declaration (its slot
// field holds the slot and `resolved` is 1); a chain records how its head is
// compiled; a function or class records the number of its body's scope.
#pragma once

#include <cstdint>

#include "parser/ast_node.h"

namespace kestrel {

// KvAstNode::extraWord of a VarPipe: how the chain's head is compiled.
enum class ChainHead : uint32_t {
    Plain = 0,    // a name, or any other head compiled as a value
    Member = 1,   // this/super/base: the item at scopeWordB holds the member's slot
    Builtin = 2,  // a built-in called at once: scopeWordA holds its index
};

inline ChainHead chainHeadOf(const KvAstNode& pipe) { return static_cast<ChainHead>(pipe.extraWord); }

inline bool hasSlot(const KvAstNode& node) { return node.resolved != 0; }

// Deepest recursion the pass and the generator allow before reporting an error.
// Long operator chains and member chains are walked without recursion, so only
// real nesting (groups, statements, functions) counts towards it.
constexpr int32_t kMaxCompileDepth = 3000;

}  // namespace kestrel
