// The heap the program uses, with an optional cap: KESTREL_MAX_MEMORY (bytes)
// is read at the first allocation. Past the cap an allocation fails as if the
// system had no more memory (operator new throws std::bad_alloc, the value
// pool gets none), so tests reach the out-of-memory paths in every build,
// where ulimit -v cannot (a sanitizer reserves far more address space).
// Every operator new and delete of the program comes through here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrel {

// Like malloc, but none past the cap.
void* limitedAlloc(std::size_t size) noexcept;
void limitedFree(void* block) noexcept;

// The cap holds from this call on (the program's entry makes it): what the
// run-time library sets up before that is counted but never refused.
void enforceMemoryLimit() noexcept;

// The calling thread's allocations are counted from now on but never
// refused: the console writer, so that what a script printed before it used
// up its memory still comes out while the script goes on using it.
void exemptThisThreadFromLimit() noexcept;

// Counts every block from now on, cap or not, so that a cap can be set for
// a stretch of a run; blocks made before the first call are not counted.
void countAllocations() noexcept;
// While set (bytes > 0), an allocation fails once the bytes in use would pass
// what they are at this call plus bytes; 0 lifts it. Needs countAllocations.
void capFurtherAllocations(int64_t bytes) noexcept;

// The cap in bytes, 0 when there is none; bytes counted against it.
int64_t memoryLimit() noexcept;
int64_t memoryInUse() noexcept;

// A small reserve held back for the moment memory runs out, so that the
// failure can still be reported (an exception value made, a message queued).
// Freed when an allocation has failed, taken again once things went on.
void releaseMemoryReserve() noexcept;
void restoreMemoryReserve() noexcept;

// What the program says on standard error when memory runs out where it
// cannot go on; the exit status is then 1.
constexpr const char* kOutOfMemoryReport = "out of memory";

// Ends the program there and then: what was queued for the console is
// printed, the report goes to standard error, and the status is 1.
[[noreturn]] void exitOutOfMemory() noexcept;

}  // namespace kestrel
