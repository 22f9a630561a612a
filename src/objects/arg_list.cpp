// The argument conventions shared by every native method.
#include "objects/arg_list.h"

#include "objects/number.h"

namespace kestrel {

std::u16string argText(const KvArgList& args, int32_t i) {
    KvBaseObject* value = args.at(i);
    return value ? value->toString() : std::u16string();
}

bool argIsNumber(const KvArgList& args, int32_t i) {
    return asNumber(args.at(i)) != nullptr;
}

int32_t argInt(const KvArgList& args, int32_t i, int32_t fallback) {
    KvObjNumber* number = asNumber(args.at(i));
    return number ? number->toInt() : fallback;
}

bool argFlag(const KvArgList& args, int32_t i, bool fallback) {
    KvBaseObject* value = args.at(i);
    if (!value || value->tag() == kTagNull) {
        return fallback;
    }
    return value->toBool();
}

}  // namespace kestrel
