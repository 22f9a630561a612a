// The position of one for-each loop, kept in a frame register while the loop
// runs. A list is walked by index up to its current length (so items appended
// inside the loop are visited too), a string by code unit, bytes by byte; a
// map's keys are taken when the loop starts. Any other range has no elements.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "objects/base_object.h"

namespace kestrel {

class KvEachCursor final : public KvBaseObject {
public:
    // Takes its own reference on range.
    explicit KvEachCursor(KvBaseObject* range);

    std::u16string toString() const override { return u"<each>"; }
    // The next element, owned by the caller, or none at the end.
    KvValueRef next();

private:
    KvValueRef range_;
    std::size_t index_ = 0;
    std::vector<std::u16string> keys_;  // a map's keys, taken at the start
};

}  // namespace kestrel
