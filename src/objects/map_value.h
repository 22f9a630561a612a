// Map values (tag 26): entries keyed by text, kept in insertion order for
// printing; each entry holds one reference on its value. Setting an existing
// key replaces the value in place. The map methods build on this core.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "objects/base_object.h"

namespace kestrel {

class KvObjMap : public KvBaseObject {
public:
    KvObjMap() { setTag(kTagMap); }
    ~KvObjMap() override;

    std::u16string toString() const override;
    std::u16string detailString(int32_t indent) const override;
    bool canSubscript() const override { return true; }
    KvBaseObject* getAt(KvBaseObject* key) override;
    bool setAt(KvBaseObject* key, KvBaseObject* value) override;
    KvBaseObject* getMember(const std::u16string& name) override { return get(name); }
    bool setMember(const std::u16string& name, KvBaseObject* value) override;

    // Insert-or-replace; takes a reference on the value (null for none).
    void set(const std::u16string& key, KvBaseObject* value);
    // The entry's value, or the shared null when the key is absent.
    KvBaseObject* get(const std::u16string& key) const;
    bool contains(const std::u16string& key) const { return index_.count(key) != 0; }
    std::size_t size() const { return entries_.size(); }
    const std::pair<std::u16string, KvBaseObject*>& entry(std::size_t i) const { return entries_[i]; }

private:
    std::vector<std::pair<std::u16string, KvBaseObject*>> entries_;
    std::unordered_map<std::u16string, std::size_t> index_;
};

}  // namespace kestrel
