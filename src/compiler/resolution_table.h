// What the name-resolution pass found, kept beside the syntax tree for the
// code generator of the same compile: the declaration each naming node
// refers to (a for-each its loop variable, a tuple definition its list of
// variables), where `this` is read as a value, how each member/call chain's
// head compiles, and the scope table of each function or class body.
// Entries are keyed by node address, so the table lives no longer than the
// tree it describes (one compileModule call).
// A slot is stored only in its declaration; entries point at declarations,
// so they read the slot once the pass has assigned it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "parser/ast_node.h"
#include "compiler/node_map.h"
#include "vm/scope_table.h"

namespace kestrel {

// How a member/call chain's head compiles.
enum class ChainHead {
    Plain,    // a name, or any other head compiled as a value
    Member,   // this.x, super.x, base.x, super(...): a "@this."/"@super." slot
    Builtin,  // a built-in function called at once
};

struct ChainResolution {
    ChainHead head = ChainHead::Plain;
    // Member: the "@this.x"/"@super.x" declaration of the current function.
    const VariableDecl* member = nullptr;
    // Member: the items the head stands for ("this" and ".x" are 2; "super"
    // before a call is 1); compiling resumes at this item.
    size_t itemsTaken = 1;
    int32_t builtin = -1;  // Builtin: the built-in's index
};

class ResolutionTable {
public:
    // A node that names a variable (a name read or written, a var-define, a
    // named function, a class, a catch variable) refers to decl.
    void bindName(const KvAstNode& node, const VariableDecl& decl) { names_.set(&node, &decl); }
    void setChain(const KvAstNode& pipe, const ChainResolution& chain) { chains_[&pipe] = chain; }
    void setBody(const KvAstNode& definition, ScopeTable& scope) { bodies_[&definition] = &scope; }
    // A tuple definition names one variable per name, in order.
    void bindNames(const KvAstNode& node, std::vector<const VariableDecl*> decls) {
        tuples_[&node] = std::move(decls);
    }
    // A `this` read as a value (not the head of this.name).
    void markThisValue(const KvAstNode& node) { thisValues_.set(&node, true); }

    // The declaration the node names, or null when the pass bound it to none.
    const VariableDecl* declOf(const KvAstNode& node) const {
        const VariableDecl* const* found = names_.find(&node);
        return found ? *found : nullptr;
    }
    // The variables of a tuple definition, or null for any other node.
    const std::vector<const VariableDecl*>* declsOf(const KvAstNode& node) const {
        auto found = tuples_.find(&node);
        return found == tuples_.end() ? nullptr : &found->second;
    }
    bool isThisValue(const KvAstNode& node) const { return thisValues_.find(&node) != nullptr; }
    // A chain the pass did not mark compiles its head as a plain value.
    ChainResolution chainOf(const KvAstNode& pipe) const {
        auto found = chains_.find(&pipe);
        return found == chains_.end() ? ChainResolution() : found->second;
    }
    // The scope of a function or class body, or null for any other node.
    ScopeTable* bodyOf(const KvAstNode& definition) const {
        auto found = bodies_.find(&definition);
        return found == bodies_.end() ? nullptr : found->second;
    }

private:
    NodeMap<const VariableDecl*> names_;  // an entry per name in the module
    std::unordered_map<const KvAstNode*, ChainResolution> chains_;
    std::unordered_map<const KvAstNode*, ScopeTable*> bodies_;
    std::unordered_map<const KvAstNode*, std::vector<const VariableDecl*>> tuples_;
    NodeMap<bool> thisValues_;
};

}  // namespace kestrel
