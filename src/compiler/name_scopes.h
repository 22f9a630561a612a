// The scope bookkeeping of the name-resolution pass: open scopes with their
// block maps, declaring names, resolving uses into implicit declarations and
// outer references, and assigning slots once every body has been walked.
// Block maps stay alive until the pass ends, so a body walked later still
// sees the blocks its definition stood in.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "vm/scope_table.h"

namespace kestrel {

// Names visible in one block, chained to the enclosing block of the same
// scope. A name declared in a block is seen there and in nested blocks only.
struct BlockNameMap {
    std::unordered_map<std::u16string, VariableDecl*> names;
    BlockNameMap* enclosing = nullptr;
};

// One scope while the pass walks it. innermost is outermost or a block
// nested in it; definedIn is where the parent scope stood at the definition.
struct ScopeState {
    ScopeTable* table = nullptr;
    BlockNameMap* outermost = nullptr;
    BlockNameMap* innermost = nullptr;
    ScopeState* parent = nullptr;
    BlockNameMap* definedIn = nullptr;  // the parent's block holding the definition
};

class NameScopes {
public:
    explicit NameScopes(ScopeTableList& scopes) : scopes_(scopes) {}

    // A new scope table, numbered by its place in the module's list.
    ScopeState* openScope(ScopeKind kind, ScopeState* parent);
    void openBlock(ScopeState& scope);
    // The outermost block never closes: implicit declarations live there.
    void closeBlock(ScopeState& scope);

    // The declaration of name in the innermost block, made when absent.
    VariableDecl* declare(ScopeState& scope, const std::u16string& name, DeclKind kind);
    // A compiler-made slot ("[Base]"), known by no name in any block.
    void declareHidden(ScopeState& scope, const std::u16string& name);
    // A variable read or written: the nearest declaration of the same
    // function, else a new implicit declaration (with an outer reference for
    // plain names).
    VariableDecl* resolveUse(ScopeState& scope, const std::u16string& name, MemberPrefix prefix);
    // Slot order per scope: hidden, parameters, implicit, declared. Every
    // outer reference then takes the slot of the declaration it found.
    void assignSlots();

private:
    // An outer reference and the declaration whose slot it waits for.
    struct PendingReference {
        KvVarPosition* position;
        const VariableDecl* target;
    };

    VariableDecl* newDeclaration(ScopeState& scope, const std::u16string& key, DeclKind kind,
                                 MemberPrefix prefix, BlockNameMap& block);
    VariableDecl* addImplicit(ScopeState& scope, const std::u16string& key, MemberPrefix prefix);
    void linkOuterReference(ScopeState& scope, const std::u16string& name, size_t implicitIndex);
    void setOuterReference(ScopeState& scope, size_t implicitIndex, int32_t depth, bool lexical,
                           const VariableDecl& target);

    ScopeTableList& scopes_;
    std::vector<std::unique_ptr<ScopeState>> states_;
    std::vector<std::unique_ptr<BlockNameMap>> blocks_;
    std::vector<PendingReference> pendingReferences_;  // filled in by assignSlots
};

// The name as scope tables key it: "@this.x", "@super.x" or the name itself.
std::u16string prefixedName(const std::u16string& name, MemberPrefix prefix);

}  // namespace kestrel
