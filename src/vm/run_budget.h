// A debug limit on how long a program may run (for fuzzing and tests): a
// countdown of taken jumps, calls, handlers and finally targets, the only
// ways code can run again. Straight-line code between two of them is bounded
// by the code's length, so the countdown bounds the instructions run. When
// it runs out, every machine (nested ones too) stops as Halt does. Unarmed
// it never reaches zero; the loop pays one decrement per taken jump or call.
#pragma once

#include <cstdint>
#include <limits>

namespace kestrel {

inline constexpr int64_t kUnlimitedRunBudget = std::numeric_limits<int64_t>::max();

// Shared by every machine of the thread that runs scripts.
inline int64_t runBudgetCounter = kUnlimitedRunBudget;

// Arms the limit with `steps` jumps and calls; a negative count disarms it.
inline void setRunBudget(int64_t steps) { runBudgetCounter = steps < 0 ? kUnlimitedRunBudget : steps; }

// True once an armed limit has run out (it stays spent until reset).
inline bool runBudgetSpent() { return runBudgetCounter < 0; }

}  // namespace kestrel
