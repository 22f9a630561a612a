// Construction and text form of byte buffers.
#include "objects/bytes_value.h"

#include "objects/number_integer.h"
#include "objects/shared_constants.h"

namespace kestrel {

namespace {
constexpr int32_t kLengthProperty = 1;
}

KvObjBytes::KvObjBytes(const uint8_t* source, uint32_t length)
    : data_(source ? std::vector<uint8_t>(source, source + length) : std::vector<uint8_t>(length)) {
    setTag(kTagBytes);
}

std::u16string KvObjBytes::toString() const {
    return u"<bytes:" + decimalText(static_cast<int64_t>(length())) + u">";
}

KvBaseObject* KvObjBytes::getBuiltinProperty(int32_t id) {
    if (id == kLengthProperty) {
        return kvInt(static_cast<int32_t>(length()));
    }
    return KvBaseObject::getBuiltinProperty(id);
}

}  // namespace kestrel
