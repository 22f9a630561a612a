#include "vm/fast_stack.h"

namespace kestrel {

KvFastStack::KvFastStack() : current_(new Chunk{{}, nullptr}) {}

KvFastStack::~KvFastStack() {
    while (current_ != nullptr) {
        Chunk* older = current_->older;
        delete current_;
        current_ = older;
    }
}

void KvFastStack::push(KvBaseObject* value) {
    if (top_ == kChunkCapacity) {
        current_ = new Chunk{{}, current_};
        top_ = 0;
    }
    current_->items[top_++] = value;
    ++count_;
}

KvBaseObject* KvFastStack::pop() {
    if (count_ == 0) return nullptr;
    KvBaseObject* value = current_->items[--top_];
    --count_;
    if (top_ == 0 && current_->older != nullptr) {
        Chunk* emptied = current_;
        current_ = current_->older;
        top_ = kChunkCapacity;
        delete emptied;
    }
    return value;
}

KvBaseObject* KvFastStack::peek() const {
    return count_ == 0 ? nullptr : current_->items[top_ - 1];
}

}  // namespace kestrel
