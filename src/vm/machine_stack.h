// The machine's operand stack helpers, inline for the dispatch loop: push
// takes a reference, pushOwned hands one over, popValue reads a field and
// returns a plain value that carries one reference.
#pragma once

#include "objects/base_object.h"
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

}  // namespace kestrel
