// One variable slot of a context: it either holds a value (one counted
// reference) or is an alias of another slot. Reads and writes follow alias
// chains to the final slot; a chain never loops (binding refuses a cycle).
// The value is a raw pointer, not a KvRef: slots live in the context's
// inline storage, which is dropped without running destructors, and the
// field is shared with the alias case. Stores go through kvAssignRef, which
// keeps the handle's rule (the new reference first, then the old dropped).
#pragma once

#include "objects/base_object.h"
#include "objects/shared_constants.h"

namespace kestrel {

struct VariableSlot {
    bool isAlias = false;
    KvBaseObject* value = kvNull();    // when not an alias (one reference held)
    VariableSlot* target = nullptr;    // when an alias
    KvBaseObject* secondary = nullptr;  // preferred by alternate positions (not counted)

    VariableSlot* finalSlot() {
        VariableSlot* slot = this;
        while (slot->isAlias) slot = slot->target;
        return slot;
    }
    KvBaseObject* read() { return finalSlot()->value; }
    // Takes the new reference before dropping the old one.
    void store(KvBaseObject* newValue) { kvAssignRef(finalSlot()->value, newValue ? newValue : kvNull()); }
};

}  // namespace kestrel
