// Frame start and release, including the check of a function context that
// outlives its activation.
#include "vm/call_frame.h"

#include "objects/base_object.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/context_cycles.h"

namespace kestrel {

void CallFrame::begin(CodeUnit* newUnit, int32_t startPc, int32_t mode,
                      KvVBaseContext* newContext, bool owns) {
    unit = newUnit;
    code = unit ? unit->code() : nullptr;
    codeCount = unit ? unit->count() : 0;
    pc = startPc;
    resultMode = mode;
    context = newContext;
    ownsContext = owns;
}

static void releaseContext(KvVBaseContext* context, bool functionFrame) {
    if (context->refs() == 1 || !functionFrame) {
        context->releaseRef();
        return;
    }
    context->releaseRef();
    noteContextAfterFrame(context);  // still held: only by its own functions?
}

void CallFrame::setContext(KvVBaseContext* newContext) {
    KvVBaseContext* old = context;
    context = newContext;
    if (old) releaseContext(old, ownsContext);
}

void CallFrame::dropPending(size_t depth) {
    while (pending.size() > depth) {
        KvBaseObject* raised = pending.back().raised;
        pending.pop_back();
        if (raised) raised->release();
    }
}

void CallFrame::clear() {
    while (KvBaseObject* value = stack.pop()) value->release();
    if (registersUsed) {
        for (KvBaseObject*& reg : registers) {
            if (reg) reg->release();
            reg = nullptr;
        }
        registersUsed = false;
    }
    handlers.clear();
    if (!pending.empty()) dropPending(0);
    if (context) {
        KvVBaseContext* old = context;
        context = nullptr;
        releaseContext(old, ownsContext);
    }
    if (unit) {
        unit->releaseRef();
        unit = nullptr;
    }
    code = nullptr;
}

}  // namespace kestrel
