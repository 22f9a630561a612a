// The search rules behind the byte-buffer methods, on plain byte spans so
// that each rule reads (and tests) apart from argument handling. Positions
// are byte offsets; "not found" is -1. A needle is never empty here: the
// methods turn an empty or too long needle into their own default first.
#pragma once

#include <cstdint>
#include <vector>

namespace kestrel {

struct ByteSpan {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
};

// First occurrence of needle beginning at or after start (0 <= start).
int64_t bytesFind(ByteSpan haystack, ByteSpan needle, uint32_t start);
// Last occurrence of needle beginning at or before from.
int64_t bytesFindLast(ByteSpan haystack, ByteSpan needle, uint32_t from);
bool bytesStartWith(ByteSpan haystack, ByteSpan prefix);
bool bytesEndWith(ByteSpan haystack, ByteSpan suffix);
// The non-empty pieces between occurrences of separator, in order.
std::vector<ByteSpan> bytesSplit(ByteSpan haystack, ByteSpan separator);

}  // namespace kestrel
