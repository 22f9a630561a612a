// Trial deletion over a group of contexts: references that come from inside
// the group (parent links, `this` links, functions held only by the group's
// slots) are subtracted; what is left reachable from an outside reference is
// kept, the rest is garbage and its slot values are released.
#include "vm/context_cycles.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "vm/context.h"
#include "vm/function_value.h"

namespace kestrel {

namespace {

std::unordered_set<KvVBaseContext*>& suspects() {
    static auto* set = new std::unordered_set<KvVBaseContext*>();
    return *set;
}

size_t& nextCheckAt() {
    static size_t threshold = 1024;
    return threshold;
}

struct CycleGroup {
    std::unordered_map<KvVBaseContext*, int32_t> internal;  // context -> inner refs
    std::unordered_map<KvObjFunc*, int32_t> functions;      // function -> slot refs in group
    std::unordered_set<KvVBaseContext*> live;

    bool has(KvVBaseContext* c) const { return c && internal.count(c) != 0; }

    template <class Visit>
    static void eachSlotFunction(KvVBaseContext* c, Visit visit) {
        for (int32_t i = 0; i < c->slotCount(); ++i) {
            VariableSlot& s = c->slot(i);
            if (!s.isAlias && s.value && s.value->tag() == kTagFunc) {
                visit(static_cast<KvObjFunc*>(s.value));
            }
        }
    }

    void countInnerReferences() {
        for (auto& entry : internal) {
            KvVBaseContext* c = entry.first;
            eachSlotFunction(c, [this](KvObjFunc* f) { ++functions[f]; });
            if (has(c->parent())) ++internal[c->parent()];
            KvVBaseContext* self = c->thisBaseContext();
            if (self != c && has(self)) ++internal[self];
        }
        for (auto& entry : functions) {
            if (entry.first->refCount() != entry.second) continue;  // held from outside too
            if (has(entry.first->definingContext())) ++internal[entry.first->definingContext()];
            KvVBaseContext* self = entry.first->thisContext();
            if (has(self)) ++internal[self];
        }
    }

    void markLive(KvVBaseContext* c, std::vector<KvVBaseContext*>& work) {
        if (has(c) && live.insert(c).second) work.push_back(c);
    }

    void markFromOutsideReferences() {
        std::vector<KvVBaseContext*> work;
        for (auto& entry : internal) {
            if (entry.first->refs() > entry.second) markLive(entry.first, work);
        }
        for (auto& entry : functions) {
            if (entry.first->refCount() != entry.second) {
                markLive(entry.first->definingContext(), work);
                markLive(entry.first->thisContext(), work);
            }
        }
        while (!work.empty()) {
            KvVBaseContext* c = work.back();
            work.pop_back();
            markLive(c->parent(), work);
            if (c->thisBaseContext() != c) markLive(c->thisBaseContext(), work);
            eachSlotFunction(c, [&](KvObjFunc* f) {
                markLive(f->definingContext(), work);
                markLive(f->thisContext(), work);
            });
        }
    }
};

// Returns the contexts of the group that survived.
std::vector<KvVBaseContext*> collectGroup(const std::vector<KvVBaseContext*>& group) {
    CycleGroup g;
    for (KvVBaseContext* c : group) g.internal.emplace(c, 0);
    g.countInnerReferences();
    g.markFromOutsideReferences();
    std::vector<KvVBaseContext*> garbage, survivors;
    for (KvVBaseContext* c : group) (g.live.count(c) ? survivors : garbage).push_back(c);
    for (KvVBaseContext* c : garbage) c->retain();  // held until every value is gone
    for (KvVBaseContext* c : garbage) c->releaseValues();
    for (KvVBaseContext* c : garbage) c->releaseRef();
    return survivors;
}

void addSuspect(KvVBaseContext* context) {
    context->suspect = true;
    suspects().insert(context);
}

}  // namespace

void noteContextAfterFrame(KvVBaseContext* context) {
    if (context->suspect) return;
    // Either freed here (only cycles held it) or kept as a suspect.
    if (!collectGroup({context}).empty()) addSuspect(context);
    if (suspects().size() >= nextCheckAt()) collectContextCycles();
}

void collectContextCycles() {
    std::vector<KvVBaseContext*> group(suspects().begin(), suspects().end());
    suspects().clear();
    for (KvVBaseContext* c : group) c->suspect = false;
    std::vector<KvVBaseContext*> survivors = collectGroup(group);
    for (KvVBaseContext* c : survivors) addSuspect(c);
    nextCheckAt() = std::max<size_t>(1024, survivors.size() * 2);
}

void forgetSuspectContext(KvVBaseContext* context) {
    suspects().erase(context);
    context->suspect = false;
}

size_t suspectContextCount() {
    return suspects().size();
}

}  // namespace kestrel
