// The operand stack: value pointers in linked chunks of 20, so it grows
// without ever copying its elements. The first chunk is kept when empty.
#pragma once

#include <cstddef>

namespace kestrel {

class KvBaseObject;

class KvFastStack {
public:
    static constexpr size_t kChunkCapacity = 20;

    KvFastStack();
    ~KvFastStack();
    KvFastStack(const KvFastStack&) = delete;
    KvFastStack& operator=(const KvFastStack&) = delete;

    // Inline: the machine pushes and pops on every instruction.
    void push(KvBaseObject* value) {
        if (top_ == kChunkCapacity) grow();
        current_->items[top_++] = value;
        ++count_;
    }
    KvBaseObject* pop() {  // null when empty
        if (count_ == 0) return nullptr;
        KvBaseObject* value = current_->items[--top_];
        --count_;
        if (top_ == 0 && current_->older != nullptr) shrink();
        return value;
    }
    KvBaseObject* peek() const {  // null when empty
        return count_ == 0 ? nullptr : current_->items[top_ - 1];
    }
    size_t count() const { return count_; }
    bool empty() const { return count_ == 0; }

private:
    void grow();    // a new chunk for the next push
    void shrink();  // frees the emptied newest chunk

    struct Chunk {
        KvBaseObject* items[kChunkCapacity];
        Chunk* older;
    };
    Chunk* current_;
    size_t top_ = 0;  // elements used in the current chunk
    size_t count_ = 0;
};

}  // namespace kestrel
