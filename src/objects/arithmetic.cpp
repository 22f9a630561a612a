// One small routine per computing kind; ints and longs wrap through unsigned
// arithmetic, and the integer division helpers check the two trapping cases.
#include "objects/arithmetic.h"

#include <limits>

#include "objects/number_floating.h"
#include "objects/number_integer.h"
#include "objects/shared_constants.h"
#include "objects/string_value.h"

namespace kestrel {

namespace {

template <class Int>
struct IntegerOps {
    using Unsigned = std::make_unsigned_t<Int>;

    static Int wrap(Unsigned v) { return static_cast<Int>(v); }
    static Int add(Int a, Int b) { return wrap(static_cast<Unsigned>(a) + static_cast<Unsigned>(b)); }
    static Int sub(Int a, Int b) { return wrap(static_cast<Unsigned>(a) - static_cast<Unsigned>(b)); }
    static Int mul(Int a, Int b) { return wrap(static_cast<Unsigned>(a) * static_cast<Unsigned>(b)); }
    // b != 0. The minimum divided by -1 overflows: it wraps to the minimum.
    static Int div(Int a, Int b) {
        return (b == -1) ? sub(0, a) : a / b;
    }
    static Int rem(Int a, Int b) { return (b == -1) ? 0 : a % b; }

    // Returns false for a division by zero.
    static bool apply(KvArithOp op, Int a, Int b, Int& out) {
        switch (op) {
        case KvArithOp::Add: out = add(a, b); return true;
        case KvArithOp::Subtract: out = sub(a, b); return true;
        case KvArithOp::Multiply: out = mul(a, b); return true;
        case KvArithOp::Modulo:
            if (b == 0) return false;
            out = rem(a, b);
            return true;
        default:  // Divide and IntegerDivide agree on integers
            if (b == 0) return false;
            out = div(a, b);
            return true;
        }
    }
};

template <class Real>
Real floatingApply(KvArithOp op, Real a, Real b) {
    switch (op) {
    case KvArithOp::Add: return a + b;
    case KvArithOp::Subtract: return a - b;
    case KvArithOp::Multiply: return a * b;
    default: return a / b;  // IEEE: infinities and NaN for a zero divisor
    }
}

KvArithResult divideByZero() {
    return KvArithResult{KvArithStatus::DivideByZero, nullptr};
}

KvArithResult intArithmetic(KvArithOp op, int32_t a, int32_t b) {
    int32_t out = 0;
    if (!IntegerOps<int32_t>::apply(op, a, b, out)) {
        return divideByZero();
    }
    return KvArithResult{KvArithStatus::Ok, kvInt(out)};
}

KvArithResult longArithmetic(KvArithOp op, int64_t a, int64_t b) {
    int64_t out = 0;
    if (!IntegerOps<int64_t>::apply(op, a, b, out)) {
        return divideByZero();
    }
    return KvArithResult{KvArithStatus::Ok, new KvObjLong(out)};
}

bool isIntegerOnly(KvArithOp op) {
    return op == KvArithOp::Modulo || op == KvArithOp::IntegerDivide;
}

}  // namespace

KvArithResult kvNumberArithmetic(KvArithOp op, const KvObjNumber& left, const KvObjNumber& right) {
    switch (combinedKind(left, right)) {
    case kKindInt:
        return intArithmetic(op, left.toInt(), right.toInt());
    case kKindFloat:
        if (isIntegerOnly(op)) {
            return intArithmetic(op, left.toInt(), right.toInt());
        }
        return KvArithResult{KvArithStatus::Ok,
                             new KvObjFloat(floatingApply(op, left.toFloat(), right.toFloat()))};
    case kKindLong:
        return longArithmetic(op, left.toLong(), right.toLong());
    default:
        if (isIntegerOnly(op)) {
            return longArithmetic(op, left.toLong(), right.toLong());
        }
        return KvArithResult{KvArithStatus::Ok,
                             new KvObjDouble(floatingApply(op, left.toDouble(), right.toDouble()))};
    }
}

KvArithResult kvArithmetic(KvArithOp op, KvBaseObject* left, KvBaseObject* right) {
    KvObjNumber* a = asNumber(left);
    KvObjNumber* b = asNumber(right);
    if (a && b) {
        return kvNumberArithmetic(op, *a, *b);
    }
    if (op != KvArithOp::Add) {
        return KvArithResult{KvArithStatus::Ok, kvInt(0)};
    }
    bool anyString = (left && left->tag() == kTagString) || (right && right->tag() == kTagString);
    if (anyString) {
        return KvArithResult{KvArithStatus::Ok, kvConcat(left, right)};
    }
    return KvArithResult{KvArithStatus::Ok, kvNull()};
}

}  // namespace kestrel
