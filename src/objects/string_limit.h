// The longest string a script can make. Lengths and positions are 32-bit
// throughout, so no string may pass 2^31 - 1 code units (the runtime
// settings may lower that). Builders check the length a result will have
// before they make it; the string value checks again as it is made.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "host/runtime_settings.h"

namespace kestrel {

// Thrown where a longer string would be made; the machine raises it as the
// script exception "String too long".
class KvStringTooLong : public std::length_error {
public:
    KvStringTooLong() : std::length_error("String too long") {}
};

inline constexpr const char16_t* kStringTooLongMessage = u"String too long";

// Read once: the settings do not change after start-up.
inline int64_t kvMaxStringLength() {
    static const int64_t longest = runtimeSettings().maxStringLength;
    return longest;
}

// Throws KvStringTooLong when a text of this many code units may not be made.
inline void kvCheckStringLength(uint64_t length) {
    if (length > static_cast<uint64_t>(kvMaxStringLength())) throw KvStringTooLong();
}

// The length of a text made of two parts, checked.
inline uint64_t kvJoinedLength(uint64_t first, uint64_t second) {
    kvCheckStringLength(first + second);
    return first + second;
}

}  // namespace kestrel
