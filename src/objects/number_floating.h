// Single and double precision numbers. Any comparison with NaN is false,
// equality included; conversions to integers saturate (NaN gives 0).
#pragma once

#include <string>

#include "objects/number.h"
#include "objects/number_convert.h"

namespace kestrel {

// The "%f" text of a value, complete however long it is.
std::u16string fixedText(double value);

class KvObjFloat final : public KvObjNumber {
public:
    explicit KvObjFloat(float value) : KvObjNumber(kKindFloat), value_(value) {
        setAllocationSize(sizeof(KvObjFloat));
    }
    float get() const { return value_; }

    bool toBool() const override { return value_ != 0.0f || std::isnan(value_); }
    std::u16string toString() const override { return fixedText(value_); }
    KvBaseObject* toBytes() override;
    bool equals(KvBaseObject* other) const override;

    bool equalsDouble(double v) const override { return static_cast<double>(value_) == v; }
    bool equalsFloat(float v) const override { return value_ == v; }
    bool equalsLong(int64_t v) const override { return value_ == longToFloat(v); }
    bool equalsInt(int32_t v) const override { return value_ == static_cast<float>(v); }
    bool greaterThanDouble(double v) const override { return static_cast<double>(value_) > v; }
    bool greaterThanFloat(float v) const override { return value_ > v; }
    bool greaterThanLong(int64_t v) const override { return value_ > longToFloat(v); }
    bool greaterThanInt(int32_t v) const override { return value_ > static_cast<float>(v); }
    bool lessThan(const KvObjNumber* other) const override { return other->greaterThanFloat(value_); }
    int32_t toInt() const override { return saturatingToInt(value_); }
    int64_t toLong() const override { return saturatingToLong(value_); }
    float toFloat() const override { return value_; }
    double toDouble() const override { return value_; }
    bool assignFrom(const KvObjNumber* other) override;

private:
    float value_;
};

class KvObjDouble final : public KvObjNumber {
public:
    explicit KvObjDouble(double value) : KvObjNumber(kKindDouble), value_(value) {
        setAllocationSize(sizeof(KvObjDouble));
    }
    double get() const { return value_; }

    bool toBool() const override { return value_ != 0.0 || std::isnan(value_); }
    std::u16string toString() const override { return fixedText(value_); }
    KvBaseObject* toBytes() override;
    bool equals(KvBaseObject* other) const override;

    bool equalsDouble(double v) const override { return value_ == v; }
    bool equalsFloat(float v) const override { return value_ == static_cast<double>(v); }
    bool equalsLong(int64_t v) const override { return value_ == static_cast<double>(v); }
    bool equalsInt(int32_t v) const override { return value_ == static_cast<double>(v); }
    bool greaterThanDouble(double v) const override { return value_ > v; }
    bool greaterThanFloat(float v) const override { return value_ > static_cast<double>(v); }
    bool greaterThanLong(int64_t v) const override { return value_ > static_cast<double>(v); }
    bool greaterThanInt(int32_t v) const override { return value_ > static_cast<double>(v); }
    bool lessThan(const KvObjNumber* other) const override { return other->greaterThanDouble(value_); }
    int32_t toInt() const override { return saturatingToInt(value_); }
    int64_t toLong() const override { return saturatingToLong(value_); }
    float toFloat() const override { return narrowToFloat(value_); }
    double toDouble() const override { return value_; }
    bool assignFrom(const KvObjNumber* other) override;

private:
    double value_;
};

}  // namespace kestrel
