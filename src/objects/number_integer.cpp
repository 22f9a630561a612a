// Text, byte form, equality dispatch and assignment of the integer kinds.
#include "objects/number_integer.h"

#include "objects/bytes_value.h"

namespace kestrel {

// The low byteCount bytes of bits, least significant first.
KvBaseObject* littleEndianBytes(uint64_t bits, uint32_t byteCount) {
    uint8_t bytes[8];
    for (uint32_t i = 0; i < byteCount; ++i) {
        bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    return new KvObjBytes(bytes, byteCount);
}

KvBaseObject* KvObjInt::toBytes() {
    return littleEndianBytes(static_cast<uint32_t>(value_), 4);
}

bool KvObjInt::equals(KvBaseObject* other) const {
    KvObjNumber* number = asNumber(other);
    return number && number->equalsInt2(value_);
}

bool KvObjInt::assignFrom(const KvObjNumber* other) {
    if (!other || other->kind() != kKindInt) {
        return false;
    }
    value_ = static_cast<const KvObjInt*>(other)->value_;
    return true;
}

KvBaseObject* KvObjLong::toBytes() {
    return littleEndianBytes(static_cast<uint64_t>(value_), 8);
}

bool KvObjLong::equals(KvBaseObject* other) const {
    KvObjNumber* number = asNumber(other);
    return number && number->equalsLong(value_);
}

bool KvObjLong::assignFrom(const KvObjNumber* other) {
    if (!other || other->kind() != kKindLong) {
        return false;
    }
    value_ = static_cast<const KvObjLong*>(other)->value_;
    return true;
}

}  // namespace kestrel
