// Element ownership, text forms, properties and subscripts of lists.
#include "objects/list_value.h"

#include <vector>

#include "objects/bytes_value.h"
#include "objects/cycle_candidates.h"
#include "objects/nested_release.h"
#include "objects/number.h"
#include "objects/shared_constants.h"
#include "objects/string_limit.h"
#include "objects/text_nesting.h"

namespace kestrel {

namespace {

enum ListProperty : int32_t { kLength = 1, kFirst = 2, kLast = 3 };

// The number a key holds, or false when the key is not a number.
bool numberKey(KvBaseObject* key, int64_t& out) {
    KvObjNumber* number = asNumber(key);
    if (!number) return false;
    out = number->toInt();
    return true;
}

}  // namespace

// The elements of a long list lie anywhere in memory: each one's count is
// asked for a few elements ahead, so the loads overlap instead of waiting
// one after another.
KvObjList::~KvObjList() {
    constexpr std::size_t kAhead = 8;
    const std::size_t count = items_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (i + kAhead < count) kvPrefetchCount(items_[i + kAhead]);
        kvReleaseNested(items_[i]);
    }
}

void KvObjList::visitReferences(KvReferenceVisitor& visitor) {
    KvBaseObject::visitReferences(visitor);
    for (KvBaseObject* item : items_) visitor.value(item);
}

// The elements leave the list before any is released, so whatever a release
// reaches finds the list already empty.
void KvObjList::dropReferences() {
    KvBaseObject::dropReferences();
    std::deque<KvBaseObject*> held;
    held.swap(items_);
    for (KvBaseObject* item : held) kvReleaseNested(item);
}

void KvObjList::append(KvBaseObject* value) {
    if (!value) {
        value = kvNull();
    }
    items_.push_back(value);  // counted once it is in: growing may run out of memory
    value->addRef();
}

// "[a, b]": ", " goes before an element only once something follows the
// "[", so an element whose text is empty (null, "") first writes nothing.
template <class TextOf>
std::u16string KvObjList::joined(TextOf textOf) const {
    KvTextNesting nesting(this);
    if (nesting.cut()) return u"[...]";
    std::u16string text = u"[";
    for (KvBaseObject* item : items_) {
        const std::u16string itemText = textOf(item);
        kvJoinedLength(text.size() + 2, itemText.size());  // a text that long could never be shown
        if (text.size() > 1) text += u", ";
        text += itemText;
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

KvBaseObject* KvObjList::getBuiltinProperty(int32_t id) {
    switch (id) {
    case kLength:
        return kvInt(items_.size() > INT32_MAX ? INT32_MAX : static_cast<int32_t>(items_.size()));
    case kFirst:
        return items_.empty() ? kvNull() : items_.front();
    case kLast:
        return items_.empty() ? kvNull() : items_.back();
    default:
        return KvBaseObject::getBuiltinProperty(id);
    }
}

// Lists are mostly read in order: the element a couple of places on is
// asked for already, so a loop over the list finds it loaded.
KvBaseObject* KvObjList::getAt(KvBaseObject* key) {
    constexpr int64_t kAhead = 2;
    int64_t index = 0;
    if (numberKey(key, index)) {
        const int64_t size = static_cast<int64_t>(items_.size());
        if (index < 0 || index >= size) return kvNull();
        if (index + kAhead < size) kvPrefetchCount(items_[static_cast<std::size_t>(index + kAhead)]);
        return items_[static_cast<std::size_t>(index)];
    }
    if (key && key->tag() == kTagString) return getProperty(key->toString());
    return kvNull();
}

bool KvObjList::setAt(KvBaseObject* key, KvBaseObject* value) {
    int64_t index = 0;
    if (!numberKey(key, index) || index < 0 || index >= static_cast<int64_t>(items_.size())) {
        return false;
    }
    replaceAt(static_cast<std::size_t>(index), value);
    return true;
}

bool KvObjList::setMemberByKey(KvBaseObject* key, KvBaseObject* value) {
    if (asNumber(key)) return setAt(key, value);
    return setMember(key ? key->toString() : std::u16string(), value);
}

// l[a, b]: elements a to b inclusive; a missing or non-number bound takes
// its default (0, -1). A start still negative after adding the length is null.
KvBaseObject* KvObjList::getRange(const KvArgList& args) {
    const int64_t length = static_cast<int64_t>(items_.size());
    int64_t a = argInt(args, 0, 0);
    int64_t b = argInt(args, 1, -1);
    if (b >= length) b = length - 1;
    if (b < 0) b += length;
    if (b < 0) return kvNull();
    if (a < 0) a += length;
    if (a < 0 || a > b) return kvNull();
    return slice(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a + 1));
}

KvObjList* KvObjList::slice(std::size_t first, std::size_t count) const {
    auto* list = new KvObjList();
    if (!list) return nullptr;
    for (std::size_t i = first; i < first + count && i < items_.size(); ++i) list->append(items_[i]);
    return list;
}

void KvObjList::replaceAt(std::size_t position, KvBaseObject* value) {
    if (!value) value = kvNull();
    value->addRef();
    KvBaseObject* old = items_[position];
    items_[position] = value;
    kvReleaseNested(old);
}

void KvObjList::removeAt(std::size_t position) {
    KvBaseObject* old = items_[position];
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(position));
    kvReleaseNested(old);
}

void KvObjList::insertAt(std::size_t position, KvBaseObject* value) {
    if (!value) value = kvNull();
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(position), value);
    value->addRef();
}

}  // namespace kestrel
