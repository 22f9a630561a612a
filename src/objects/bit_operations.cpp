// Bit operators computed through unsigned integers, so shifts of negative
// values and shifts into the sign bit are defined.
#include "objects/bit_operations.h"

#include <type_traits>

#include "objects/number.h"
#include "objects/number_integer.h"
#include "objects/shared_constants.h"

namespace kestrel {

namespace {

template <class Int>
Int applyBits(KvBitOp op, Int a, Int b) {
    using Unsigned = std::make_unsigned_t<Int>;
    constexpr Unsigned kWidthMask = sizeof(Int) * 8 - 1;
    const Unsigned ua = static_cast<Unsigned>(a);
    const Unsigned count = static_cast<Unsigned>(b) & kWidthMask;
    switch (op) {
    case KvBitOp::And: return static_cast<Int>(ua & static_cast<Unsigned>(b));
    case KvBitOp::Or: return static_cast<Int>(ua | static_cast<Unsigned>(b));
    case KvBitOp::Xor: return static_cast<Int>(ua ^ static_cast<Unsigned>(b));
    case KvBitOp::ShiftLeft: return static_cast<Int>(ua << count);
    case KvBitOp::ShiftRight:  // arithmetic: the sign bit fills from the left
        return a < 0 ? static_cast<Int>(~(~ua >> count)) : static_cast<Int>(ua >> count);
    }
    return 0;
}

bool computesInLong(const KvObjNumber& n) {
    return n.kind() == kKindLong || n.kind() == kKindDouble;
}

}  // namespace

KvBaseObject* kvBitOperation(KvBitOp op, KvBaseObject* left, KvBaseObject* right) {
    KvObjNumber* a = asNumber(left);
    KvObjNumber* b = asNumber(right);
    if (!a || !b) return kvInt(0);
    if (computesInLong(*a) || computesInLong(*b)) {
        return new KvObjLong(applyBits<int64_t>(op, a->toLong(), b->toLong()));
    }
    return kvInt(applyBits<int32_t>(op, a->toInt(), b->toInt()));
}

KvBaseObject* kvBitNot(KvBaseObject* operand) {
    KvObjNumber* n = asNumber(operand);
    if (!n) return kvInt(0);
    if (computesInLong(*n)) return new KvObjLong(static_cast<int64_t>(~static_cast<uint64_t>(n->toLong())));
    return kvInt(static_cast<int32_t>(~static_cast<uint32_t>(n->toInt())));
}

}  // namespace kestrel
