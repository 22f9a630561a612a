// Where each free name of a function binds, in order: the lexical position
// the name-resolution pass found in an enclosing function, a member of the
// `this` instance, a member found through the base classes, a name found by
// name through the defining context, and last the recorded outer reference.
#include "vm/function_binding.h"

#include "vm/class_value.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/function_value.h"

namespace kestrel {

namespace {

constexpr const char16_t* kThisPrefix = u"@this.";
constexpr const char16_t* kSuperPrefix = u"@super.";

std::u16string withoutPrefix(const VariableDecl& decl) {
    const std::u16string prefix = decl.prefix == MemberPrefix::This    ? kThisPrefix
                                  : decl.prefix == MemberPrefix::Super ? kSuperPrefix
                                                                       : u"";
    if (!prefix.empty() && decl.name.compare(0, prefix.size(), prefix) == 0) {
        return decl.name.substr(prefix.size());
    }
    return decl.name;
}

// A member of the instance's bases: a path through the hidden base slots.
std::unique_ptr<KvVarPosition> searchBaseClasses(KvVBaseContext& self, const std::u16string& name) {
    KvObjClass* cls = classOfContext(self);
    InheritedMember found;
    if (!cls || !cls->findInherited(name, found)) return nullptr;
    auto position = std::make_unique<KvVarPosition>(static_cast<int32_t>(found.path.size()), found.slot);
    position->member = true;
    position->hasMemberPath = true;
    position->memberPath = found.path;
    return position;
}

// The activation's parent and `this` are the function's defining and `this`
// contexts (for a shared method, those of the instance it runs on).
struct Search {
    KvVBaseContext& activation;
    ImplicitBindings& cache;

    // The position for implicit declaration i, or null when nothing binds it.
    const KvVarPosition* find(const ScopeTable& scope, size_t i) {
        const VariableDecl& decl = *scope.implicits[i];
        const KvVarPosition* outer =
            i < scope.outerReferences.size() ? scope.outerReferences[i].get() : nullptr;
        if (outer && outer->lexical) return outer;
        const std::u16string name = withoutPrefix(decl);
        KvVBaseContext* self = activation.thisBaseContext();
        if (self && decl.prefix != MemberPrefix::Super) {
            int32_t slot = self->findSlotIndex(name);
            if (slot >= 0) return keep(memberPosition(static_cast<uint32_t>(slot)));
        }
        if (self) {
            if (auto inherited = searchBaseClasses(*self, name)) {
                inherited->alternate = decl.prefix != MemberPrefix::Super;
                return keep(std::move(inherited));
            }
        }
        if (decl.prefix == MemberPrefix::None && activation.parent()) {
            if (auto byName = activation.parent()->resolveName(name, 0xFFFF, 0xFFFF)) {
                byName->alternate = true;
                return keep(std::move(byName));
            }
        }
        return outer;
    }

    static std::unique_ptr<KvVarPosition> memberPosition(uint32_t slot) {
        auto position = std::make_unique<KvVarPosition>(0, slot);
        position->member = true;
        position->alternate = true;
        return position;
    }

    const KvVarPosition* keep(std::unique_ptr<KvVarPosition> position) {
        cache.owned.push_back(std::move(position));
        return cache.owned.back().get();
    }
};

ImplicitBindings& bindingsOf(KvObjFunc& function) {
    CodeCacheEntry& entry = function.codeUnit()->cache(function.definedAt());
    if (!entry.implicits) entry.implicits = std::make_unique<ImplicitBindings>();
    return *entry.implicits;
}

// Whether resolving position from the same defining context always reaches
// the same slot: member paths through base slots read values that may change.
bool reachesFixedSlot(const KvVarPosition& position) {
    return !position.member || position.depth == 0;
}

bool bindCachedTargets(KvObjFunc& function, const ScopeTable& scope, uint64_t classKey,
                       KvVBaseContext& activation) {
    const BoundTargets* cached = function.boundTargets();
    if (!cached || !cached->ready || cached->classKey != classKey) return false;
    for (size_t i = 0; i < scope.implicits.size(); ++i) {
        activation.bindSlot(scope.implicits[i]->slot, cached->slots[i]);
    }
    return true;
}

// Whether every position found names a slot of the `this` instance itself
// (a constructor or method using its own fields), and which.
void noteOwnMembers(ImplicitBindings& bindings) {
    bindings.ownMembers = false;
    bindings.memberSlots.clear();
    for (const KvVarPosition* position : bindings.positions) {
        if (!position->member || position->depth != 0 || !position->resolved()) return;
        bindings.memberSlots.push_back(static_cast<int32_t>(position->slot));
    }
    bindings.ownMembers = true;
}

// The first calls of a function value (or the first after its class changed):
// positions are searched or taken from the site; from the second call on the
// targets are kept. Out of
// line so the cached path stays a small function.
[[gnu::noinline]] const VariableDecl* searchAndBind(KvObjFunc& function, const ScopeTable* scope,
                                                   uint64_t classKey, KvVBaseContext& activation) {
    function.dropPlan();  // its aliases may be those being replaced
    ImplicitBindings& bindings = bindingsOf(function);
    bool searched = bindings.complete && bindings.classKey == classKey;
    if (!searched) {
        bindings.classKey = classKey;
        bindings.positions.assign(scope->implicits.size(), nullptr);
        bindings.owned.clear();
    }
    // A shared method's targets are those of the instance it runs on: not kept.
    BoundTargets* cached = !function.isUnbound() && function.noteCall() ? &function.makeBoundTargets() : nullptr;
    if (cached) {
        cached->ready = false;
        cached->slots.assign(scope->implicits.size(), nullptr);
    }
    bool fixed = true;
    KvVBaseContext* defining = activation.parent();
    for (size_t i = 0; i < scope->implicits.size(); ++i) {
        const VariableDecl& decl = *scope->implicits[i];
        if (!searched) bindings.positions[i] = Search{activation, bindings}.find(*scope, i);
        const KvVarPosition* position = bindings.positions[i];
        VariableSlot* target = position && defining ? defining->resolvePosition(position) : nullptr;
        if (!target) {
            bindings.complete = false;
            return &decl;
        }
        fixed = fixed && reachesFixedSlot(*position);
        if (cached) cached->slots[i] = target;
        activation.bindSlot(decl.slot, target);
    }
    bindings.complete = true;
    noteOwnMembers(bindings);
    if (cached) {
        cached->ready = fixed;
        cached->classKey = classKey;
    }
    return nullptr;
}

// A shared method whose site already knows its positions: each is resolved
// against the instance it runs on. False when one reaches no slot (the
// search then runs again and reports it).
bool bindSearchedPositions(KvObjFunc& function, const ScopeTable& scope, uint64_t classKey,
                           KvVBaseContext& activation) {
    const ImplicitBindings* bindings = function.codeUnit()->cache(function.definedAt()).implicits.get();
    KvVBaseContext* defining = activation.parent();
    if (!bindings || !bindings->complete || bindings->classKey != classKey || !defining) return false;
    for (size_t i = 0; i < scope.implicits.size(); ++i) {
        VariableSlot* target = defining->resolvePosition(bindings->positions[i]);
        if (!target) return false;
        activation.bindSlot(scope.implicits[i]->slot, target);
    }
    return true;
}

}  // namespace

const VariableDecl* bindImplicitNames(KvObjFunc& function, KvVBaseContext& activation) {
    const ScopeTable* scope = function.descriptor()->scope;
    if (!scope || scope->implicits.empty()) return nullptr;
    // With a `this` context the members found depend on the instance's class.
    const uint64_t classKey = classKeyOf(activation.thisBaseContext());
    if (function.isUnbound()) {
        if (bindSearchedPositions(function, *scope, classKey, activation)) return nullptr;
    } else if (bindCachedTargets(function, *scope, classKey, activation)) {
        return nullptr;
    }
    return searchAndBind(function, scope, classKey, activation);
}

// A class body's free names: "@this."/"@super." members of the new instance
// (its bases are not made yet, so only its own), and plain names through the
// scopes around the class definition. A name that binds nowhere stays null.
void bindClassBodyNames(KvVBaseContext& instance) {
    const ScopeTable* scope = instance.scope();
    KvVBaseContext* around = instance.parent();
    if (!scope) return;
    for (size_t i = 0; i < scope->implicits.size(); ++i) {
        const VariableDecl& decl = *scope->implicits[i];
        VariableSlot* target = nullptr;
        if (decl.prefix != MemberPrefix::None) {
            int32_t slot = instance.findSlotIndex(withoutPrefix(decl));
            if (slot >= 0 && slot != decl.slot) target = instance.slotAt(slot);
        } else if (around) {
            std::unique_ptr<KvVarPosition> byName = around->resolveName(decl.name, 0xFFFF, 0xFFFF);
            target = around->resolvePosition(byName.get());
            const KvVarPosition* outer =
                i < scope->outerReferences.size() ? scope->outerReferences[i].get() : nullptr;
            if (!target) target = around->resolvePosition(outer);
        }
        if (target) instance.bindSlot(decl.slot, target);
    }
}

}  // namespace kestrel
