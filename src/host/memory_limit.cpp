// Counting happens only with a cap: without one an allocation is a plain
// malloc. The usable size of each block is counted, so a free subtracts
// exactly what its allocation added.
#include "host/memory_limit.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "host/console_queue.h"
#include "host/platform.h"
#include "host/runtime_settings.h"

namespace kestrel {

namespace {

std::atomic<int64_t> inUse{0};
std::atomic<bool> enforced{false};
std::atomic<bool> counting{false};
std::atomic<int64_t> furtherCap{INT64_MAX};  // inUse may not pass this

int64_t cap() noexcept {
    static const int64_t limit = [] {
        const int64_t bytes = environmentLimit("KESTREL_MAX_MEMORY", INT64_MAX);
        return bytes == INT64_MAX ? 0 : bytes;
    }();
    return limit;
}

// Set on threads whose allocations are counted but never refused.
thread_local bool exempt = false;

constexpr std::size_t kReserveBytes = std::size_t{256} << 10;
void* reserve = nullptr;
std::atomic<bool> reserveTaken{false};
std::atomic<bool> reserveSpent{false};  // released by a failure, not yet taken again

// Once the cap leaves room again (what held the memory has gone), the
// reserve is taken back at once, so a second failure in the same run can be
// reported like the first.
void retakeReserveIfRoom(int64_t used, int64_t limit) noexcept {
    if (used + 2 * static_cast<int64_t>(kReserveBytes) > limit) return;
    if (!reserveSpent.exchange(false, std::memory_order_relaxed)) return;
    restoreMemoryReserve();
    if (!reserveTaken.load()) reserveSpent.store(true, std::memory_order_relaxed);
}

}  // namespace

void* limitedAlloc(std::size_t size) noexcept {
    const int64_t limit = cap();
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr || (limit == 0 && !counting.load(std::memory_order_relaxed))) return block;
    const auto bytes = static_cast<int64_t>(malloc_usable_size(block));
    const int64_t used = inUse.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    if (exempt) return block;
    if ((limit != 0 && used > limit && enforced.load(std::memory_order_relaxed)) ||
        used > furtherCap.load(std::memory_order_relaxed)) {
        inUse.fetch_sub(bytes, std::memory_order_relaxed);
        std::free(block);
        return nullptr;
    }
    if (limit != 0 && reserveSpent.load(std::memory_order_relaxed)) retakeReserveIfRoom(used, limit);
    return block;
}

void limitedFree(void* block) noexcept {
    if (block == nullptr) return;
    if (cap() != 0 || counting.load(std::memory_order_relaxed)) inUse.fetch_sub(static_cast<int64_t>(malloc_usable_size(block)), std::memory_order_relaxed);
    std::free(block);
}

void enforceMemoryLimit() noexcept { enforced.store(true); }

void exemptThisThreadFromLimit() noexcept { exempt = true; }

void countAllocations() noexcept { counting.store(true); }

void capFurtherAllocations(int64_t bytes) noexcept {
    furtherCap.store(bytes > 0 ? inUse.load() + bytes : INT64_MAX);
}

int64_t memoryLimit() noexcept { return cap(); }

int64_t memoryInUse() noexcept { return inUse.load(std::memory_order_relaxed); }

void releaseMemoryReserve() noexcept {
    if (reserveTaken.exchange(false)) {
        limitedFree(reserve);
        reserveSpent.store(true, std::memory_order_relaxed);
    }
    reserve = nullptr;
}

void restoreMemoryReserve() noexcept {
    if (reserveTaken.load()) return;
    reserve = limitedAlloc(kReserveBytes);
    if (reserve) reserveTaken.store(true);
}

void exitOutOfMemory() noexcept {
    releaseMemoryReserve();
    try {
        consoleQueue().flush();
    } catch (...) {
        // the queue could not take the flush either: the report still goes out
    }
    platform::writeStderr(std::string(kOutOfMemoryReport) + "\n");
    std::_Exit(1);
}

}  // namespace kestrel

// The program's operator new and delete, every form a sanitizer would
// otherwise supply, so that each block is freed by the allocator that made it.
namespace {

void* allocateOrThrow(std::size_t size) {
    for (;;) {
        if (void* block = kestrel::limitedAlloc(size)) return block;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void* allocateOrNull(std::size_t size) noexcept {
    try {
        return allocateOrThrow(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void operator delete(void* block) noexcept { kestrel::limitedFree(block); }
void operator delete[](void* block) noexcept { kestrel::limitedFree(block); }
void operator delete(void* block, std::size_t) noexcept { kestrel::limitedFree(block); }
void operator delete[](void* block, std::size_t) noexcept { kestrel::limitedFree(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { kestrel::limitedFree(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { kestrel::limitedFree(block); }
