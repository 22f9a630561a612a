// Free lists are lock-free stacks: any thread may push, only the interpreter
// thread pops, so a popped head cannot come back under it (no ABA).
#include "objects/value_pool.h"

#include <clocale>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
// Cached blocks are poisoned so a use after release still trips the sanitizer.
#define KV_POISON(block, size) ASAN_POISON_MEMORY_REGION(block, size)
#define KV_UNPOISON(block, size) ASAN_UNPOISON_MEMORY_REGION(block, size)
#else
#define KV_POISON(block, size) ((void)(block), (void)(size))
#define KV_UNPOISON(block, size) ((void)(block), (void)(size))
#endif

namespace kestrel {

KvValuePool::KvValuePool() {
    // Case mapping of strings follows the user's locale; number texts and
    // number parsing keep the C conventions whatever the environment says.
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
}

void* KvValuePool::allocate(std::size_t size) noexcept {
    void* block = nullptr;
    if (size <= kLargestPooled) {
        size = blockSize(size);
        block = takeCached(lists_[listIndex(size)], size);
    }
    if (!block) {
        block = std::malloc(size);
    }
    if (!block) {
        block = std::malloc(size);  // one retry, as the heap may have been trimmed meanwhile
    }
    if (!block) {
        return nullptr;
    }
    bytes_.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed);
    live_.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void KvValuePool::deallocate(void* block, std::size_t size) noexcept {
    if (!block) {
        return;
    }
    bool pooled = size <= kLargestPooled;
    if (pooled) {
        size = blockSize(size);
    }
    bytes_.fetch_sub(static_cast<int64_t>(size), std::memory_order_relaxed);
    live_.fetch_sub(1, std::memory_order_relaxed);
    if (!pooled || !putCached(lists_[listIndex(size)], block, size)) {
        std::free(block);
    }
}

void* KvValuePool::takeCached(FreeList& list, std::size_t size) noexcept {
    FreeBlock* head = list.head.load(std::memory_order_acquire);
    while (head) {
        KV_UNPOISON(head, sizeof(FreeBlock));
        if (list.head.compare_exchange_weak(head, head->next, std::memory_order_acquire,
                                            std::memory_order_acquire)) {
            break;
        }
    }
    if (head) {
        list.count.fetch_sub(1, std::memory_order_relaxed);
        KV_UNPOISON(head, size);
    }
    return head;
}

bool KvValuePool::putCached(FreeList& list, void* block, std::size_t size) noexcept {
    if (list.count.load(std::memory_order_relaxed) >= kMaxCachedBlocks) {
        return false;
    }
    auto* node = static_cast<FreeBlock*>(block);
    // Everything past the link is poisoned before the block becomes visible.
    KV_POISON(node + 1, size - sizeof(FreeBlock));
    FreeBlock* head = list.head.load(std::memory_order_relaxed);
    for (int attempt = 0; attempt < kMaxPutAttempts; ++attempt) {
        node->next = head;
        if (list.head.compare_exchange_weak(head, node, std::memory_order_release,
                                            std::memory_order_relaxed)) {
            list.count.fetch_add(1, std::memory_order_relaxed);
            return true;
        }
    }
    KV_UNPOISON(block, size);
    return false;
}

int32_t KvValuePool::cachedBlocks(std::size_t size) const {
    if (size > kLargestPooled) {
        return 0;
    }
    return lists_[listIndex(size)].count.load(std::memory_order_relaxed);
}

void KvValuePool::releaseCachedBlocks() noexcept {
    for (std::size_t i = 0; i < kListCount; ++i) {
        while (void* block = takeCached(lists_[i], i * kGranule)) {
            std::free(block);
        }
    }
}

KvValuePool& valuePool() {
    static KvValuePool* pool = new KvValuePool();
    return *pool;
}

}  // namespace kestrel
