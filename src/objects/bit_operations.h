// The bit operators & | ^ << >> and the unary ~. They compute on 64-bit
// integers when either operand is a long or a double and on 32-bit integers
// otherwise; floating operands are truncated toward zero first. ">>" keeps
// the sign, and a shift count is masked to the width (31 or 63), so every
// operation is defined for every input. A non-number operand gives the
// shared integer 0.
#pragma once

#include <cstdint>

namespace kestrel {

class KvBaseObject;

enum class KvBitOp : int32_t {
    And,
    Or,
    Xor,
    ShiftLeft,
    ShiftRight,
};

// A new number (or a shared integer); the operands are not released here.
KvBaseObject* kvBitOperation(KvBitOp op, KvBaseObject* left, KvBaseObject* right);

// ~operand by the same rules.
KvBaseObject* kvBitNot(KvBaseObject* operand);

}  // namespace kestrel
