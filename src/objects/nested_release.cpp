// The queue behind kvReleaseNested (one per thread: values die where they are released).
#include "objects/nested_release.h"

#include <vector>

#include "objects/base_object.h"

namespace kestrel {

void kvReleaseNested(KvBaseObject* value) {
    if (!value) return;
    if (value->refCount() != 1) {  // shared, or held elsewhere too: it does not die here
        value->release();
        return;
    }
    thread_local std::vector<KvBaseObject*> pending;
    thread_local bool draining = false;
    pending.push_back(value);
    if (draining) return;
    draining = true;
    while (!pending.empty()) {
        KvBaseObject* next = pending.back();
        pending.pop_back();
        next->release();  // its own container children come back to the queue
    }
    draining = false;
}

}  // namespace kestrel
