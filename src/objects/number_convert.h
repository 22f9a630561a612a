// Conversions between the numeric representations that never invoke undefined
// behaviour: integers keep their low bits, floating values truncate toward
// zero, NaN becomes 0 and out-of-range values saturate at the type's bounds.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace kestrel {

inline int32_t lowBits32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

inline int32_t saturatingToInt(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= 2147483648.0) {
        return std::numeric_limits<int32_t>::max();
    }
    if (v <= -2147483649.0) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(v);
}

inline int64_t saturatingToLong(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= 9223372036854775808.0) {
        return std::numeric_limits<int64_t>::max();
    }
    if (v < -9223372036854775808.0) {
        return std::numeric_limits<int64_t>::min();
    }
    return static_cast<int64_t>(v);
}

// Rounds to nearest; beyond the float range (by half an ulp) it is an infinity.
inline float narrowToFloat(double v) {
    constexpr double kOverflow = 0x1.ffffffp127;
    if (v >= kOverflow) {
        return std::numeric_limits<float>::infinity();
    }
    if (v <= -kOverflow) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(v);
}

// A long reaches float through double.
inline float longToFloat(int64_t v) {
    return narrowToFloat(static_cast<double>(v));
}

}  // namespace kestrel
