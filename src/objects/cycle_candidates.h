// The value layer's side of cycle collection. A value that can be part of a
// reference cycle is "traversable": it reports every counted reference it
// holds through visitReferences, and when its count falls without reaching
// zero it becomes a candidate, kept here (each at most once) until the
// collector, which lives with the execution contexts in a higher layer,
// examines the candidates in a batch. A value type that holds references
// joins by calling markTraversable() in its constructor and overriding
// visitReferences and dropReferences.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrel {

class KvBaseObject;
class IKvVContext;

// Receives the references a value holds, one call per counted reference.
class KvReferenceVisitor {
public:
    virtual void value(KvBaseObject* held) = 0;
    virtual void context(IKvVContext* held) = 0;

protected:
    ~KvReferenceVisitor() = default;
};

// Bits of a traversable node's cycle flags; the colour is used only while a
// collection runs and is black (0) otherwise.
enum KvCycleFlag : uint8_t {
    kCycleTraversable = 1,
    kCycleBuffered = 2,
    kCycleColorMask = 12,
};
enum KvCycleColor : uint8_t {
    kCycleBlack = 0,  // in use, or not examined
    kCycleGray = 4,   // examined: counts hold only references from outside
    kCycleWhite = 8,  // garbage unless something black reaches it
};

// How many values and contexts the candidate buffers hold together, so that
// the check for a due batch, made at the end of every call, is one comparison.
inline size_t kvBufferedCandidates = 0;

// A candidate buffer of values or contexts: each node knows its position, so
// it joins and leaves in constant time (the last node fills the hole).
template <class Node>
void addToCandidateBuffer(std::vector<Node*>& buffer, Node* node) {
    node->setCycleIndex(static_cast<uint32_t>(buffer.size()));
    node->setCycleFlags(node->cycleFlags() | kCycleBuffered);
    buffer.push_back(node);
    ++kvBufferedCandidates;
}

template <class Node>
void removeFromCandidateBuffer(std::vector<Node*>& buffer, Node* node) {
    uint32_t at = node->cycleIndex();
    node->setCycleFlags(node->cycleFlags() & ~kCycleBuffered);
    if (at >= buffer.size() || buffer[at] != node) return;
    Node* last = buffer.back();
    buffer[at] = last;
    last->setCycleIndex(at);
    buffer.pop_back();
    --kvBufferedCandidates;
}

// The candidate values (made by the first candidate, then kept for the
// whole run); the collector takes them all at once.
inline std::vector<KvBaseObject*>* kvCandidateBuffer = nullptr;
std::vector<KvBaseObject*>& kvCandidateValues();
void kvAddCandidate(KvBaseObject* value);
// A candidate that dies leaves the buffer at once (a buffered value implies
// the buffer exists). Inline: most values that die in a loop of the program
// were buffered when they were last passed around.
inline void kvRemoveCandidate(KvBaseObject* value) {
    removeFromCandidateBuffer(*kvCandidateBuffer, value);
}

// The collector registers here; kvCollectCyclesIfDue runs it when enough
// candidates have piled up. Call it only where every value in use is counted.
using KvCycleCollectHook = void (*)();
void kvSetCycleCollectHook(KvCycleCollectHook hook);
void kvCollectCyclesIfDue();

}  // namespace kestrel
