// The scope bookkeeping of the name-resolution pass: open scopes with their
// block maps, declaring names, resolving uses into implicit declarations and
// outer references, and assigning slots once every body has been walked.
// Block maps stay alive until the pass ends, so a body walked later still
// sees the blocks its definition stood in.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vm/scope_table.h"

namespace kestrel {

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

    ScopeState* openScope(ScopeKind kind, ScopeState* parent);
    void openBlock(ScopeState& scope);
    void closeBlock(ScopeState& scope);

    // Declares in the innermost block; a name already there gains the user.
    VariableDecl* declare(ScopeState& scope, const std::u16string& name, DeclKind kind,
                          KvVarSlotEvent* user);
    // A variable read or written: the nearest declaration of the same
    // function, else a new implicit declaration (with an outer reference for
    // plain names).
    void resolveUse(ScopeState& scope, const std::u16string& name, MemberPrefix prefix,
                    KvVarSlotEvent* user);
    // Slot order per scope: hidden, parameters, implicit, declared.
    void assignSlots();

private:
    VariableDecl* newDeclaration(ScopeState& scope, const std::u16string& key, DeclKind kind,
                                 MemberPrefix prefix, BlockNameMap& block);
    VariableDecl* addImplicit(ScopeState& scope, const std::u16string& key, MemberPrefix prefix);
    void linkOuterReference(ScopeState& scope, const std::u16string& name, size_t implicitIndex);

    ScopeTableList& scopes_;
    std::vector<std::unique_ptr<ScopeState>> states_;
    std::vector<std::unique_ptr<BlockNameMap>> blocks_;
};

// The name as scope tables key it: "@this.x", "@super.x" or the name itself.
std::u16string prefixedName(const std::u16string& name, MemberPrefix prefix);

}  // namespace kestrel
