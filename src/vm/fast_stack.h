// The operand stack: value pointers in one contiguous block, doubled when
// full. Push, pop and peek are a compare and a pointer step; the block is
// kept when the stack empties, so a reused frame allocates nothing. The
// stack does not count: its owner decides what an entry holds (a machine
// frame keeps one reference per entry and moves handles in and out through
// the helpers of machine_stack.h, at no cost over the raw pointers).
#pragma once

#include <cstddef>

namespace kestrel {

class KvBaseObject;

class KvFastStack {
public:
    static constexpr size_t kInitialCapacity = 20;

    KvFastStack();
    ~KvFastStack();
    KvFastStack(const KvFastStack&) = delete;
    KvFastStack& operator=(const KvFastStack&) = delete;

    // Inline: the machine pushes and pops on every instruction.
    void push(KvBaseObject* value) {
        if (top_ == end_) grow();
        *top_++ = value;
    }
    KvBaseObject* pop() {  // null when empty
        return top_ == base_ ? nullptr : *--top_;
    }
    KvBaseObject* peek() const {  // null when empty
        return top_ == base_ ? nullptr : top_[-1];
    }
    // The entry below the top, and dropping the top n entries without
    // reading them: the caller has checked that count() is large enough.
    KvBaseObject* peekUnder() const { return top_[-2]; }
    void drop(size_t n) { top_ -= n; }
    // The first of the top n entries (the caller has checked count() >= n).
    KvBaseObject** topEntries(size_t n) const { return top_ - n; }
    // Replaces the top entry (the caller has checked there is one).
    void setTop(KvBaseObject* value) { top_[-1] = value; }
    size_t count() const { return static_cast<size_t>(top_ - base_); }
    bool empty() const { return top_ == base_; }

private:
    void grow();  // twice the room, elements moved over

    KvBaseObject** base_;
    KvBaseObject** top_;  // one past the top element
    KvBaseObject** end_;
};

}  // namespace kestrel
