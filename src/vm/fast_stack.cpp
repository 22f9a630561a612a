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

void KvFastStack::grow() {
    current_ = new Chunk{{}, current_};
    top_ = 0;
}

void KvFastStack::shrink() {
    Chunk* emptied = current_;
    current_ = current_->older;
    top_ = kChunkCapacity;
    delete emptied;
}

}  // namespace kestrel
