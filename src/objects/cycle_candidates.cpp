// The candidate buffer of values: a vector with each member's position kept
// in the value itself, so a value that dies leaves it in constant time.
#include "objects/cycle_candidates.h"

#include "objects/base_object.h"

namespace kestrel {

namespace {

KvCycleCollectHook collectHook = nullptr;

}  // namespace

std::vector<KvBaseObject*>& kvCandidateValues() {
    if (!kvCandidateBuffer) kvCandidateBuffer = new std::vector<KvBaseObject*>();
    return *kvCandidateBuffer;
}

void kvAddCandidate(KvBaseObject* value) {
    addToCandidateBuffer(kvCandidateValues(), value);
}

void kvSetCycleCollectHook(KvCycleCollectHook hook) {
    collectHook = hook;
}

void kvCollectCyclesIfDue() {
    if (collectHook) collectHook();
}

}  // namespace kestrel
