// The replaceable global operator new and delete, counting the bytes in use
// (as the allocator reports them, so a block counts the same when freed).
// The writer thread of the console allocates too, hence the atomics.
#include "heap_cap.h"

#include <malloc.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> bytesInUse{0};
std::atomic<int64_t> capAt{INT64_MAX};  // bytesInUse may not pass this

void* allocate(std::size_t size, std::size_t alignment) {
    if (size == 0) size = 1;
    void* block = nullptr;
    if (alignment <= alignof(std::max_align_t)) {
        block = std::malloc(size);
    } else if (posix_memalign(&block, alignment, size) != 0) {
        block = nullptr;
    }
    if (!block) return nullptr;
    const int64_t used = bytesInUse.fetch_add(static_cast<int64_t>(malloc_usable_size(block))) +
                         static_cast<int64_t>(malloc_usable_size(block));
    if (used > capAt.load(std::memory_order_relaxed)) {
        bytesInUse.fetch_sub(static_cast<int64_t>(malloc_usable_size(block)));
        std::free(block);
        return nullptr;
    }
    return block;
}

void release(void* block) noexcept {
    if (!block) return;
    bytesInUse.fetch_sub(static_cast<int64_t>(malloc_usable_size(block)));
    std::free(block);
}

void* allocateOrThrow(std::size_t size, std::size_t alignment) {
    void* block = allocate(size, alignment);
    if (!block) throw std::bad_alloc();
    return block;
}

}  // namespace

namespace kestrel::fuzz {

HeapCap::HeapCap(size_t bytes) { capAt.store(bytesInUse.load() + static_cast<int64_t>(bytes)); }

HeapCap::~HeapCap() { capAt.store(INT64_MAX); }

}  // namespace kestrel::fuzz

void* operator new(std::size_t size) { return allocateOrThrow(size, 0); }
void* operator new[](std::size_t size) { return allocateOrThrow(size, 0); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t a) { return allocateOrThrow(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return allocateOrThrow(size, static_cast<std::size_t>(a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocate(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocate(size, static_cast<std::size_t>(a));
}
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete(void* block, std::align_val_t) noexcept { release(block); }
void operator delete[](void* block, std::align_val_t) noexcept { release(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { release(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { release(block); }
