// Sorting values with their own native compare. The order is whatever the
// compares answer, and they may contradict themselves (a list of mixed kinds
// answers -1 both ways), so the sort is a merge sort that only ever moves
// whole elements: whatever the answers, the result is a permutation of the
// input and no position outside the array is read.
#pragma once

#include <vector>

namespace kestrel {

class KvBaseObject;

// ascending: a goes before b when b->compare(a) > 0; descending: when
// a->compare(b) > 0. A list made only of ints is sorted by value directly.
void kvSortValues(std::vector<KvBaseObject*>& values, bool ascending);

}  // namespace kestrel
