// Trial deletion over a group of contexts: references that come from inside
// the group (parent links, `this` links, and the functions, classes and
// instances held only by the group's slots) are subtracted; what is left
// reachable from an outside reference is kept, the rest is garbage and its
// slot values are released. Instances held by the group bring their own
// contexts into it.
#include "vm/context_cycles.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "vm/context.h"
#include "vm/class_value.h"
#include "vm/function_value.h"
#include "vm/instance_value.h"

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

// The contexts a value holds a reference on: a function its defining and
// `this` contexts, a class its defining context, an instance its own.
template <class Visit>
void eachHeldContext(KvBaseObject* value, Visit visit) {
    switch (value->tag()) {
        case kTagFunc: {
            auto* function = static_cast<KvObjFunc*>(value);
            visit(function->definingContext());
            visit(function->thisContext());
            break;
        }
        case kTagClass: visit(static_cast<KvObjClass*>(value)->definingContext()); break;
        case kTagLocalObject: visit(static_cast<KvObjLocalObject*>(value)->context()); break;
        default: break;
    }
}

bool holdsContexts(const KvBaseObject* value) {
    return value->tag() == kTagFunc || value->tag() == kTagClass || value->tag() == kTagLocalObject;
}

struct CycleGroup {
    std::unordered_map<KvVBaseContext*, int32_t> internal;  // context -> inner refs
    std::vector<KvVBaseContext*> order;
    std::unordered_map<KvBaseObject*, int32_t> holders;     // value -> refs from group contexts
    std::unordered_set<KvVBaseContext*> live;

    bool has(KvVBaseContext* c) const { return c && internal.count(c) != 0; }

    void add(KvVBaseContext* c) {
        if (c && internal.emplace(c, 0).second) order.push_back(c);
    }

    // Values a context holds that hold contexts: slot values and its class.
    template <class Visit>
    static void eachHolder(KvVBaseContext* c, Visit visit) {
        for (int32_t i = 0; i < c->slotCount(); ++i) {
            VariableSlot& s = c->slot(i);
            if (!s.isAlias && s.value && holdsContexts(s.value)) visit(s.value);
        }
        if (c->instanceClass()) visit(c->instanceClass());
    }

    // Instances held by the group bring their contexts in: an instance kept
    // only by a context it reaches forms a cycle through its own context.
    void expand() {
        for (size_t i = 0; i < order.size() && order.size() < kMaxGroup; ++i) {
            eachHolder(order[i], [this](KvBaseObject* v) {
                if (v->tag() == kTagLocalObject) add(static_cast<KvObjLocalObject*>(v)->context());
            });
        }
    }

    void countInnerReferences() {
        for (KvVBaseContext* c : order) {
            eachHolder(c, [this](KvBaseObject* v) { ++holders[v]; });
            if (has(c->parent())) ++internal[c->parent()];
            KvVBaseContext* self = c->thisBaseContext();
            if (self != c && has(self)) ++internal[self];
        }
        for (auto& entry : holders) {
            if (entry.first->refCount() != entry.second) continue;  // held from outside too
            eachHeldContext(entry.first, [this](KvVBaseContext* held) {
                if (has(held)) ++internal[held];
            });
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
        for (auto& entry : holders) {
            if (entry.first->refCount() != entry.second) {
                eachHeldContext(entry.first, [&](KvVBaseContext* held) { markLive(held, work); });
            }
        }
        while (!work.empty()) {
            KvVBaseContext* c = work.back();
            work.pop_back();
            markLive(c->parent(), work);
            if (c->thisBaseContext() != c) markLive(c->thisBaseContext(), work);
            eachHolder(c, [&](KvBaseObject* v) {
                eachHeldContext(v, [&](KvVBaseContext* held) { markLive(held, work); });
            });
        }
    }

    static constexpr size_t kMaxGroup = 1u << 20;
};

bool& collecting() {
    static bool running = false;
    return running;
}

// Returns the contexts of the group that survived.
std::vector<KvVBaseContext*> collectGroup(const std::vector<KvVBaseContext*>& group) {
    CycleGroup g;
    for (KvVBaseContext* c : group) g.add(c);
    g.expand();
    g.countInnerReferences();
    g.markFromOutsideReferences();
    std::vector<KvVBaseContext*> garbage, survivors;
    for (size_t i = 0; i < g.order.size(); ++i) {
        KvVBaseContext* c = g.order[i];
        if (!g.live.count(c)) {
            garbage.push_back(c);
        } else if (i < group.size()) {
            survivors.push_back(c);  // contexts the expansion brought in are not suspects
        }
    }
    collecting() = true;
    for (KvVBaseContext* c : garbage) c->retain();  // held until every value is gone
    for (KvVBaseContext* c : garbage) c->releaseValues();
    for (KvVBaseContext* c : garbage) c->releaseRef();
    collecting() = false;
    return survivors;
}

void addSuspect(KvVBaseContext* context) {
    context->suspect = true;
    suspects().insert(context);
}

}  // namespace

void noteContextAfterFrame(KvVBaseContext* context) {
    if (context->suspect) return;
    if (collecting()) {  // a collection is releasing values: look again later
        addSuspect(context);
        return;
    }
    // Either freed here (only cycles held it) or kept as a suspect.
    if (!collectGroup({context}).empty()) addSuspect(context);
    if (suspects().size() >= nextCheckAt()) collectContextCycles();
}

void noteInstanceContext(KvVBaseContext* context) {
    if (context->suspect) return;
    addSuspect(context);
    if (!collecting() && suspects().size() >= nextCheckAt()) collectContextCycles();
}

// Contexts noted while a collection released values are checked in another round.
void collectContextCycles() {
    for (int round = 0; round < 64 && !suspects().empty(); ++round) {
        std::vector<KvVBaseContext*> group(suspects().begin(), suspects().end());
        suspects().clear();
        for (KvVBaseContext* c : group) c->suspect = false;
        std::vector<KvVBaseContext*> survivors = collectGroup(group);
        bool noted = !suspects().empty();
        for (KvVBaseContext* c : survivors) addSuspect(c);
        nextCheckAt() = std::max<size_t>(1024, survivors.size() * 2);
        if (!noted) break;
    }
}

void forgetSuspectContext(KvVBaseContext* context) {
    suspects().erase(context);
    context->suspect = false;
}

size_t suspectContextCount() {
    return suspects().size();
}

}  // namespace kestrel
