// The number factory for literal texts (and string "toNumber"): with a point,
// a float when at most six characters precede it and at most five follow it,
// else a double; without one, an int under 9 characters, else a long.
// Text that does not parse gives 0 of the chosen kind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

class KvBaseObject;

// What a literal text reads as, without making a value: the compiler emits
// it as an operand, "toNumber" makes the value (kvNumberFromLiteral).
struct NumberLiteral {
    enum class Kind { Int, Long, Float, Double };
    Kind kind = Kind::Int;
    int64_t integer = 0;  // Int (already cut to 32 bits) and Long
    double floating = 0;  // Float (already narrowed) and Double
};

NumberLiteral parseNumberLiteral(std::u16string_view text);

KvBaseObject* kvNumberFromLiteral(const std::u16string& text);

}  // namespace kestrel
