// Facts shared by the compiled-module writer and reader: the magic, the
// format version and the smallest size of each record, used to refuse counts
// that the bytes left could not hold.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrel::cache {

inline constexpr char kMagic[8] = {'K', 'E', 'S', 'T', 'K', 'V', 'C', '\x1a'};
inline constexpr uint32_t kFormatVersion = 2;  // 2: finally blocks (PendingJump, PendingRaise, EndFinally, DropPending)

inline constexpr size_t kMinDeclaration = 4 + 4 + 4 + 6 + 4;  // kind, slot, visibility, "" name, prefix
inline constexpr size_t kMinNameEntry = 6 + 4;
inline constexpr size_t kMinReference = 4;
inline constexpr size_t kMinOuterReference = 1;
inline constexpr size_t kMinScope = 4 * 11;
inline constexpr size_t kMinInstruction = 4 + 1 + 4 + 4;

}  // namespace kestrel::cache
