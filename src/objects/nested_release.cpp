// The queue behind kvReleaseNested (one per thread: values die where they are released).
#include "objects/nested_release.h"

#include <vector>

#include "objects/base_object.h"

namespace kestrel {

void kvReleaseNested(KvBaseObject* value) {
    if (!value) return;
    // Shared, held elsewhere too, or a value that holds no others (a number
    // or a string): releasing it here cannot recurse.
    if (value->refCount() != 1 || value->tag() == kTagNumber || value->tag() == kTagString) {
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
