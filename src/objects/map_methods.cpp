// The registered map methods: argument conventions applied, then the map
// algorithms. Registration order fixes the ids ("length" 1, "sub" 100, ...).
// The callback methods walk a copy of the entries taken when they begin,
// so a callback may change the map freely.
#include <string>
#include <utility>
#include <vector>

#include "objects/map_value.h"
#include "objects/native_result.h"
#include "objects/nested_release.h"
#include "objects/string_value.h"

namespace kestrel {

namespace {

// The entries as they are now, each value held until the walk ends.
class EntrySnapshot {
public:
    explicit EntrySnapshot(const KvObjMap& map) {
        entries_.reserve(map.size());
        for (const auto& entry : map.entries()) {
            if (!entry.value) continue;
            entry.value->addRef();
            entries_.emplace_back(entry.key, entry.value);
        }
    }
    ~EntrySnapshot() {
        for (auto& entry : entries_) kvReleaseNested(entry.second);
    }
    EntrySnapshot(const EntrySnapshot&) = delete;
    EntrySnapshot& operator=(const EntrySnapshot&) = delete;

    const std::vector<std::pair<std::u16string, KvBaseObject*>>& entries() const { return entries_; }

private:
    std::vector<std::pair<std::u16string, KvBaseObject*>> entries_;
};

// The three callback arguments: the key as a new string, the value, a counter.
class EntryCall {
public:
    EntryCall(const std::u16string& key, KvBaseObject* value, std::size_t counter)
        : key_(new KvObjString(key)) {
        if (key_) key_->addRef();
        items_[0] = key_ ? key_ : kvNull();
        items_[1] = value;
        items_[2] = kvInt(static_cast<int32_t>(counter));
    }
    ~EntryCall() {
        if (key_) key_->release();
    }
    EntryCall(const EntryCall&) = delete;
    EntryCall& operator=(const EntryCall&) = delete;

    KvArgList list() { return KvArgList{3, items_}; }

private:
    KvBaseObject* key_;
    KvBaseObject* items_[3];
};

}  // namespace

// sub(keys...): a new map with those of the keys that are present.
KvBaseObject* KvObjMap::subMethod(const KvArgList& args) {
    if (args.count <= 0) return resultNull();
    auto* picked = new KvObjMap();
    if (!picked) return resultNull();
    for (int32_t i = 0; i < args.count; ++i) {
        KvKeyText key(args.items[i]);
        if (KvBaseObject* value = table_.find(key.text())) picked->set(key.text(), value);
    }
    return resultNew(picked);
}

// each(f): f(key, value, counter) per entry; the map itself either way.
KvBaseObject* KvObjMap::eachMethod(const KvArgList& args) {
    KvBaseObject* function = args.at(0);
    if (!isCallback(function)) return resultHeld(this);
    EntrySnapshot snapshot(*this);
    std::size_t counter = 0;
    for (const auto& entry : snapshot.entries()) {
        if (callbackRaised()) break;
        EntryCall call(entry.first, entry.second, counter++);
        callFunction(function, call.list());
    }
    return resultHeld(this);
}

// find(f): the entries for which f(key, value, counter) is true, in a new map.
KvBaseObject* KvObjMap::findEntriesMethod(const KvArgList& args) {
    KvBaseObject* function = args.at(0);
    if (!isCallback(function)) return resultNull();
    auto* found = new KvObjMap();
    if (!found) return resultNull();
    EntrySnapshot snapshot(*this);
    std::size_t counter = 0;
    for (const auto& entry : snapshot.entries()) {
        if (callbackRaised()) break;
        EntryCall call(entry.first, entry.second, counter++);
        KvValueRef result = callFunction(function, call.list());
        if (!callbackRaised() && result->toBool()) found->set(entry.first, entry.second);
    }
    return resultNew(found);
}

// set(key, value): false without both or with an empty key text.
KvBaseObject* KvObjMap::setEntryMethod(const KvArgList& args) {
    if (args.count < 2) return resultBool(false);
    KvKeyText key(args.items[0]);
    if (key.text().empty()) return resultBool(false);
    set(key.text(), args.items[1]);
    return resultBool(true);
}

KvBaseObject* KvObjMap::getEntryMethod(const KvArgList& args) {
    KvKeyText key(args.at(0));
    if (key.text().empty()) return resultNull();
    return resultHeld(get(key.text()));
}

KvBaseObject* KvObjMap::deleteMethod(const KvArgList& args) {
    KvKeyText key(args.at(0));
    return resultBool(!key.text().empty() && remove(key.text()));
}

KvBaseObject* KvObjMap::clearMethod(const KvArgList&) {
    KvTextHashTable old;
    std::swap(old, table_);  // emptied before any value dies
    for (const auto& entry : old.entries()) {
        if (entry.value) kvReleaseNested(entry.value);
    }
    return resultHeld(this);
}

void registerMapMembers(KvMemberRegistry& registry) {
    struct Entry {
        const char16_t* name;
        KvBaseObject* (KvObjMap::*method)(const KvArgList&);
    };
    static const Entry kMethods[] = {
        {u"sub", &KvObjMap::subMethod},
        {u"each", &KvObjMap::eachMethod},
        {u"find", &KvObjMap::findEntriesMethod},
        {u"set", &KvObjMap::setEntryMethod},
        {u"get", &KvObjMap::getEntryMethod},
        {u"delete", &KvObjMap::deleteMethod},
        {u"clr", &KvObjMap::clearMethod},
        {u"clear", &KvObjMap::clearMethod},
    };
    registry.registerProperty(kTagMap, u"length");
    for (const Entry& entry : kMethods) {
        registry.registerMethod(kTagMap, entry.name, kvMethod(entry.method));
    }
}

}  // namespace kestrel
