// The batch: mark gray (subtract the references between the nodes the
// candidates reach), scan (a node with a count left is in use and blackens
// what it reaches, restoring their counts; the rest turns white), then free
// the white nodes. Every pass runs on an explicit stack, so a structure of
// any depth is examined without recursion.
#include "vm/cycle_collector.h"

#include <algorithm>
#include <vector>

#include "host/memory_limit.h"
#include "objects/base_object.h"
#include "objects/cycle_candidates.h"
#include "objects/value_pool.h"
#include "vm/context.h"

namespace kestrel {

namespace {

// A value or a context, told apart by the lowest bit (both are aligned).
class Node {
public:
    explicit Node(KvBaseObject* value) : bits_(reinterpret_cast<uintptr_t>(value)) {}
    explicit Node(KvVBaseContext* context) : bits_(reinterpret_cast<uintptr_t>(context) | 1u) {}

    bool isContext() const { return (bits_ & 1u) != 0; }
    KvBaseObject* value() const { return reinterpret_cast<KvBaseObject*>(bits_); }
    KvVBaseContext* context() const { return reinterpret_cast<KvVBaseContext*>(bits_ & ~uintptr_t(1)); }

    int32_t count() const { return isContext() ? context()->refs() : value()->refCount(); }
    void adjust(int32_t delta) const {
        if (isContext()) {
            context()->adjustRefsForCollector(delta);
        } else {
            value()->adjustCountForCollector(delta);
        }
    }
    uint8_t color() const {
        return (isContext() ? context()->cycleFlags() : value()->cycleFlags()) & kCycleColorMask;
    }
    void setColor(uint8_t color) const {
        if (isContext()) {
            KvVBaseContext* c = context();
            c->setCycleFlags(static_cast<uint8_t>((c->cycleFlags() & ~kCycleColorMask) | color));
        } else {
            KvBaseObject* v = value();
            v->setCycleFlags(static_cast<uint8_t>((v->cycleFlags() & ~kCycleColorMask) | color));
        }
    }

    // Calls visit(Node) once per counted reference this node holds on a
    // traversable node.
    template <class Visit>
    void eachChild(Visit&& visit) const;

private:
    uintptr_t bits_;
};

template <class Visit>
class ChildVisitor final : public KvReferenceVisitor {
public:
    explicit ChildVisitor(Visit& visit) : visit_(visit) {}
    void value(KvBaseObject* held) override {
        if (held && held->isTraversable()) visit_(Node(held));
    }
    void context(IKvVContext* held) override {
        // KvVBaseContext is the one context class.
        auto* c = static_cast<KvVBaseContext*>(held);
        if (c && c->isTraversable()) visit_(Node(c));
    }

private:
    Visit& visit_;
};

template <class Visit>
void Node::eachChild(Visit&& visit) const {
    ChildVisitor<Visit> children(visit);
    if (!isContext()) {
        value()->visitReferences(children);
        return;
    }
    context()->visitReferences(children);
}

uint64_t visits = 0;
bool running = false;

constexpr size_t kMinThreshold = 4096;

std::vector<KvVBaseContext*>& contextCandidates() {
    static auto* buffer = new std::vector<KvVBaseContext*>();
    return *buffer;
}

size_t currentThreshold() {
    return cycleBatchThreshold;
}

// Subtracts the references among everything reachable from root.
void markGray(Node root, std::vector<Node>& stack) {
    if (root.color() == kCycleGray) return;
    root.setColor(kCycleGray);
    stack.push_back(root);
    while (!stack.empty()) {
        Node node = stack.back();
        stack.pop_back();
        ++visits;
        node.eachChild([&stack](Node child) {
            child.adjust(-1);
            if (child.color() != kCycleGray) {
                child.setColor(kCycleGray);
                stack.push_back(child);
            }
        });
    }
}

// In use: blackens everything reachable and gives back the subtracted counts.
void scanBlack(Node root, std::vector<Node>& stack) {
    root.setColor(kCycleBlack);
    stack.push_back(root);
    while (!stack.empty()) {
        Node node = stack.back();
        stack.pop_back();
        node.eachChild([&stack](Node child) {
            child.adjust(1);
            if (child.color() != kCycleBlack) {
                child.setColor(kCycleBlack);
                stack.push_back(child);
            }
        });
    }
}

void scan(Node root, std::vector<Node>& stack, std::vector<Node>& black) {
    if (root.color() != kCycleGray) return;
    stack.push_back(root);
    while (!stack.empty()) {
        Node node = stack.back();
        stack.pop_back();
        if (node.color() != kCycleGray) continue;
        if (node.count() > 0) {
            scanBlack(node, black);
            continue;
        }
        node.setColor(kCycleWhite);
        node.eachChild([&stack](Node child) {
            if (child.color() == kCycleGray) stack.push_back(child);
        });
    }
}

// Gathers the white nodes reachable from root, blackening them on the way.
void collectWhite(Node root, std::vector<Node>& stack, std::vector<Node>& garbage) {
    if (root.color() != kCycleWhite) return;
    root.setColor(kCycleBlack);
    stack.push_back(root);
    while (!stack.empty()) {
        Node node = stack.back();
        stack.pop_back();
        garbage.push_back(node);
        node.eachChild([&stack](Node child) {
            if (child.color() == kCycleWhite) {
                child.setColor(kCycleBlack);
                stack.push_back(child);
            }
        });
    }
}

void retain(Node node) {
    if (node.isContext()) {
        node.context()->retain();
    } else {
        node.value()->addRef();
    }
}

void releaseRetained(Node node) {
    if (node.isContext()) {
        node.context()->releaseRef();
    } else {
        node.value()->release();
    }
}

// The garbage's counts get back the references among themselves; each node
// is held while every node drops what it holds, then let go: the last
// references fall away as the nodes are destroyed.
void freeGarbage(const std::vector<Node>& garbage) {
    for (Node node : garbage) node.eachChild([](Node child) { child.adjust(1); });
    for (Node node : garbage) retain(node);
    for (Node node : garbage) {
        if (node.isContext()) {
            node.context()->releaseValues();
        } else {
            node.value()->dropReferences();
        }
    }
    for (Node node : garbage) releaseRetained(node);
}

// The candidates leave the buffers; those whose count is zero (a temporary
// handed back from a call) are left alone: their holder is not counted.
std::vector<Node> takeRoots() {
    std::vector<Node> roots;
    std::vector<KvBaseObject*> values;
    values.swap(kvCandidateValues());
    std::vector<KvVBaseContext*> contexts;
    contexts.swap(contextCandidates());
    kvBufferedCandidates = 0;
    roots.reserve(values.size() + contexts.size());
    for (KvBaseObject* v : values) {
        v->setCycleFlags(v->cycleFlags() & ~kCycleBuffered);
        if (v->refCount() > 0 && v->isTraversable()) roots.emplace_back(v);
    }
    for (KvVBaseContext* c : contexts) {
        c->setCycleFlags(c->cycleFlags() & ~kCycleBuffered);
        if (c->refs() > 0 && c->isTraversable()) roots.emplace_back(c);
    }
    return roots;
}

void collectBatchOrThrow();

// Counts are lowered while a batch runs, so a batch cannot stop half way:
// when its own bookkeeping cannot get memory, the program ends.
void collectBatch() noexcept {
    try {
        collectBatchOrThrow();
    } catch (const std::bad_alloc&) {
        exitOutOfMemory();
    }
}

void collectBatchOrThrow() {
    running = true;
    std::vector<Node> roots = takeRoots();
    std::vector<Node> stack, black, garbage;
    for (Node root : roots) markGray(root, stack);
    for (Node root : roots) scan(root, stack, black);
    for (Node root : roots) collectWhite(root, stack, garbage);
    freeGarbage(garbage);
    int64_t live = kvLiveValueCount();
    cycleBatchThreshold = std::max<size_t>(kMinThreshold, live > 0 ? static_cast<size_t>(live) / 2 : 0);
    running = false;
}

}  // namespace

void noteContextCandidate(KvVBaseContext* context) {
    addToCandidateBuffer(contextCandidates(), context);
}

void forgetContextCandidate(KvVBaseContext* context) {
    removeFromCandidateBuffer(contextCandidates(), context);
}

size_t cycleCandidateCount() {
    return kvCandidateValues().size() + contextCandidates().size();
}

void collectCyclesIfDueSlow() {
    if (!running && cycleCandidateCount() >= currentThreshold()) collectBatch();
}

// Freeing garbage can release further candidates: batches run until none is left.
void collectCycles() {
    if (running) return;
    while (cycleCandidateCount() > 0) collectBatch();
}

uint64_t cycleVisitCount() {
    return visits;
}

namespace {
// The value layer asks for a batch through its hook.
const bool hookRegistered = (kvSetCycleCollectHook(collectCyclesIfDue), true);
}  // namespace

}  // namespace kestrel
