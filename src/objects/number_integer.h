// 32-bit and 64-bit integer numbers. Ints in -1..255 are always the shared
// constants (use kvInt); every other number is a fresh pool block that goes
// back to the pool without running a destructor.
#pragma once

#include <string>

#include "host/utf8.h"
#include "objects/number.h"
#include "objects/number_convert.h"

namespace kestrel {

class KvObjInt final : public KvObjNumber {
public:
    explicit KvObjInt(int32_t value) : KvObjNumber(kKindInt), value_(value) {
        setAllocationSize(sizeof(KvObjInt));
    }
    int32_t get() const { return value_; }
    // For the machine only: a result that replaces the one reference to this
    // int (a variable's) is written into it rather than into a new int.
    void setInPlace(int32_t value) { value_ = value; }

    bool toBool() const override { return value_ != 0; }
    std::u16string toString() const override { return decimalText(value_); }
    KvBaseObject* toBytes() override;
    bool equals(KvBaseObject* other) const override;

    bool equalsDouble(double v) const override { return static_cast<double>(value_) == v; }
    bool equalsFloat(float v) const override { return static_cast<float>(value_) == v; }
    bool equalsLong(int64_t v) const override { return value_ == v; }
    bool equalsInt(int32_t v) const override { return value_ == v; }
    bool greaterThanDouble(double v) const override { return static_cast<double>(value_) > v; }
    bool greaterThanFloat(float v) const override { return static_cast<float>(value_) > v; }
    bool greaterThanLong(int64_t v) const override { return value_ > v; }
    bool greaterThanInt(int32_t v) const override { return value_ > v; }
    bool lessThan(const KvObjNumber* other) const override { return other->greaterThanInt2(value_); }
    int32_t toInt() const override { return value_; }
    int64_t toLong() const override { return value_; }
    float toFloat() const override { return static_cast<float>(value_); }
    double toDouble() const override { return value_; }
    bool assignFrom(const KvObjNumber* other) override;

private:
    int32_t value_;
};

class KvObjLong final : public KvObjNumber {
public:
    explicit KvObjLong(int64_t value) : KvObjNumber(kKindLong), value_(value) {
        setAllocationSize(sizeof(KvObjLong));
    }
    int64_t get() const { return value_; }

    bool toBool() const override { return value_ != 0; }
    std::u16string toString() const override { return decimalText(value_); }
    KvBaseObject* toBytes() override;
    bool equals(KvBaseObject* other) const override;

    bool equalsDouble(double v) const override { return static_cast<double>(value_) == v; }
    bool equalsFloat(float v) const override { return longToFloat(value_) == v; }
    bool equalsLong(int64_t v) const override { return value_ == v; }
    bool equalsInt(int32_t v) const override { return value_ == v; }
    bool greaterThanDouble(double v) const override { return static_cast<double>(value_) > v; }
    bool greaterThanFloat(float v) const override { return longToFloat(value_) > v; }
    bool greaterThanLong(int64_t v) const override { return value_ > v; }
    bool greaterThanInt(int32_t v) const override { return value_ > v; }
    bool lessThan(const KvObjNumber* other) const override { return other->greaterThanLong(value_); }
    int32_t toInt() const override { return lowBits32(value_); }
    int64_t toLong() const override { return value_; }
    float toFloat() const override { return longToFloat(value_); }
    double toDouble() const override { return static_cast<double>(value_); }
    bool assignFrom(const KvObjNumber* other) override;

private:
    int64_t value_;
};

}  // namespace kestrel
