// The arguments of one call, popped from the operand stack: each holds one
// reference, released when the call is over. Small calls need no heap.
// The items stay raw pointers (not KvRef) because a call hands them on as
// one contiguous KvArgList; this type is their single owner.
#pragma once

#include <cstdint>
#include <vector>

#include "objects/arg_list.h"
#include "objects/base_object.h"
#include "vm/machine.h"

namespace kestrel {

struct KvVirtualMachine::CallArgs {
    static constexpr int32_t kInline = 8;

    explicit CallArgs(int32_t n) : count(n) {
        if (n > kInline) heap.resize(static_cast<size_t>(n));
        items = n > kInline ? heap.data() : inlineItems;
        for (int32_t i = 0; i < n; ++i) items[i] = nullptr;
    }
    ~CallArgs() {
        for (int32_t i = 0; i < count; ++i) {
            if (items[i]) items[i]->release();
        }
    }
    CallArgs(const CallArgs&) = delete;
    CallArgs& operator=(const CallArgs&) = delete;

    KvArgList list() { return KvArgList{count, items}; }

    int32_t count;
    KvBaseObject** items;
    KvBaseObject* inlineItems[kInline];
    std::vector<KvBaseObject*> heap;
};

}  // namespace kestrel
