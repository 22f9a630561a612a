// Breaks reference cycles between contexts and the function, class and
// instance values stored in their slots (a named or recursive local function
// holds the context that holds it; instances can hold each other). A context that outlives its frame is checked at once and,
// failing that, kept as a suspect for a later check over all suspects.
#pragma once

#include <cstddef>

#include "vm/context.h"

namespace kestrel {

class KvVBaseContext;

// Called when a function frame let go of its context and the context lives on.
void noteContextAfterFrame(KvVBaseContext* context);
// Drops the reference a function frame or an instance held (the handle is
// left empty); when the context lives on, it is noted as above.
inline void releaseContextNoting(KvContextRef& context) {
    if (!context || context->refs() == 1) {
        context.reset();  // the last reference: nothing can be left in a cycle
        return;
    }
    KvVBaseContext* kept = context.get();
    context.reset();
    noteContextAfterFrame(kept);
}
// Instances can hold each other in cycles no frame exit sees: each instance
// context is a suspect from its creation.
void noteInstanceContext(KvVBaseContext* context);
// Frees every suspect context that only cycles keep alive.
void collectContextCycles();
// A context being deleted leaves the suspects.
void forgetSuspectContext(KvVBaseContext* context);
size_t suspectContextCount();

}  // namespace kestrel
