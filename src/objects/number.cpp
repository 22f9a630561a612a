// Ordering of numbers and the number script methods.
#include "objects/number.h"

#include <cmath>

#include "objects/number_floating.h"
#include "objects/number_integer.h"
#include "objects/shared_constants.h"

namespace kestrel {

namespace {

int32_t signOf(long double v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

// The exact order of two numbers (long double holds every int64 and double
// exactly). NaN is unordered: it sorts after everything, itself included.
int32_t exactOrder(const KvObjNumber& a, const KvObjNumber& b) {
    if (a.isNaN()) {
        return 1;
    }
    if (b.isNaN()) {
        return -1;
    }
    if (a.isIntegerKind() && b.isIntegerKind()) {
        int64_t x = a.toLong();
        int64_t y = b.toLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    auto wide = [](const KvObjNumber& n) {
        return n.isIntegerKind() ? static_cast<long double>(n.toLong())
                                 : static_cast<long double>(n.toDouble());
    };
    return signOf(wide(a) - wide(b));
}

bool fitsInt32(long double v) {
    return v >= -2147483648.0L && v <= 2147483647.0L;
}

// The difference a - b computed in the comparison domain of the two kinds,
// truncated toward zero; 0 when it does not fit in 32 bits.
int32_t truncatedDifference(const KvObjNumber& a, const KvObjNumber& b) {
    long double diff = 0;
    switch (combinedKind(a, b)) {
    case kKindInt:
        diff = static_cast<long double>(static_cast<int64_t>(a.toInt()) - b.toInt());
        break;
    case kKindFloat:
        diff = std::trunc(a.toFloat() - b.toFloat());
        break;
    case kKindLong: {
        int64_t d = 0;
        if (__builtin_sub_overflow(a.toLong(), b.toLong(), &d)) {
            return 0;
        }
        diff = static_cast<long double>(d);
        break;
    }
    default:
        diff = std::trunc(a.toDouble() - b.toDouble());
        break;
    }
    return fitsInt32(diff) ? static_cast<int32_t>(diff) : 0;
}

}  // namespace

bool KvObjNumber::isNaN() const {
    return !isIntegerKind() && std::isnan(toDouble());
}

// 0 exactly when "==" calls the two equal (in the domain of their kinds, so
// 16777217 and 16777216.0 are equal); else the truncated difference when it
// is non-zero, fits in 32 bits and agrees with the true order; else -1 or 1.
int32_t KvObjNumber::compare(KvBaseObject* other) const {
    KvObjNumber* number = asNumber(other);
    if (!number) {
        return -1;
    }
    if (equals(number)) {
        return 0;
    }
    int32_t order = exactOrder(*this, *number);
    if (order == 0) {
        return 1;  // unreachable for values "==" calls unequal; never 0 here
    }
    int32_t diff = truncatedDifference(*this, *number);
    bool agrees = (diff < 0 && order < 0) || (diff > 0 && order > 0);
    return agrees ? diff : order;
}

KvBaseObject* KvObjNumber::toIntMethod(const KvArgList&) {
    return kvInt(toInt());
}

KvBaseObject* KvObjNumber::toLongMethod(const KvArgList&) {
    return new KvObjLong(toLong());
}

KvBaseObject* KvObjNumber::toDoubleMethod(const KvArgList&) {
    return new KvObjDouble(toDouble());
}

KvBaseObject* KvObjNumber::toFloatMethod(const KvArgList&) {
    return new KvObjFloat(toFloat());
}

void registerNumberMembers(KvMemberRegistry& registry) {
    registry.registerMethod(kTagNumber, u"toInt", kvMethod(&KvObjNumber::toIntMethod));
    registry.registerMethod(kTagNumber, u"toLong", kvMethod(&KvObjNumber::toLongMethod));
    registry.registerMethod(kTagNumber, u"toDouble", kvMethod(&KvObjNumber::toDoubleMethod));
    registry.registerMethod(kTagNumber, u"toFloat", kvMethod(&KvObjNumber::toFloatMethod));
}

}  // namespace kestrel
