// Walking the ranges of for-each loops.
#include "vm/each_cursor.h"

#include "objects/bytes_value.h"
#include "objects/list_value.h"
#include "objects/map_value.h"
#include "objects/shared_constants.h"
#include "objects/string_value.h"

namespace kestrel {

KvEachCursor::KvEachCursor(KvBaseObject* range) : range_(KvValueRef::retain(range ? range : kvNull())) {
    setTag(kTagEachCursor);
    if (range_->tag() != kTagMap) return;
    const auto& entries = static_cast<KvObjMap*>(range_.get())->entries();
    keys_.reserve(entries.size());
    for (const auto& entry : entries) {
        if (entry.value) keys_.push_back(entry.key);  // holes are erased entries
    }
}

KvValueRef KvEachCursor::next() {
    const std::size_t at = index_;
    switch (range_->tag()) {
    case kTagList: {
        auto* list = static_cast<KvObjList*>(range_.get());
        if (at >= list->size()) return nullptr;
        ++index_;
        return kvOwnedOrNull(list->item(at));
    }
    case kTagMap:
        if (at >= keys_.size()) return nullptr;
        ++index_;
        return kvMake<KvObjString>(keys_[at]);
    case kTagString: {
        const std::u16string& text = static_cast<KvObjString*>(range_.get())->text();
        if (at >= text.size()) return nullptr;
        ++index_;
        return kvMake<KvObjString>(std::u16string(1, text[at]));
    }
    case kTagBytes: {
        auto* bytes = static_cast<KvObjBytes*>(range_.get());
        if (at >= bytes->length()) return nullptr;
        ++index_;
        return kvOwnedOrNull(kvInt(bytes->data()[at]));
    }
    default:
        return nullptr;
    }
}

}  // namespace kestrel
