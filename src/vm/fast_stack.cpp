#include "vm/fast_stack.h"

#include <algorithm>

namespace kestrel {

KvFastStack::KvFastStack()
    : base_(new KvBaseObject*[kInitialCapacity]), top_(base_), end_(base_ + kInitialCapacity) {}

KvFastStack::~KvFastStack() {
    delete[] base_;
}

void KvFastStack::grow() {
    const size_t used = count();
    const size_t capacity = static_cast<size_t>(end_ - base_) * 2;
    auto** block = new KvBaseObject*[capacity];
    std::copy(base_, top_, block);
    delete[] base_;
    base_ = block;
    top_ = block + used;
    end_ = block + capacity;
}

}  // namespace kestrel
