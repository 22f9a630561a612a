// Frame start and release, including the check of a function context that
// outlives its activation.
#include "vm/call_frame.h"

#include "objects/base_object.h"
#include "vm/cycle_collector.h"

namespace kestrel {

// Empties the handle. A function context that survives its frame is a
// cycle candidate; the end of a function frame is a point where a batch may
// run. Module and class-body contexts are held elsewhere on purpose.
static void releaseContext(KvContextRef& context, bool functionFrame) {
    if (!functionFrame) {
        context.reset();
        return;
    }
    if (KvVBaseContext* activation = context.detach()) activation->releaseActivation();
    collectCyclesIfDue();
}

void CallFrame::setContext(KvContextRef newContext) {
    KvContextRef old = std::move(context);
    context = std::move(newContext);
    releaseContext(old, ownsContext);
}

void CallFrame::dropPending(size_t depth) {
    while (pending.size() > depth) {
        KvValueRef raised = std::move(pending.back().raised);
        pending.pop_back();
    }
}

void CallFrame::clearOperands() {
    while (KvBaseObject* value = stack.pop()) value->release();  // each entry's own reference
    if (generalReturn) {
        for (KvValueRef& reg : registers) reg.reset();
        handlers.clear();
        if (!pending.empty()) dropPending(0);
        generalReturn = false;
    }
}

}  // namespace kestrel
