// Booleans and null. Exactly one null and two booleans exist (the shared
// constants); operations never make new ones.
#pragma once

#include "objects/base_object.h"

namespace kestrel {

class KvObjBool final : public KvBaseObject {
public:
    explicit KvObjBool(bool value) : value_(value ? 1 : 0) { setTag(kTagBool); }

    bool toBool() const override { return value_ != 0; }
    std::u16string toString() const override { return value_ ? u"true" : u"false"; }
    KvBaseObject* toBytes() override;
    bool equals(KvBaseObject* other) const override;

private:
    uint8_t value_;
};

class KvObjNull final : public KvBaseObject {
public:
    KvObjNull() { setTag(kTagNull); }

    bool toBool() const override { return false; }
    std::u16string toString() const override { return std::u16string(); }
    bool equals(KvBaseObject* other) const override { return other && other->tag() == kTagNull; }
};

}  // namespace kestrel
