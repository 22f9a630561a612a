// The process-wide value pool: one free list per allocation size (rounded to
// 8 bytes), at most 1024 cached blocks per size, a byte total and a count of
// live values. Only the interpreter thread allocates; puts may come from any.
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

    int64_t liveValues() const { return live_.load(std::memory_order_relaxed); }
    int64_t bytesInUse() const { return bytes_.load(std::memory_order_relaxed); }
    int32_t cachedBlocks(std::size_t size) const;
    // Hands every cached block back to the heap (at exit, or to measure).
    void releaseCachedBlocks() noexcept;

private:
    struct FreeBlock {
        FreeBlock* next;
    };
    struct FreeList {
        std::atomic<FreeBlock*> head{nullptr};
        std::atomic<int32_t> count{0};
    };
    static constexpr std::size_t kListCount = kLargestPooled / kGranule + 1;

    static std::size_t listIndex(std::size_t size) { return (size + kGranule - 1) / kGranule; }
    static std::size_t blockSize(std::size_t size) { return listIndex(size) * kGranule; }
    void* takeCached(FreeList& list, std::size_t size) noexcept;
    bool putCached(FreeList& list, void* block, std::size_t size) noexcept;

    std::array<FreeList, kListCount> lists_;
    std::atomic<int64_t> bytes_{0};
    std::atomic<int64_t> live_{0};
};

// Created on first use and kept for the whole run (its cached blocks stay
// reachable, so leak checkers do not report them).
KvValuePool& valuePool();

inline int64_t kvLiveValueCount() {
    return valuePool().liveValues();
}

}  // namespace kestrel
