// Where a variable lives relative to a context: a slot number, a depth of
// parent links (or, for members, a path through hidden base slots), and
// the alternate flag. Made by the name-resolution
// pass (outer references, their slot filled in once slots are assigned) and
// by binding at run time; resolved against contexts at run time.
#pragma once

#include <cstdint>
#include <vector>

namespace kestrel {

constexpr uint32_t kUnresolvedSlot = 0xFFFFFFFFu;

class KvVarPosition {
public:
    KvVarPosition() = default;
    KvVarPosition(int32_t depth, uint32_t slot) : depth(depth), slot(slot) {}

    bool resolved() const { return slot != kUnresolvedSlot; }

    bool member = false;     // goes through the members of an instance
    // Asks for a slot's secondary value; slots keep none (nothing ever set
    // one), so it is only carried through the compiled-module file.
    bool alternate = false;
    // Set by the name-resolution pass on an outer reference found in an
    // enclosing function's scope: binding uses it before any lookup by name,
    // so names resolve lexically.
    bool lexical = false;
    int32_t depth = 0;       // 0 = the context itself; -n = the n-th parent
    bool hasMemberPath = false;
    std::vector<uint32_t> memberPath;  // 1-based hidden base slot numbers
    uint32_t slot = kUnresolvedSlot;
};

}  // namespace kestrel
