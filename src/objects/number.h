// The abstract number base (tag 2): the numeric kind, the double-dispatch
// comparisons, conversions and the script methods "toInt" and friends. Each
// comparison runs in the domain fixed by the kinds of its two operands.
#pragma once

#include <cstdint>

#include "objects/base_object.h"

namespace kestrel {

class KvObjNumber : public KvBaseObject {
public:
    int32_t kind() const { return kind_; }
    bool isIntegerKind() const { return kind_ == kKindInt || kind_ == kKindLong; }
    bool isNaN() const;

    // equals is double-dispatched by each kind: other's equality for this kind.
    int32_t compare(KvBaseObject* other) const override;

    virtual bool equalsDouble(double v) const = 0;
    virtual bool equalsFloat(float v) const = 0;
    virtual bool equalsLong(int64_t v) const = 0;
    virtual bool equalsInt(int32_t v) const = 0;
    virtual bool equalsInt2(int32_t v) const { return equalsInt(v); }
    virtual bool greaterThanDouble(double v) const = 0;
    virtual bool greaterThanFloat(float v) const = 0;
    virtual bool greaterThanLong(int64_t v) const = 0;
    virtual bool greaterThanInt(int32_t v) const = 0;
    virtual bool greaterThanInt2(int32_t v) const { return greaterThanInt(v); }
    // This value < other, asked of other as "greater than this value".
    virtual bool lessThan(const KvObjNumber* other) const = 0;
    virtual int32_t toInt() const = 0;
    virtual int64_t toLong() const = 0;
    virtual float toFloat() const = 0;
    virtual double toDouble() const = 0;
    // Copies other's value when it has the same kind; false (no change) otherwise.
    virtual bool assignFrom(const KvObjNumber* other) = 0;

    // Script methods (ids 100..103).
    KvBaseObject* toIntMethod(const KvArgList& args);
    KvBaseObject* toLongMethod(const KvArgList& args);
    KvBaseObject* toDoubleMethod(const KvArgList& args);
    KvBaseObject* toFloatMethod(const KvArgList& args);

protected:
    explicit KvObjNumber(int32_t kind) : kind_(kind) { setTag(kTagNumber); }

private:
    int32_t kind_;
};

inline KvObjNumber* asNumber(KvBaseObject* value) {
    return (value && value->tag() == kTagNumber) ? static_cast<KvObjNumber*>(value) : nullptr;
}

// The kind in which two numbers combine: the larger in int < float < long < double.
inline int32_t combinedKind(const KvObjNumber& a, const KvObjNumber& b) {
    return a.kind() > b.kind() ? a.kind() : b.kind();
}

// A new bytes value holding the low byteCount bytes of bits, least significant first.
KvBaseObject* littleEndianBytes(uint64_t bits, uint32_t byteCount);

void registerNumberMembers(KvMemberRegistry& registry);

}  // namespace kestrel
