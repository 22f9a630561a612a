// Element ownership and text forms of lists.
#include "objects/list_value.h"

#include <vector>

#include "objects/bytes_value.h"
#include "objects/nested_release.h"
#include "objects/number.h"
#include "objects/shared_constants.h"
#include "objects/text_nesting.h"

namespace kestrel {

KvObjList::~KvObjList() {
    for (KvBaseObject* item : items_) {
        kvReleaseNested(item);
    }
}

void KvObjList::append(KvBaseObject* value) {
    if (!value) {
        value = kvNull();
    }
    value->addRef();
    items_.push_back(value);
}

template <class TextOf>
std::u16string KvObjList::joined(TextOf textOf) const {
    KvTextNesting nesting(this);
    if (nesting.cut()) return u"[...]";
    std::u16string text = u"[";
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (i > 0) {
            text += u", ";  // by position, so an empty text (null) keeps its place
        }
        text += textOf(items_[i]);
    }
    return text + u"]";
}

std::u16string KvObjList::toString() const {
    return joined([](KvBaseObject* item) { return item->toString(); });
}

std::u16string KvObjList::detailString(int32_t indent) const {
    return joined([indent](KvBaseObject* item) { return item->detailString(indent); });
}

// One byte per element, each a number; none for an empty list.
KvBaseObject* KvObjList::toBytes() {
    if (items_.empty() || items_.size() > UINT32_MAX) return nullptr;
    std::vector<uint8_t> bytes;
    bytes.reserve(items_.size());
    for (KvBaseObject* item : items_) {
        KvObjNumber* number = asNumber(item);
        if (!number) return nullptr;
        bytes.push_back(static_cast<uint8_t>(number->toInt() & 0xff));
    }
    return new KvObjBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

}  // namespace kestrel
