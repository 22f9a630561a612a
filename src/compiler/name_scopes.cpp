// Scope bookkeeping of the name-resolution pass. Implicit declarations live
// in a scope's outermost block, so every block of the function shares them.
// Slots are assigned once, after the whole module has been walked; until
// then a declaration's slot is -1 and outer references wait in a list.
#include "compiler/name_scopes.h"

namespace kestrel {

// A member x of this ("@this.x") and a plain x are two variables, so the
// key keeps the prefix.
std::u16string prefixedName(const std::u16string& name, MemberPrefix prefix) {
    switch (prefix) {
        case MemberPrefix::This: return u"@this." + name;
        case MemberPrefix::Super: return u"@super." + name;
        case MemberPrefix::None: break;
    }
    return name;
}

// The new scope remembers the parent's innermost block as it stands now, the
// block its definition stands in: its names are what the body may capture.
ScopeState* NameScopes::openScope(ScopeKind kind, ScopeState* parent) {
    auto table = std::make_unique<ScopeTable>();
    table->number = static_cast<int32_t>(scopes_.size());
    table->kind = kind;
    table->enclosing = parent ? parent->table : nullptr;
    auto state = std::make_unique<ScopeState>();
    state->table = table.get();
    state->parent = parent;
    state->definedIn = parent ? parent->innermost : nullptr;
    scopes_.push_back(std::move(table));
    states_.push_back(std::move(state));
    ScopeState* opened = states_.back().get();
    openBlock(*opened);
    opened->outermost = opened->innermost;
    return opened;
}

// Blocks are owned here, not by the scope, so a closed block stays alive for
// the bodies defined in it that are walked later.
void NameScopes::openBlock(ScopeState& scope) {
    auto block = std::make_unique<BlockNameMap>();
    block->enclosing = scope.innermost;
    scope.innermost = block.get();
    blocks_.push_back(std::move(block));
}

void NameScopes::closeBlock(ScopeState& scope) {
    if (scope.innermost != scope.outermost) scope.innermost = scope.innermost->enclosing;
}

// The table owns the declaration and lists it by kind; the block knows it by
// key, and so does the whole scope when the block is the outermost one.
VariableDecl* NameScopes::newDeclaration(ScopeState& scope, const std::u16string& key, DeclKind kind,
                                         MemberPrefix prefix, BlockNameMap& block) {
    ScopeTable& table = *scope.table;
    auto decl = std::make_unique<VariableDecl>();
    decl->kind = kind;
    decl->name = key;
    decl->prefix = prefix;
    VariableDecl* made = decl.get();
    table.declarations.push_back(std::move(decl));
    switch (kind) {
        case DeclKind::Declared: table.declared.push_back(made); break;
        case DeclKind::Parameter: table.parameters.push_back(made); break;
        case DeclKind::Implicit:
            table.implicits.push_back(made);
            table.outerReferences.emplace_back();  // kept parallel to implicits
            break;
        case DeclKind::Hidden: table.hidden.push_back(made); break;
    }
    block.names[key] = made;
    if (&block == scope.outermost) table.names[key] = made;
    return made;
}

// A name declared twice in one block is one variable; the first kind stays.
VariableDecl* NameScopes::declare(ScopeState& scope, const std::u16string& name, DeclKind kind) {
    auto found = scope.innermost->names.find(name);
    if (found != scope.innermost->names.end()) return found->second;
    return newDeclaration(scope, name, kind, MemberPrefix::None, *scope.innermost);
}

void NameScopes::declareHidden(ScopeState& scope, const std::u16string& name) {
    ScopeTable& table = *scope.table;
    auto decl = std::make_unique<VariableDecl>();
    decl->kind = DeclKind::Hidden;
    decl->name = name;
    table.hidden.push_back(decl.get());
    table.declarations.push_back(std::move(decl));
}

// Implicit declarations go to the outermost block, so the whole scope (and
// run-time lookup by name) knows them.
VariableDecl* NameScopes::addImplicit(ScopeState& scope, const std::u16string& key, MemberPrefix prefix) {
    return newDeclaration(scope, key, DeclKind::Implicit, prefix, *scope.outermost);
}

// The declaration of key in block or the blocks enclosing it, or null.
static VariableDecl* findInBlocks(BlockNameMap* block, const std::u16string& key) {
    for (; block; block = block->enclosing) {
        auto found = block->names.find(key);
        if (found != block->names.end()) return found->second;
    }
    return nullptr;
}

// A plain name searches the open blocks of its own scope outwards; not found,
// it becomes an implicit declaration bound at run time, with an outer
// reference when an enclosing scope holds it.
VariableDecl* NameScopes::resolveUse(ScopeState& scope, const std::u16string& name, MemberPrefix prefix) {
    const std::u16string key = prefixedName(name, prefix);
    // A member name belongs to the whole function and is never found in an enclosing one.
    VariableDecl* decl = prefix == MemberPrefix::None ? findInBlocks(scope.innermost, key)
                                                      : scope.table->find(key);
    if (decl) return decl;
    decl = addImplicit(scope, key, prefix);
    if (prefix == MemberPrefix::None && scope.parent) {
        linkOuterReference(scope, name, scope.table->implicits.size() - 1);
    }
    return decl;
}

// Records where an enclosing scope holds the name: the nearest scope whose
// blocks (as they stood at the definition) hold it, else the module, where the
// name is then declared implicitly. Depth 0 is the defining context.
void NameScopes::linkOuterReference(ScopeState& scope, const std::u16string& name, size_t implicitIndex) {
    // Beyond a class body a method's names bind after the instance's members and
    // bases, so such a reference is only the last resort, not lexical.
    bool classCrossed = scope.table->kind == ScopeKind::Class;
    int32_t depth = 0;
    ScopeState* outermostScope = nullptr;
    int32_t outermostDepth = 0;
    BlockNameMap* block = scope.definedIn;
    for (ScopeState* enclosing = scope.parent; enclosing; enclosing = enclosing->parent, --depth) {
        if (VariableDecl* found = findInBlocks(block, name)) {
            const bool lexical = enclosing->table->kind == ScopeKind::Function && !classCrossed;
            setOuterReference(scope, implicitIndex, depth, lexical, *found);
            return;
        }
        if (enclosing->table->kind == ScopeKind::Class) classCrossed = true;
        outermostScope = enclosing;
        outermostDepth = depth;
        block = enclosing->definedIn;
    }
    VariableDecl* global = addImplicit(*outermostScope, name, MemberPrefix::None);
    setOuterReference(scope, implicitIndex, outermostDepth, false, *global);
}

// The position's slot stays unresolved until assignSlots knows the target's.
void NameScopes::setOuterReference(ScopeState& scope, size_t implicitIndex, int32_t depth, bool lexical,
                                   const VariableDecl& target) {
    auto position = std::make_unique<KvVarPosition>(depth, kUnresolvedSlot);
    position->lexical = lexical;
    pendingReferences_.push_back({position.get(), &target});
    scope.table->outerReferences[implicitIndex] = std::move(position);
}

// Runs once, after the whole module is walked, so every group is complete;
// a declaration's slot is its place in the scope's slot order.
void NameScopes::assignSlots() {
    for (auto& table : scopes_) {
        table->slotOrder.clear();
        for (auto* group : {&table->hidden, &table->parameters, &table->implicits, &table->declared}) {
            if (group == &table->parameters) table->firstParameterSlot = table->slotCount();
            if (group == &table->implicits) table->firstImplicitSlot = table->slotCount();
            for (VariableDecl* decl : *group) table->slotOrder.push_back(decl);
        }
        for (int32_t slot = 0; slot < table->slotCount(); ++slot) table->slotOrder[slot]->slot = slot;
    }
    for (const PendingReference& pending : pendingReferences_) {
        pending.position->slot = static_cast<uint32_t>(pending.target->slot);
    }
}

}  // namespace kestrel
