// The cap rides on the program's own allocation counting (host/memory_limit),
// which already supplies operator new and delete.
#include "heap_cap.h"

#include <cstdint>

#include "host/memory_limit.h"

namespace kestrel::fuzz {

HeapCap::HeapCap(size_t bytes) {
    countAllocations();
    capFurtherAllocations(static_cast<int64_t>(bytes));
}

HeapCap::~HeapCap() { capFurtherAllocations(0); }

}  // namespace kestrel::fuzz
