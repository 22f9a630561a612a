// The candidate buffer of values: a vector with each member's position kept
// in the value itself, so a value that dies leaves it in constant time.
#include "objects/cycle_candidates.h"

#include "objects/base_object.h"

namespace kestrel {

namespace {

KvCycleCollectHook collectHook = nullptr;

}  // namespace

std::vector<KvBaseObject*>& kvCandidateValues() {
    static auto* buffer = new std::vector<KvBaseObject*>();
    return *buffer;
}

void kvAddCandidate(KvBaseObject* value) {
    addToCandidateBuffer(kvCandidateValues(), value);
}

void kvRemoveCandidate(KvBaseObject* value) {
    removeFromCandidateBuffer(kvCandidateValues(), value);
}

void kvSetCycleCollectHook(KvCycleCollectHook hook) {
    collectHook = hook;
}

void kvCollectCyclesIfDue() {
    if (collectHook) collectHook();
}

}  // namespace kestrel
