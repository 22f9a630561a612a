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

    void push(KvBaseObject* value);
    KvBaseObject* pop();         // null when empty
    KvBaseObject* peek() const;  // null when empty
    size_t count() const { return count_; }
    bool empty() const { return count_ == 0; }

private:
    struct Chunk {
        KvBaseObject* items[kChunkCapacity];
        Chunk* older;
    };
    Chunk* current_;
    size_t top_ = 0;  // elements used in the current chunk
    size_t count_ = 0;
};

}  // namespace kestrel
