// The dispatch loop's inline member read: `obj.name` where the site has
// learnt, on earlier runs, that name is a variable of the instance itself
// (no base path) for the instance's class and that its value is used at
// once. Anything else goes to the machine's general member reference.
#pragma once

#include "objects/field_value.h"
#include "vm/code_unit.h"
#include "vm/fast_stack.h"
#include "vm/function_value.h"
#include "vm/instance_value.h"

namespace kestrel {

// Replaces the owner on top by the variable's value, as the general path
// would push it; false (nothing done) when the site's binding does not fit.
// Always inline: its one caller is the dispatch loop, which the compiler
// would otherwise leave calling it for every member reference.
[[gnu::always_inline]] inline bool readOwnFieldAtOnce(KvFastStack& stack, CodeUnit& unit, int32_t position) {
    KvBaseObject* owner = stack.peek();
    if (!owner || owner->tag() != kTagLocalObject) return false;
    const CodeCacheEntry& entry = unit.cache(position);
    if (entry.readAtOnce != 1) return false;  // unknown yet, or a method read (never decided)
    const KvMemberBinding* binding = entry.binding.get();
    if (!binding || binding->kind != kFieldInstanceVariable || !binding->memberPath.empty()) return false;
    auto* instance = static_cast<KvObjLocalObject*>(owner);
    if (binding->classSerial != instance->classSerial()) return false;
    KvVBaseContext* holder = instance->context();
    if (!holder->hasSlot(binding->memberSlot)) return false;
    KvBaseObject* held = holder->slot(binding->memberSlot).read();
    // Binding a shared method makes a value, which may fail: the general
    // path does that with the frame's position written back.
    if (!held || isUnboundMethod(held)) return false;
    held->addRef();  // before the owner, which may hold its last reference, goes
    stack.setTop(held);
    owner->release();
    return true;
}

}  // namespace kestrel
