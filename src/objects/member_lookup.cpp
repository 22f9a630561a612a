// Common method records and the member lookup order.
#include "objects/member_lookup.h"

#include <unordered_map>

#include "objects/base_object.h"

namespace kestrel {

namespace {

using CommonTable = std::unordered_map<std::u16string, KvMemberRecord>;

KvMemberRecord commonRecord(const char16_t* name, KvNativeMethod method) {
    return KvMemberRecord{kMemberMethod, name, 0, method};
}

const CommonTable& commonMethods() {
    static const CommonTable* table = new CommonTable{
        {u"toString", commonRecord(u"toString", &KvBaseObject::toStringMethod)},
        {u"compare", commonRecord(u"compare", &KvBaseObject::compareMethod)},
        {u"equals", commonRecord(u"equals", &KvBaseObject::equalsMethod)},
        {u"debugString", commonRecord(u"debugString", &KvBaseObject::detailStringMethod)},
        {u"detailString", commonRecord(u"detailString", &KvBaseObject::detailStringMethod)},
        {u"toBytes", commonRecord(u"toBytes", &KvBaseObject::bytesMethod)},
        {u"bytes", commonRecord(u"bytes", &KvBaseObject::bytesMethod)},
    };
    return *table;
}

bool resolvedByOwnerType(int32_t tag) {
    return tag == kTagLocalObject || tag == kTagModule || tag == kTagModuleObject;
}

}  // namespace

const KvMemberRecord* findCommonMethod(const std::u16string& name) {
    const CommonTable& table = commonMethods();
    auto it = table.find(name);
    return it == table.end() ? nullptr : &it->second;
}

KvMemberLookup lookupMember(const KvBaseObject& owner, const std::u16string& name) {
    if (const KvMemberRecord* common = findCommonMethod(name)) {
        return KvMemberLookup{kBindNativeMethod, common};
    }
    if (const KvMemberRecord* record = owner.findMember(name)) {
        int32_t code = record->kind == kMemberProperty ? kBindBuiltinProperty : kBindNativeMethod;
        return KvMemberLookup{code, record};
    }
    if (resolvedByOwnerType(owner.tag())) {
        return KvMemberLookup{kBindByOwnerType, nullptr};
    }
    if (owner.tag() == kTagMap) {
        return KvMemberLookup{kBindMapKey, nullptr};
    }
    return KvMemberLookup{kBindObjectProperty, nullptr};
}

}  // namespace kestrel
