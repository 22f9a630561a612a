// Byte form and equality of booleans.
#include "objects/bool_null.h"

#include "objects/bytes_value.h"

namespace kestrel {

KvBaseObject* KvObjBool::toBytes() {
    uint8_t byte = value_;
    return new KvObjBytes(&byte, 1);
}

bool KvObjBool::equals(KvBaseObject* other) const {
    return other && other->tag() == kTagBool && static_cast<KvObjBool*>(other)->value_ == value_;
}

}  // namespace kestrel
