// Byte buffer values (tag 54): the buffer, its length, the text form and the
// "length" property. The byte methods and subscripts build on this.
#pragma once

#include <cstdint>
#include <vector>

#include "objects/base_object.h"

namespace kestrel {

class KvObjBytes : public KvBaseObject {
public:
    // With a source the bytes are copied, without one they are zero-filled.
    KvObjBytes(const uint8_t* source, uint32_t length);

    std::u16string toString() const override;
    KvBaseObject* toBytes() override { return this; }
    KvBaseObject* getBuiltinProperty(int32_t id) override;

    uint32_t length() const { return static_cast<uint32_t>(data_.size()); }
    const uint8_t* data() const { return data_.data(); }
    uint8_t* data() { return data_.data(); }

private:
    std::vector<uint8_t> data_;
};

}  // namespace kestrel
