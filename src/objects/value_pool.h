// The process-wide value pool: one free list per allocation size (rounded to
// 8 bytes), at most 1024 cached blocks per size, a byte total and a count of
// live values. The thread that created the pool (the interpreter) uses plain
// lists and counters; a block freed on any other thread goes through a
// lock-free side list that the interpreter drains when its own list is empty.
// The owner's common case (a cached block of the size, or room to cache one)
// is inline; everything else goes through the out-of-line paths.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__aarch64__)) && \
    !defined(__SANITIZE_ADDRESS__)
#define KV_POOL_INLINE_PATHS 1
#else
#define KV_POOL_INLINE_PATHS 0
#endif

namespace kestrel {

class KvValuePool {
public:
    static constexpr std::size_t kGranule = 8;
    static constexpr std::size_t kLargestPooled = 512;  // bigger blocks use the heap directly
    // Enough for the working set of a program that makes and drops a few
    // ten thousand values of a size over and over (say trees of objects):
    // beyond it blocks go back to the heap.
    static constexpr int32_t kMaxCachedBlocks = 1 << 16;
    static constexpr int kMaxPutAttempts = 6;

    KvValuePool();
    KvValuePool(const KvValuePool&) = delete;
    KvValuePool& operator=(const KvValuePool&) = delete;

    // None when the heap is exhausted.
    void* allocate(std::size_t size) noexcept {
        if (size <= kLargestPooled && onOwnerThreadFast()) {
            FreeList& list = lists_[listIndex(size)];
            if (FreeBlock* head = list.head) {
                list.head = head->next;
                addOwned(list.count, -1);
                addOwned(local_.bytes, static_cast<int64_t>(blockSize(size)));
                addOwned(local_.live, int64_t(1));
                return head;
            }
        }
        return allocateSlow(size);
    }
    void deallocate(void* block, std::size_t size) noexcept {
        if (block && size <= kLargestPooled && onOwnerThreadFast()) {
            FreeList& list = lists_[listIndex(size)];
            if (list.count.load(std::memory_order_relaxed) < cacheLimit_) {
                auto* node = static_cast<FreeBlock*>(block);
                node->next = list.head;
                list.head = node;
                addOwned(list.count, 1);
                addOwned(local_.bytes, -static_cast<int64_t>(blockSize(size)));
                addOwned(local_.live, int64_t(-1));
                return;
            }
        }
        deallocateSlow(block, size);
    }

    int64_t liveValues() const;
    int64_t bytesInUse() const;
    int32_t cachedBlocks(std::size_t size) const;
    // Hands every cached block back to the heap (interpreter thread only).
    void releaseCachedBlocks() noexcept;
    // While set, the interpreter thread caches every block it frees, however
    // many its list holds: for the teardown of a whole program's values,
    // which the heap would only sort back into its bins block by block, at a
    // cost above that of the run itself. Lists keep what they took until
    // reused; the usual limit applies again to later frees.
    void cacheEveryFreedBlock(bool every) noexcept {
        cacheLimit_ = every ? INT32_MAX : kMaxCachedBlocks;
    }
    // Test hook: the next `allowed` allocations succeed and every later one
    // fails, until a negative count disarms it. While armed, every call takes
    // the out-of-line paths, so the inline ones pay nothing for the hook.
    void failAllocationsAfter(int64_t allowed) noexcept;

private:
    struct FreeBlock {
        FreeBlock* next;
    };
    // Atomics so other threads may read the counts, but only the owner writes
    // the local ones, with plain loads and stores.
    struct FreeList {
        FreeBlock* head = nullptr;
        std::atomic<int32_t> count{0};
        std::atomic<FreeBlock*> remoteHead{nullptr};
        std::atomic<int32_t> remoteCount{0};
    };
    struct Counters {
        std::atomic<int64_t> bytes{0};
        std::atomic<int64_t> live{0};
    };
    static constexpr std::size_t kListCount = kLargestPooled / kGranule + 1;

    static std::size_t listIndex(std::size_t size) { return (size + kGranule - 1) / kGranule; }
    static std::size_t blockSize(std::size_t size) { return listIndex(size) * kGranule; }
    // Only the owner writes its counters: a plain load and store.
    template <class T>
    static void addOwned(std::atomic<T>& counter, T delta) {
        counter.store(counter.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed);
    }
    // The inline paths: false under AddressSanitizer, whose poisoning of
    // cached blocks the out-of-line paths do.
    bool onOwnerThreadFast() const {
#if KV_POOL_INLINE_PATHS
        return __builtin_thread_pointer() == ownerThread_;
#else
        return false;
#endif
    }
    void* allocateSlow(std::size_t size) noexcept;
    void deallocateSlow(void* block, std::size_t size) noexcept;
    bool onOwnerThread() const;
    void count(bool owner, int64_t bytes, int64_t values) noexcept;
    void* takeCached(FreeList& list, std::size_t size) noexcept;
    void drainRemote(FreeList& list) noexcept;
    bool putLocal(FreeList& list, void* block, std::size_t size) noexcept;
    bool putRemote(FreeList& list, void* block, std::size_t size) noexcept;

    std::array<FreeList, kListCount> lists_;
    Counters local_;   // written by the owner thread only
    Counters remote_;  // changes made on other threads
    int32_t cacheLimit_ = kMaxCachedBlocks;  // blocks a list takes before frees go to the heap
    void* ownerThread_ = nullptr;  // the creating thread's thread pointer; null while the hook is armed
    void* creatorThread_ = nullptr;
    int64_t failAfter_ = -1;  // allocations left before the hook fails them; -1 = off
};

// Created on first use and kept for the whole run (its cached blocks stay
// reachable, so leak checkers do not report them).
inline KvValuePool& valuePool() {
    static KvValuePool* pool = new KvValuePool();
    return *pool;
}

inline int64_t kvLiveValueCount() {
    return valuePool().liveValues();
}

}  // namespace kestrel
