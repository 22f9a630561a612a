// A bottom-up merge sort over value pointers, with an int fast path.
#include "objects/value_sort.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "objects/base_object.h"
#include "objects/number_integer.h"

namespace kestrel {

namespace {

// Ints compare by the sign of their difference, so sorting the values
// themselves gives the same order without a virtual call per comparison.
// Keys are read in one pass, each element's asked for a few ahead (the
// elements lie anywhere in memory); false, with values untouched, when
// some element is not an int.
bool sortInts(std::vector<KvBaseObject*>& values, bool ascending) {
    constexpr std::size_t kAhead = 8;
    std::vector<std::pair<int32_t, KvBaseObject*>> keyed;
    keyed.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i + kAhead < values.size()) kvPrefetchCount(values[i + kAhead]);
        KvObjNumber* number = asNumber(values[i]);
        if (!number || number->kind() != kKindInt) return false;
        keyed.emplace_back(static_cast<KvObjInt*>(number)->get(), values[i]);
    }
    auto byKey = [ascending](const auto& a, const auto& b) {
        return ascending ? a.first < b.first : b.first < a.first;
    };
    std::sort(keyed.begin(), keyed.end(), byKey);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = keyed[i].second;
    return true;
}

// True when right must be placed before left.
inline bool rightFirst(KvBaseObject* left, KvBaseObject* right, bool ascending) {
    return ascending ? left->compare(right) > 0 : right->compare(left) > 0;
}

// Merges from[lo, mid) and from[mid, hi) into to[lo, hi): every element is
// copied exactly once, whatever the compares answer.
void mergeRuns(const std::vector<KvBaseObject*>& from, std::vector<KvBaseObject*>& to,
               std::size_t lo, std::size_t mid, std::size_t hi, bool ascending) {
    std::size_t i = lo, j = mid, k = lo;
    while (i < mid && j < hi) {
        to[k++] = rightFirst(from[i], from[j], ascending) ? from[j++] : from[i++];
    }
    while (i < mid) to[k++] = from[i++];
    while (j < hi) to[k++] = from[j++];
}

void mergeSort(std::vector<KvBaseObject*>& values, bool ascending) {
    const std::size_t n = values.size();
    std::vector<KvBaseObject*> buffer(n);
    std::vector<KvBaseObject*>* from = &values;
    std::vector<KvBaseObject*>* to = &buffer;
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            std::size_t mid = std::min(lo + width, n);
            std::size_t hi = std::min(lo + 2 * width, n);
            mergeRuns(*from, *to, lo, mid, hi, ascending);
        }
        std::swap(from, to);
    }
    if (from != &values) values.swap(buffer);
}

}  // namespace

void kvSortValues(std::vector<KvBaseObject*>& values, bool ascending) {
    if (values.size() < 2) return;
    if (!sortInts(values, ascending)) mergeSort(values, ascending);
}

}  // namespace kestrel
