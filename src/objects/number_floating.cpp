// Text, byte form, equality dispatch and assignment of the floating kinds.
#include "objects/number_floating.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace kestrel {

std::u16string fixedText(double value) {
    char small[32];
    int length = std::snprintf(small, sizeof small, "%f", value);
    if (length < 0) {
        return std::u16string();
    }
    const char* text = small;
    std::vector<char> large;
    if (static_cast<std::size_t>(length) >= sizeof small) {
        // Magnitudes from about 1e24 up need more room; never cut them short.
        large.resize(static_cast<std::size_t>(length) + 1);
        std::snprintf(large.data(), large.size(), "%f", value);
        text = large.data();
    }
    return std::u16string(text, text + length);
}

KvBaseObject* KvObjFloat::toBytes() {
    uint32_t bits = 0;
    std::memcpy(&bits, &value_, sizeof bits);
    return littleEndianBytes(bits, 4);
}

bool KvObjFloat::equals(KvBaseObject* other) const {
    KvObjNumber* number = asNumber(other);
    return number && number->equalsFloat(value_);
}

bool KvObjFloat::assignFrom(const KvObjNumber* other) {
    if (!other || other->kind() != kKindFloat) {
        return false;
    }
    value_ = static_cast<const KvObjFloat*>(other)->value_;
    return true;
}

KvBaseObject* KvObjDouble::toBytes() {
    uint64_t bits = 0;
    std::memcpy(&bits, &value_, sizeof bits);
    return littleEndianBytes(bits, 8);
}

bool KvObjDouble::equals(KvBaseObject* other) const {
    KvObjNumber* number = asNumber(other);
    return number && number->equalsDouble(value_);
}

bool KvObjDouble::assignFrom(const KvObjNumber* other) {
    if (!other || other->kind() != kKindDouble) {
        return false;
    }
    value_ = static_cast<const KvObjDouble*>(other)->value_;
    return true;
}

}  // namespace kestrel
