// Resolution of obj.name, in order: the common methods every value answers,
// the type's registered members, then members found by the owner's own type
// (script instances, modules, module objects: resolved by their owners), then
// a map key or the per-object property table. Each step is a map look-up.
#pragma once

#include <string>

#include "objects/member_registry.h"

namespace kestrel {

class KvBaseObject;

// Binding codes shared with member fields and the machine.
enum KvBindingCode : int32_t {
    kBindByOwnerType = 0,      // step 3: the owner's type resolves the name
    kBindObjectProperty = 11,  // getMember / setMember on the property table
    kBindBuiltinProperty = 12,
    kBindNativeMethod = 14,
    kBindMapKey = 16,
};

struct KvMemberLookup {
    int32_t code = kBindObjectProperty;
    const KvMemberRecord* record = nullptr;  // for codes 12 and 14
};

// "toString", "equals", "compare", "detailString"/"debugString", "bytes"/"toBytes".
const KvMemberRecord* findCommonMethod(const std::u16string& name);

// For a script instance (tag 30) a method of its class takes precedence over
// the common methods; the caller checks the class before calling this.
KvMemberLookup lookupMember(const KvBaseObject& owner, const std::u16string& name);

}  // namespace kestrel
