// Registry storage and the one-time registration of the core value types.
#include "objects/member_registry.h"

#include "objects/list_value.h"
#include "objects/map_value.h"
#include "objects/bytes_value.h"
#include "objects/number.h"
#include "objects/regex_value.h"
#include "objects/string_value.h"

namespace kestrel {

const KvMemberRecord* KvMemberRegistry::registerProperty(int32_t tag, const std::u16string& name) {
    return add(tag, kMemberProperty, name, nullptr);
}

const KvMemberRecord* KvMemberRegistry::registerMethod(int32_t tag, const std::u16string& name,
                                                       KvNativeMethod method) {
    return add(tag, kMemberMethod, name, method);
}

const KvMemberRecord* KvMemberRegistry::add(int32_t tag, int32_t kind, const std::u16string& name,
                                            KvNativeMethod method) {
    if (tag < 0 || tag >= kMaxTag) {
        return nullptr;
    }
    if (!tables_[tag]) {
        tables_[tag] = std::make_unique<TypeTable>();
    }
    TypeTable& t = *tables_[tag];
    auto existing = t.byName.find(name);
    if (existing != t.byName.end()) {
        return existing->second;
    }
    int32_t id = kind == kMemberProperty ? t.nextPropertyId++ : t.nextMethodId++;
    t.records.push_back(KvMemberRecord{kind, name, id, method});
    const KvMemberRecord* record = &t.records.back();
    t.byName.emplace(name, record);
    t.byId.emplace(id, record);
    return record;
}

const KvMemberRegistry::TypeTable* KvMemberRegistry::table(int32_t tag) const {
    return (tag >= 0 && tag < kMaxTag) ? tables_[tag].get() : nullptr;
}

const KvMemberRegistry::NameMap* KvMemberRegistry::nameMap(int32_t tag) const {
    const TypeTable* t = table(tag);
    return t ? &t->byName : nullptr;
}

const KvMemberRecord* KvMemberRegistry::findByName(int32_t tag, const std::u16string& name) const {
    const TypeTable* t = table(tag);
    if (!t) {
        return nullptr;
    }
    auto it = t->byName.find(name);
    return it == t->byName.end() ? nullptr : it->second;
}

const KvMemberRecord* KvMemberRegistry::findById(int32_t tag, int32_t id) const {
    const TypeTable* t = table(tag);
    if (!t) {
        return nullptr;
    }
    auto it = t->byId.find(id);
    return it == t->byId.end() ? nullptr : it->second;
}

KvMemberRegistry& memberRegistry() {
    // Never destroyed: values may look members up while other statics go away.
    static KvMemberRegistry* registry = [] {
        auto* r = new KvMemberRegistry();
        registerNumberMembers(*r);
        registerStringMembers(*r);
        registerListMembers(*r);
        registerMapMembers(*r);
        registerBytesMembers(*r);
        registerRegexMembers(*r);
        return r;
    }();
    return *registry;
}

}  // namespace kestrel
