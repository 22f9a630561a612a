// List values (tag 25): a double-ended queue of values, each holding one
// reference, released when removed or when the list dies (a dying element
// is queued, never destroyed by recursion). Script methods are in
// list_methods.cpp; a method body works on the elements, and small helpers
// turn its outcome into the value handed back.
#pragma once

#include <deque>

#include "objects/base_object.h"
#include "objects/func_inner_caller.h"

namespace kestrel {

class KvObjList : public KvBaseObject, protected KvFuncInnerCaller {
public:
    KvObjList() {
        setTag(kTagList);
        markTraversable();  // a list can hold itself, directly or through others
    }
    ~KvObjList() override;
    void visitReferences(KvReferenceVisitor& visitor) override;
    void dropReferences() override;

    std::u16string toString() const override;
    std::u16string detailString(int32_t indent) const override;
    KvBaseObject* toBytes() override;
    KvBaseObject* getBuiltinProperty(int32_t id) override;
    bool canSubscript() const override { return true; }
    KvBaseObject* getAt(KvBaseObject* key) override;
    bool setAt(KvBaseObject* key, KvBaseObject* value) override;
    bool canSubscriptRange() const override { return true; }
    KvBaseObject* getRange(const KvArgList& args) override;
    bool setMemberByKey(KvBaseObject* key, KvBaseObject* value) override;
    // Takes a reference and adds the value at the end.
    virtual void append(KvBaseObject* value);

    std::size_t size() const { return items_.size(); }
    KvBaseObject* item(std::size_t index) const { return items_[index]; }

    // Script methods; ids in registration order (see registerListMembers).
    KvBaseObject* subMethod(const KvArgList& args);
    KvBaseObject* convertMethod(const KvArgList& args);
    KvBaseObject* eachMethod(const KvArgList& args);
    KvBaseObject* appendMethod(const KvArgList& args);
    KvBaseObject* insertMethod(const KvArgList& args);
    KvBaseObject* setItemMethod(const KvArgList& args);
    KvBaseObject* getItemMethod(const KvArgList& args);
    KvBaseObject* deleteMethod(const KvArgList& args);
    KvBaseObject* findItemsMethod(const KvArgList& args);
    KvBaseObject* sortMethod(const KvArgList& args);
    KvBaseObject* containsMethod(const KvArgList& args);
    KvBaseObject* clearMethod(const KvArgList& args);
    KvBaseObject* cloneMethod(const KvArgList& args);

private:
    template <class TextOf>
    std::u16string joined(TextOf textOf) const;
    // A new list holding items [first, first + count) (each with a reference).
    KvObjList* slice(std::size_t first, std::size_t count) const;
    // The position "set"/"get" address: -1 when there is none.
    int64_t setGetPosition(KvBaseObject* index) const;
    // Replaces the element at position (in range); the old one is released.
    void replaceAt(std::size_t position, KvBaseObject* value);
    void removeAt(std::size_t position);
    void insertAt(std::size_t position, KvBaseObject* value);
    bool removeIndexes(const KvArgList& args);

    std::deque<KvBaseObject*> items_;
};

void registerListMembers(KvMemberRegistry& registry);

}  // namespace kestrel
