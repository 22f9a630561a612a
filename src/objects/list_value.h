// List values (tag 25): a double-ended queue of values, each holding one
// reference, released when removed or when the list dies. The list methods,
// subscripts and callbacks build on this core.
#pragma once

#include <deque>

#include "objects/base_object.h"
#include "objects/func_inner_caller.h"

namespace kestrel {

class KvObjList : public KvBaseObject, protected KvFuncInnerCaller {
public:
    KvObjList() { setTag(kTagList); }
    ~KvObjList() override;

    std::u16string toString() const override;
    std::u16string detailString(int32_t indent) const override;
    KvBaseObject* toBytes() override;
    // Takes a reference and adds the value at the end.
    virtual void append(KvBaseObject* value);

    std::size_t size() const { return items_.size(); }
    KvBaseObject* item(std::size_t index) const { return items_[index]; }

private:
    template <class TextOf>
    std::u16string joined(TextOf textOf) const;

    std::deque<KvBaseObject*> items_;
};

}  // namespace kestrel
