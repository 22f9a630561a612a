// Binding of a function's free names at each call: every implicit slot of
// the new activation becomes an alias of the slot it names. The positions
// are searched once per definition site and reused while the class of the
// `this` instance stays the same (the members found depend on it); the slots
// they reach are kept per function value when no slot value decides them.
#pragma once

#include <memory>
#include <cstdint>
#include <string>
#include <vector>

#include "vm/scope_table.h"
#include "vm/var_position.h"

namespace kestrel {

class KvObjFunc;
class KvVBaseContext;

struct ImplicitBindings {
    bool complete = false;
    uint64_t classKey = 0;  // the class of `this` the positions were found for
    std::vector<const KvVarPosition*> positions;  // parallel to the scope's implicits
    std::vector<std::unique_ptr<KvVarPosition>> owned;
    // Set with complete when every position is a member of the `this`
    // instance itself: a shared method then binds by these slot numbers
    // (the machine's call path does, before any search).
    bool ownMembers = false;
    std::vector<int32_t> memberSlots;  // parallel to positions
};

// Binds the implicit slots of activation for a call of function; returns
// the declaration that could not be bound, or null when all were.
const VariableDecl* bindImplicitNames(KvObjFunc& function, KvVBaseContext& activation);

// Binds the implicit slots of a new instance's class body before it runs.
void bindClassBodyNames(KvVBaseContext& instance);

}  // namespace kestrel
