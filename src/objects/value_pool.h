// The process-wide value pool: one free list per allocation size (rounded to
// 8 bytes), at most 1024 cached blocks per size, a byte total and a count of
// live values. The thread that created the pool (the interpreter) uses plain
// lists and counters; a block freed on any other thread goes through a
// lock-free side list that the interpreter drains when its own list is empty.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace kestrel {

class KvValuePool {
public:
    static constexpr std::size_t kGranule = 8;
    static constexpr std::size_t kLargestPooled = 512;  // bigger blocks use the heap directly
    static constexpr int32_t kMaxCachedBlocks = 1024;
    static constexpr int kMaxPutAttempts = 6;

    KvValuePool();
    KvValuePool(const KvValuePool&) = delete;
    KvValuePool& operator=(const KvValuePool&) = delete;

    // None when the heap is exhausted.
    void* allocate(std::size_t size) noexcept;
    void deallocate(void* block, std::size_t size) noexcept;

    int64_t liveValues() const;
    int64_t bytesInUse() const;
    int32_t cachedBlocks(std::size_t size) const;
    // Hands every cached block back to the heap (interpreter thread only).
    void releaseCachedBlocks() noexcept;

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
    bool onOwnerThread() const;
    void count(bool owner, int64_t bytes, int64_t values) noexcept;
    void* takeCached(FreeList& list, std::size_t size) noexcept;
    void drainRemote(FreeList& list) noexcept;
    bool putLocal(FreeList& list, void* block, std::size_t size) noexcept;
    bool putRemote(FreeList& list, void* block, std::size_t size) noexcept;

    std::array<FreeList, kListCount> lists_;
    Counters local_;   // written by the owner thread only
    Counters remote_;  // changes made on other threads
};

// Created on first use and kept for the whole run (its cached blocks stay
// reachable, so leak checkers do not report them).
KvValuePool& valuePool();

inline int64_t kvLiveValueCount() {
    return valuePool().liveValues();
}

}  // namespace kestrel
