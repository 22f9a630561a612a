// What a script function's calls have in common, worked out once it is
// called a second time: the slot count and parameters of its scope, where
// its code starts, and the word each slot of a fresh activation holds before
// the arguments arrive (null, or an alias of the slot a free name was bound
// to). A call that passes exactly the parameters then copies these words
// instead of binding every free name again. A class's shared method (a
// constructor, most often) runs on the instance it is called for: its free
// names are fields of that instance, kept as slot numbers and aliased anew
// on every call.
#pragma once

#include <cstdint>

#include "vm/variable_slot.h"

namespace kestrel {

class KvObjFunc;
class KvVBaseContext;
class ScopeTable;

struct ActivationPlan {
    // Activations larger than this are made the general way.
    static constexpr int32_t kMaxSlots = 8;

    const ScopeTable* scope = nullptr;
    int32_t slotCount = 0;
    int32_t parameters = 0;  // a planned call passes exactly this many arguments
    int32_t firstParameterSlot = 0;
    int32_t entry = 0;       // the first instruction of the body
    uint64_t classKey = 0;   // the class of the function's `this` when the aliases were found (0: none)
    bool checksClass = false;  // there are aliases: a call checks classKey first
    // A shared method: the activation's parent and `this` are the
    // receiver's, and implicit i aliases the receiver's slot fieldSlots[i]
    // (classKey is then the receiver's class).
    bool sharedMethod = false;
    int32_t firstImplicitSlot = 0;
    int32_t implicitCount = 0;
    int32_t fieldsNeeded = 0;  // the receiver has at least this many slots
    int32_t fieldSlots[kMaxSlots] = {};
    VariableSlot initial[kMaxSlots];
};

// After a general call of function: gives it a plan once its calls are
// known to repeat, or marks it as never having one.
[[gnu::noinline]] void notePlan(KvObjFunc& function);

}  // namespace kestrel
