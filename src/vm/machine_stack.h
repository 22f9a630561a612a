// The machine's operand stack helpers, inline for the dispatch loop: push
// takes a reference, pushOwned hands one over, popValue reads a field and
// returns a plain value that carries one reference.
#pragma once

#include "objects/base_object.h"
#include "objects/number_integer.h"
#include "objects/shared_constants.h"
#include "vm/machine.h"

namespace kestrel {

inline void KvVirtualMachine::push(KvBaseObject* value) {
    if (!value) value = kvNull();
    value->addRef();
    frame_->stack.push(value);
}

inline void KvVirtualMachine::pushOwned(KvBaseObject* value) {
    frame_->stack.push(value ? value : kvNull());
}

inline KvBaseObject* KvVirtualMachine::popRaw() {
    KvBaseObject* value = frame_->stack.pop();
    return value ? value : kvNull();
}

inline KvBaseObject* KvVirtualMachine::popValue() {
    KvBaseObject* value = popRaw();
    if (value->tag() != kTagField && value->tag() != kTagPosField) return value;
    return readField(value);
}

// A call's argument count, at most the operands below it. A shared small
// int is taken inline: nothing to release.
inline int32_t KvVirtualMachine::popCount() {
    KvBaseObject* top = frame_->stack.peek();
    if (!top || top->tag() != kTagNumber || top->refCount() >= 0 ||
        static_cast<KvObjNumber*>(top)->kind() != kKindInt) {
        return popCountSlow();
    }
    frame_->stack.pop();
    int32_t n = static_cast<KvObjInt*>(top)->get();
    int32_t available = static_cast<int32_t>(frame_->stack.count());
    return n < 0 ? 0 : (n > available ? available : n);
}

}  // namespace kestrel
