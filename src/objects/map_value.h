// Map values (tag 26): values keyed by text (any key is taken by its text
// form, so 1 and "1" are one entry), in a hash table that iterates in
// insertion order; each entry holds one reference on its value, released
// (through the dying-value queue) when replaced by another object, erased,
// or when the map dies. Script methods are in map_methods.cpp.
#pragma once

#include <string>

#include "objects/base_object.h"
#include "objects/func_inner_caller.h"
#include "objects/text_hash_table.h"

namespace kestrel {

class KvObjMap : public KvBaseObject, protected KvFuncInnerCaller {
public:
    KvObjMap() {
        setTag(kTagMap);
        markTraversable();  // a map can hold itself, directly or through others
    }
    ~KvObjMap() override;
    void visitReferences(KvReferenceVisitor& visitor) override;
    void dropReferences() override;

    std::u16string toString() const override;
    std::u16string detailString(int32_t indent) const override;
    KvBaseObject* getBuiltinProperty(int32_t id) override;
    bool canSubscript() const override { return true; }
    KvBaseObject* getAt(KvBaseObject* key) override;
    bool setAt(KvBaseObject* key, KvBaseObject* value) override;
    bool canSubscriptRange() const override { return true; }
    KvBaseObject* getRange(const KvArgList& args) override;
    KvBaseObject* getMemberByKey(KvBaseObject* key) override { return getAt(key); }
    bool setMemberByKey(KvBaseObject* key, KvBaseObject* value) override;
    KvBaseObject* getMember(const std::u16string& name) override { return get(name); }
    bool setMember(const std::u16string& name, KvBaseObject* value) override;
    // When keyText is a key: releases its value, erases the entry, true.
    virtual bool remove(const std::u16string& keyText);

    // Insert-or-replace; takes a reference on the value (null for none).
    void set(const std::u16string& key, KvBaseObject* value);
    // The entry's value, or the shared null when the key is absent.
    KvBaseObject* get(const std::u16string& key) const;
    bool contains(const std::u16string& key) const { return table_.find(key) != nullptr; }
    std::size_t size() const { return table_.size(); }
    // Entries in iteration order; skip those whose value is none (erased).
    const std::vector<KvTextHashTable::Entry>& entries() const { return table_.entries(); }

    // Script methods; ids in registration order (see registerMapMembers).
    KvBaseObject* subMethod(const KvArgList& args);
    KvBaseObject* eachMethod(const KvArgList& args);
    KvBaseObject* findEntriesMethod(const KvArgList& args);
    KvBaseObject* setEntryMethod(const KvArgList& args);
    KvBaseObject* getEntryMethod(const KvArgList& args);
    KvBaseObject* deleteMethod(const KvArgList& args);
    KvBaseObject* clearMethod(const KvArgList& args);

private:
    KvTextHashTable table_;
};

// A key's text form without copying when the key is already a string:
// an absent key (or null) reads as the empty text.
class KvKeyText {
public:
    explicit KvKeyText(const KvBaseObject* key);
    const std::u16string& text() const { return *text_; }

private:
    std::u16string own_;
    const std::u16string* text_;
};

void registerMapMembers(KvMemberRegistry& registry);

}  // namespace kestrel
