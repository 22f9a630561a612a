// One variable slot of a context, one word: it either holds a value (one
// counted reference) or is an alias of another slot, told apart by the
// lowest bit (values and slots are aligned). Reads and writes follow alias
// chains to the final slot; a chain never loops (binding refuses a cycle).
// The value is a raw pointer, not a KvRef: slots live in the context's
// inline storage, which is dropped without running destructors, and the
// word is shared with the alias case. Stores go through kvAssignRef, which
// keeps the handle's rule (the new reference first, then the old dropped).
#pragma once

#include <cstdint>

#include "objects/base_object.h"
#include "objects/shared_constants.h"

namespace kestrel {

struct VariableSlot {
    KvBaseObject* value = kvNull();  // when not an alias (one reference held)

    bool isAlias() const { return (reinterpret_cast<uintptr_t>(value) & 1u) != 0; }
    VariableSlot* target() const {
        return reinterpret_cast<VariableSlot*>(reinterpret_cast<uintptr_t>(value) & ~uintptr_t(1));
    }
    // The reference held before is the caller's to drop.
    void makeAlias(VariableSlot* to) {
        value = reinterpret_cast<KvBaseObject*>(reinterpret_cast<uintptr_t>(to) | 1u);
    }
    VariableSlot* finalSlot() {
        VariableSlot* slot = this;
        while (slot->isAlias()) slot = slot->target();
        return slot;
    }
    KvBaseObject* read() { return finalSlot()->value; }
    // Takes the new reference before dropping the old one.
    void store(KvBaseObject* newValue) { kvAssignRef(finalSlot()->value, newValue ? newValue : kvNull()); }
};

static_assert(sizeof(VariableSlot) == sizeof(void*), "a slot is one word");

}  // namespace kestrel
