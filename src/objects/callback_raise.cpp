// The parked callback exception (one slot per thread).
#include "objects/callback_raise.h"

#include "objects/base_object.h"

namespace kestrel {

namespace {
thread_local KvBaseObject* parked = nullptr;
}  // namespace

void kvParkCallbackRaise(KvBaseObject* exception) {
    if (!exception) return;
    exception->addRef();
    KvBaseObject* old = parked;
    parked = exception;
    if (old) old->release();
}

bool kvCallbackRaised() {
    return parked != nullptr;
}

KvBaseObject* kvTakeCallbackRaise() {
    KvBaseObject* taken = parked;
    parked = nullptr;
    return taken;
}

}  // namespace kestrel
