// Byte searches over spans; every read stays inside its span.
#include "objects/byte_search.h"

#include <algorithm>
#include <cstring>

namespace kestrel {

namespace {

bool matchesAt(ByteSpan haystack, ByteSpan needle, uint64_t at) {
    return at + needle.size <= haystack.size &&
           std::memcmp(haystack.data + at, needle.data, needle.size) == 0;
}

}  // namespace

int64_t bytesFind(ByteSpan haystack, ByteSpan needle, uint32_t start) {
    if (needle.size == 0 || needle.size > haystack.size || start >= haystack.size) {
        return -1;
    }
    const uint8_t* end = haystack.data + haystack.size;
    const uint8_t* hit = std::search(haystack.data + start, end, needle.data, needle.data + needle.size);
    return hit == end ? -1 : hit - haystack.data;
}

int64_t bytesFindLast(ByteSpan haystack, ByteSpan needle, uint32_t from) {
    if (needle.size == 0 || needle.size > haystack.size) {
        return -1;
    }
    int64_t at = std::min<int64_t>(from, haystack.size - needle.size);
    for (; at >= 0; --at) {
        if (matchesAt(haystack, needle, static_cast<uint64_t>(at))) {
            return at;
        }
    }
    return -1;
}

bool bytesStartWith(ByteSpan haystack, ByteSpan prefix) {
    return prefix.size != 0 && matchesAt(haystack, prefix, 0);
}

bool bytesEndWith(ByteSpan haystack, ByteSpan suffix) {
    return suffix.size != 0 && suffix.size <= haystack.size &&
           matchesAt(haystack, suffix, haystack.size - suffix.size);
}

std::vector<ByteSpan> bytesSplit(ByteSpan haystack, ByteSpan separator) {
    std::vector<ByteSpan> pieces;
    uint32_t from = 0;
    auto addPiece = [&](uint32_t end) {
        if (end > from) {
            pieces.push_back(ByteSpan{haystack.data + from, end - from});
        }
    };
    for (int64_t hit = bytesFind(haystack, separator, 0); hit >= 0;
         hit = bytesFind(haystack, separator, from)) {
        addPiece(static_cast<uint32_t>(hit));
        from = static_cast<uint32_t>(hit) + separator.size;
    }
    addPiece(haystack.size);
    return pieces;
}

}  // namespace kestrel
