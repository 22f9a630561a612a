// Facts shared by the compiled-module writer and reader: the magic, the
// format version, the trailing checksum and the smallest size of each record,
// used to refuse counts that the bytes left could not hold.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrel::cache {

inline constexpr char kMagic[8] = {'K', 'E', 'S', 'T', 'K', 'V', 'C', '\x1a'};
// A file of any other version counts as absent and is rebuilt from its
// source; the number rises whenever a record's shape or meaning changes.
// 5: the texts of calls follow the instruction records.
// 6: the header carries a hash of the source bytes.
inline constexpr uint32_t kFormatVersion = 6;

// The file ends with this many bytes: a checksum of everything before them,
// so a damaged file is refused even where its damage still parses.
inline constexpr size_t kChecksumSize = 8;

// FNV-1a, 64-bit.
inline uint64_t checksum(const char* data, size_t size) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < size; ++i) {
        hash ^= static_cast<uint8_t>(data[i]);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// A compiled module larger than this is not read (the cache is then
// treated as absent and the source compiled again).
inline constexpr size_t kMaxCompiledModuleBytes = size_t{256} << 20;

// Lower bounds, in bytes, of each record as the writer makes it; a count is
// refused when count * bound exceeds the bytes left (ByteReader::canHold).
inline constexpr size_t kMinDeclaration = 4 + 4 + 4 + 6 + 4;  // kind, slot, visibility, "" name, prefix
inline constexpr size_t kMinNameEntry = 6 + 4;  // "" name, declaration reference
inline constexpr size_t kMinReference = 4;
inline constexpr size_t kMinOuterReference = 1;
inline constexpr size_t kMinScope = 4 * 11;  // the eleven 32-bit counts and fields of an empty scope
inline constexpr size_t kMinInstruction = 4 + 1 + 4 + 4;  // opcode, discard, kind, line
inline constexpr size_t kMinCallText = 4 + 6;  // position, "" text

}  // namespace kestrel::cache
