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
    std::vector<KvBaseObject*>& buffer = kvCandidateValues();
    value->setCycleIndex(static_cast<uint32_t>(buffer.size()));
    value->setCycleFlags(value->cycleFlags() | kCycleBuffered);
    buffer.push_back(value);
}

void kvRemoveCandidate(KvBaseObject* value) {
    std::vector<KvBaseObject*>& buffer = kvCandidateValues();
    uint32_t at = value->cycleIndex();
    value->setCycleFlags(value->cycleFlags() & ~kCycleBuffered);
    if (at >= buffer.size() || buffer[at] != value) return;
    KvBaseObject* last = buffer.back();
    buffer[at] = last;
    last->setCycleIndex(at);
    buffer.pop_back();
}

void kvSetCycleCollectHook(KvCycleCollectHook hook) {
    collectHook = hook;
}

void kvCollectCyclesIfDue() {
    if (collectHook) collectHook();
}

}  // namespace kestrel
