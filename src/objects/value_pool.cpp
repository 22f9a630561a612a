// Blocks cached in a free list are poisoned under AddressSanitizer, all but
// their link (which keeps them reachable for the leak checker), so that a use
// after release still trips it. Side lists are lock-free stacks with many
// pushers and one drainer, which takes the whole stack at once (no ABA).
#include "objects/value_pool.h"

#include <clocale>
#include <cstdlib>

#include "host/memory_limit.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define KV_POISON(block, size) ASAN_POISON_MEMORY_REGION(block, size)
#define KV_UNPOISON(block, size) ASAN_UNPOISON_MEMORY_REGION(block, size)
#else
#define KV_POISON(block, size) ((void)(block), (void)(size))
#define KV_UNPOISON(block, size) ((void)(block), (void)(size))
#endif

namespace kestrel {

namespace {

// The core library is linked statically into the program, so the cheap
// initial-exec model applies (no call to find the thread's block).
__attribute__((tls_model("initial-exec"))) thread_local const KvValuePool* tlsOwnedPool = nullptr;

template <class T>
void addRelaxed(std::atomic<T>& counter, T delta) {
    counter.store(counter.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed);
}

}  // namespace

KvValuePool::KvValuePool() {
    tlsOwnedPool = this;
#if KV_POOL_INLINE_PATHS
    ownerThread_ = __builtin_thread_pointer();  // unique among live threads; the owner outlives the run
#endif
    creatorThread_ = ownerThread_;
    // Case mapping of strings follows the user's locale; number texts and
    // number parsing keep the C conventions whatever the environment says.
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
}

inline bool KvValuePool::onOwnerThread() const {
    return tlsOwnedPool == this;
}

inline void KvValuePool::count(bool owner, int64_t bytes, int64_t values) noexcept {
    if (owner) {
        addRelaxed(local_.bytes, bytes);
        addRelaxed(local_.live, values);
    } else {
        remote_.bytes.fetch_add(bytes, std::memory_order_relaxed);
        remote_.live.fetch_add(values, std::memory_order_relaxed);
    }
}

inline void* KvValuePool::takeCached(FreeList& list, std::size_t size) noexcept {
    if (!list.head) {
        drainRemote(list);
    }
    FreeBlock* head = list.head;
    if (!head) {
        return nullptr;
    }
    KV_UNPOISON(head, size);
    list.head = head->next;
    addRelaxed(list.count, -1);
    return head;
}

inline void KvValuePool::drainRemote(FreeList& list) noexcept {
    if (!list.remoteHead.load(std::memory_order_relaxed)) {
        return;
    }
    FreeBlock* taken = list.remoteHead.exchange(nullptr, std::memory_order_acquire);
    int32_t moved = 0;
    while (taken) {
        FreeBlock* next = taken->next;
        taken->next = list.head;
        list.head = taken;
        taken = next;
        ++moved;
    }
    list.remoteCount.fetch_sub(moved, std::memory_order_relaxed);
    addRelaxed(list.count, moved);
}

inline bool KvValuePool::putLocal(FreeList& list, void* block, std::size_t size) noexcept {
    if (list.count.load(std::memory_order_relaxed) >= cacheLimit_) {
        return false;
    }
    auto* node = static_cast<FreeBlock*>(block);
    node->next = list.head;
    list.head = node;
    addRelaxed(list.count, 1);
    KV_POISON(node + 1, size - sizeof(FreeBlock));
    return true;
}

inline bool KvValuePool::putRemote(FreeList& list, void* block, std::size_t size) noexcept {
    int32_t cached = list.count.load(std::memory_order_relaxed) +
                     list.remoteCount.load(std::memory_order_relaxed);
    if (cached >= kMaxCachedBlocks) {
        return false;
    }
    auto* node = static_cast<FreeBlock*>(block);
    // Everything past the link is poisoned before the block becomes visible.
    KV_POISON(node + 1, size - sizeof(FreeBlock));
    FreeBlock* head = list.remoteHead.load(std::memory_order_relaxed);
    for (int attempt = 0; attempt < kMaxPutAttempts; ++attempt) {
        node->next = head;
        if (list.remoteHead.compare_exchange_weak(head, node, std::memory_order_release,
                                                  std::memory_order_relaxed)) {
            list.remoteCount.fetch_add(1, std::memory_order_relaxed);
            return true;
        }
    }
    KV_UNPOISON(block, size);
    return false;
}

int64_t KvValuePool::liveValues() const {
    return local_.live.load(std::memory_order_relaxed) + remote_.live.load(std::memory_order_relaxed);
}

int64_t KvValuePool::bytesInUse() const {
    return local_.bytes.load(std::memory_order_relaxed) + remote_.bytes.load(std::memory_order_relaxed);
}

void* KvValuePool::allocateSlow(std::size_t size) noexcept {
    if (failAfter_ >= 0) {
        if (failAfter_ == 0) return nullptr;
        --failAfter_;
    }
    void* block = nullptr;
    bool owner = onOwnerThread();
    if (size <= kLargestPooled) {
        size = blockSize(size);
        if (owner) {
            block = takeCached(lists_[listIndex(size)], size);
        }
    }
    if (!block) {
        block = limitedAlloc(size);
    }
    if (!block) {
        block = limitedAlloc(size);  // one retry, as the heap may have been trimmed meanwhile
    }
    if (!block) {
        return nullptr;
    }
    count(owner, static_cast<int64_t>(size), 1);
    return block;
}

void KvValuePool::deallocateSlow(void* block, std::size_t size) noexcept {
    if (!block) {
        return;
    }
    bool pooled = size <= kLargestPooled;
    if (pooled) {
        size = blockSize(size);
    }
    bool owner = onOwnerThread();
    count(owner, -static_cast<int64_t>(size), -1);
    if (pooled) {
        FreeList& list = lists_[listIndex(size)];
        if (owner ? putLocal(list, block, size) : putRemote(list, block, size)) {
            return;
        }
    }
    limitedFree(block);
}

void KvValuePool::failAllocationsAfter(int64_t allowed) noexcept {
    failAfter_ = allowed < 0 ? -1 : allowed;
    ownerThread_ = allowed < 0 ? creatorThread_ : nullptr;
}

int32_t KvValuePool::cachedBlocks(std::size_t size) const {
    if (size > kLargestPooled) {
        return 0;
    }
    const FreeList& list = lists_[listIndex(size)];
    return list.count.load(std::memory_order_relaxed) +
           list.remoteCount.load(std::memory_order_relaxed);
}

void KvValuePool::releaseCachedBlocks() noexcept {
    for (std::size_t i = 0; i < kListCount; ++i) {
        while (void* block = takeCached(lists_[i], i * kGranule)) {
            limitedFree(block);
        }
    }
}

}  // namespace kestrel
