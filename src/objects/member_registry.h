// Per-type registry of script-visible built-in members. Each type tag has a
// name map and an id map over the same records; properties are numbered from
// 1 and methods from 100 in registration order, and the first registration of
// a name wins (a repeat changes nothing and uses up no id).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>

#include "objects/arg_list.h"

namespace kestrel {

class KvBaseObject;

// A native method of a value class, called through KvBaseObject::invokeNative.
using KvNativeMethod = KvBaseObject* (KvBaseObject::*)(const KvArgList&);

// Converts a method of a derived value class to the registry's pointer type.
template <class Derived>
KvNativeMethod kvMethod(KvBaseObject* (Derived::*method)(const KvArgList&)) {
    return static_cast<KvNativeMethod>(method);
}

enum KvMemberKind : int32_t {
    kMemberProperty = 0,
    kMemberMethod = 1,
};

struct KvMemberRecord {
    int32_t kind = kMemberProperty;
    std::u16string name;
    int32_t id = 0;
    KvNativeMethod method = nullptr;  // none for properties
};

constexpr int32_t kFirstPropertyId = 1;
constexpr int32_t kFirstMethodId = 100;

class KvMemberRegistry {
public:
    using NameMap = std::unordered_map<std::u16string, const KvMemberRecord*>;

    // Both return the record in force for the name (the earlier one on a repeat).
    const KvMemberRecord* registerProperty(int32_t tag, const std::u16string& name);
    const KvMemberRecord* registerMethod(int32_t tag, const std::u16string& name,
                                         KvNativeMethod method);

    const NameMap* nameMap(int32_t tag) const;
    const KvMemberRecord* findByName(int32_t tag, const std::u16string& name) const;
    const KvMemberRecord* findById(int32_t tag, int32_t id) const;

private:
    struct TypeTable {
        std::deque<KvMemberRecord> records;  // stable addresses for the maps
        NameMap byName;
        std::unordered_map<int32_t, const KvMemberRecord*> byId;
        int32_t nextPropertyId = kFirstPropertyId;
        int32_t nextMethodId = kFirstMethodId;
    };
    static constexpr int32_t kMaxTag = 128;

    const KvMemberRecord* add(int32_t tag, int32_t kind, const std::u16string& name,
                              KvNativeMethod method);
    const TypeTable* table(int32_t tag) const;

    std::array<std::unique_ptr<TypeTable>, kMaxTag> tables_;
};

// The process-wide registry, created on first use with the members of the
// core value types (numbers, strings, lists, maps, bytes, match cursors)
// already registered.
KvMemberRegistry& memberRegistry();

}  // namespace kestrel
