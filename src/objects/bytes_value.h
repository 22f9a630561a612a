// Byte buffer values (tag 54): a mutable buffer, changed in place by element
// assignment, "replace", "resize" and "clear". Every read of the buffer is
// bounds-checked; a request that does not fit yields its method's default.
#pragma once

#include <cstdint>
#include <vector>

#include "objects/base_object.h"
#include "objects/byte_search.h"

namespace kestrel {

class KvObjBytes final : public KvBaseObject {
public:
    // With a source the bytes are copied, without one they are zero-filled.
    KvObjBytes(const uint8_t* source, uint32_t length);

    std::u16string toString() const override;
    // The values in brackets; at most kDetailValueCap of them unless indent is -1.
    std::u16string detailString(int32_t indent) const override;
    KvBaseObject* toBytes() override { return this; }
    KvBaseObject* getBuiltinProperty(int32_t id) override;
    bool canSubscript() const override { return true; }
    KvBaseObject* getAt(KvBaseObject* key) override;
    bool setAt(KvBaseObject* key, KvBaseObject* value) override;
    bool canSubscriptRange() const override { return true; }
    KvBaseObject* getRange(const KvArgList& args) override;

    uint32_t length() const { return static_cast<uint32_t>(data_.size()); }
    const uint8_t* data() const { return data_.data(); }
    ByteSpan span() const { return ByteSpan{data_.data(), length()}; }

    // Script methods; ids in registration order (see registerBytesMembers).
    KvBaseObject* subMethod(const KvArgList& args);
    KvBaseObject* resizeMethod(const KvArgList& args);
    KvBaseObject* indexOfMethod(const KvArgList& args);
    KvBaseObject* lastIndexOfMethod(const KvArgList& args);
    KvBaseObject* splitMethod(const KvArgList& args);
    KvBaseObject* clearMethod(const KvArgList& args);
    KvBaseObject* startWithMethod(const KvArgList& args);
    KvBaseObject* endWithMethod(const KvArgList& args);
    KvBaseObject* containsMethod(const KvArgList& args);
    KvBaseObject* replaceMethod(const KvArgList& args);
    KvBaseObject* asBoolMethod(const KvArgList& args);
    KvBaseObject* asIntMethod(const KvArgList& args);
    KvBaseObject* asLongMethod(const KvArgList& args);
    KvBaseObject* asFloatMethod(const KvArgList& args);
    KvBaseObject* asDoubleMethod(const KvArgList& args);
    KvBaseObject* asStringMethod(const KvArgList& args);

    static constexpr uint32_t kDetailValueCap = 1024;

private:
    // The byte at index as an integer; 0 outside the buffer.
    KvBaseObject* byteAt(int32_t index) const;
    // A new buffer holding count bytes from start (both already in range).
    KvBaseObject* copyOf(uint32_t start, uint32_t count) const;
    // The width bytes at the script's offset (first argument), read
    // little-endian; false when they do not lie wholly inside the buffer.
    bool readAt(const KvArgList& args, uint32_t width, uint64_t& bits) const;

    std::vector<uint8_t> data_;
};

void registerBytesMembers(KvMemberRegistry& registry);

}  // namespace kestrel
