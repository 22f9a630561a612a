// The registered list methods: argument conventions applied, then the list
// algorithms. Registration order fixes the ids ("length" 1, "sub" 100, ...).
// Callbacks may change the list they walk: a walk visits the positions that
// existed when it began and stops early when the list has shrunk.
#include <algorithm>
#include <vector>

#include "objects/list_value.h"
#include "objects/native_result.h"
#include "objects/nested_release.h"
#include "objects/number.h"
#include "objects/value_sort.h"

namespace kestrel {

namespace {

// The two callback arguments: the element, then its index as an integer.
struct ElementArgs {
    KvBaseObject* items[2];
    KvArgList list() { return KvArgList{2, items}; }
};

// Holds the receiver for the length of a walk, so a callback that drops
// the last other reference cannot free it under the method.
class WalkGuard {
public:
    explicit WalkGuard(KvBaseObject* owner) : owner_(owner) { owner_->addRef(); }
    ~WalkGuard() { owner_->dropKeepAlive(); }
    WalkGuard(const WalkGuard&) = delete;
    WalkGuard& operator=(const WalkGuard&) = delete;

private:
    KvBaseObject* owner_;
};

bool sameTagAndEqual(KvBaseObject* element, KvBaseObject* value) {
    return element->tag() == value->tag() && element->equals(value);
}

}  // namespace

// sub(start = 0, count = 0): the string "sub" rules on positions; an empty
// result, or a start before the first element, is null.
KvBaseObject* KvObjList::subMethod(const KvArgList& args) {
    const int64_t length = static_cast<int64_t>(items_.size());
    int64_t start = argInt(args, 0, 0);
    int64_t count = argInt(args, 1, 0);
    if (start < 0) start += length;
    if (start < 0 || start >= length) return resultNull();
    if (count == 0) {
        count = length - start;
    } else if (count < 0) {
        count += length;
    }
    count = std::min(count, length - start);
    if (count <= 0) return resultNull();
    return resultNew(slice(static_cast<std::size_t>(start), static_cast<std::size_t>(count)));
}

// conv(f): f(element, index) for each element, the results in a new list;
// no callability test (a value that cannot be called yields null each time).
KvBaseObject* KvObjList::convertMethod(const KvArgList& args) {
    KvBaseObject* function = args.at(0);
    if (!function) return resultNull();
    auto* results = new KvObjList();
    if (!results) return resultNull();
    WalkGuard guard(this);
    const std::size_t walked = items_.size();
    for (std::size_t i = 0; i < walked && i < items_.size() && !callbackRaised(); ++i) {
        ElementArgs call{{items_[i], kvInt(static_cast<int32_t>(i))}};
        KvValueRef result = callFunction(function, call.list());
        results->append(result.get());
    }
    return resultNew(results);
}

// each(f): f(element, index) for each element; the list itself either way.
KvBaseObject* KvObjList::eachMethod(const KvArgList& args) {
    KvBaseObject* function = args.at(0);
    if (!isCallback(function)) return resultHeld(this);
    WalkGuard guard(this);
    const std::size_t walked = items_.size();
    for (std::size_t i = 0; i < walked && i < items_.size() && !callbackRaised(); ++i) {
        ElementArgs call{{items_[i], kvInt(static_cast<int32_t>(i))}};
        callFunction(function, call.list());
    }
    return resultHeld(this);
}

KvBaseObject* KvObjList::appendMethod(const KvArgList& args) {
    for (int32_t i = 0; i < args.count; ++i) append(args.items[i]);
    return resultHeld(this);
}

// insert(index, values...): at index when 0 <= index <= length, else at the end.
KvBaseObject* KvObjList::insertMethod(const KvArgList& args) {
    if (args.count < 2) return resultBool(false);
    const int64_t length = static_cast<int64_t>(items_.size());
    int64_t index = argIsNumber(args, 0) ? argInt(args, 0, 0) : length;
    std::size_t position = static_cast<std::size_t>(index >= 0 && index <= length ? index : length);
    for (int32_t i = 1; i < args.count; ++i) insertAt(position++, args.items[i]);
    return resultBool(true);
}

// "set"/"get": -1 (and a non-number) addresses nothing; any index past the
// end or below -1 addresses the last element.
int64_t KvObjList::setGetPosition(KvBaseObject* index) const {
    KvObjNumber* number = asNumber(index);
    if (!number || items_.empty()) return -1;
    int64_t i = number->toInt();
    if (i == -1) return -1;
    const int64_t length = static_cast<int64_t>(items_.size());
    if (i >= length || i < 0) i = length - 1;
    return i;
}

KvBaseObject* KvObjList::setItemMethod(const KvArgList& args) {
    if (args.count != 2) return resultBool(false);
    int64_t position = setGetPosition(args.items[0]);
    if (position < 0) return resultBool(false);
    replaceAt(static_cast<std::size_t>(position), args.items[1]);
    return resultBool(true);
}

KvBaseObject* KvObjList::getItemMethod(const KvArgList& args) {
    if (args.count != 1) return resultNull();
    int64_t position = setGetPosition(args.items[0]);
    if (position < 0) return resultNull();
    return resultHeld(items_[static_cast<std::size_t>(position)]);
}

// del(indexes...): highest index first, so the lower ones stay valid; a
// repeated index removes the element that moved into its place.
bool KvObjList::removeIndexes(const KvArgList& args) {
    std::vector<KvBaseObject*> order;
    for (int32_t i = 0; i < args.count; ++i) order.push_back(args.items[i] ? args.items[i] : kvNull());
    kvSortValues(order, false);
    bool removed = false;
    for (KvBaseObject* index : order) {
        KvObjNumber* number = asNumber(index);
        if (!number) continue;
        int64_t i = number->toInt();
        if (i < 0 || i >= static_cast<int64_t>(items_.size())) continue;
        removeAt(static_cast<std::size_t>(i));
        removed = true;
    }
    return removed;
}

KvBaseObject* KvObjList::deleteMethod(const KvArgList& args) {
    if (args.count <= 0) return resultBool(false);
    return resultBool(removeIndexes(args));
}

// find(f): the elements for which f(element, index) is true, in a new list.
KvBaseObject* KvObjList::findItemsMethod(const KvArgList& args) {
    KvBaseObject* function = args.at(0);
    if (!isCallback(function)) return resultNull();
    auto* found = new KvObjList();
    if (!found) return resultNull();
    WalkGuard guard(this);
    const std::size_t walked = items_.size();
    for (std::size_t i = 0; i < walked && i < items_.size() && !callbackRaised(); ++i) {
        KvBaseObject* element = items_[i];
        element->addRef();  // the callback may take it out of the list
        ElementArgs call{{element, kvInt(static_cast<int32_t>(i))}};
        KvValueRef result = callFunction(function, call.list());
        if (!callbackRaised() && result->toBool()) found->append(element);
        kvReleaseNested(element);
    }
    return resultNew(found);
}

// sort(ascending = true), with the elements' native compare.
KvBaseObject* KvObjList::sortMethod(const KvArgList& args) {
    std::vector<KvBaseObject*> values(items_.begin(), items_.end());
    kvSortValues(values, argFlag(args, 0, true));
    std::copy(values.begin(), values.end(), items_.begin());
    return resultHeld(this);
}

// contains(values...): some value equals some element of the same type.
KvBaseObject* KvObjList::containsMethod(const KvArgList& args) {
    for (int32_t a = 0; a < args.count; ++a) {
        KvBaseObject* value = args.items[a];
        if (!value) continue;
        for (KvBaseObject* element : items_) {
            if (sameTagAndEqual(element, value)) return resultBool(true);
        }
    }
    return resultBool(false);
}

KvBaseObject* KvObjList::clearMethod(const KvArgList&) {
    std::deque<KvBaseObject*> old;
    old.swap(items_);  // emptied before any element dies
    for (KvBaseObject* item : old) kvReleaseNested(item);
    return resultHeld(this);
}

KvBaseObject* KvObjList::cloneMethod(const KvArgList&) {
    return resultNew(slice(0, items_.size()));
}

void registerListMembers(KvMemberRegistry& registry) {
    struct Entry {
        const char16_t* name;
        KvBaseObject* (KvObjList::*method)(const KvArgList&);
    };
    static const Entry kMethods[] = {
        {u"sub", &KvObjList::subMethod},
        {u"conv", &KvObjList::convertMethod},
        {u"convert", &KvObjList::convertMethod},
        {u"each", &KvObjList::eachMethod},
        {u"append", &KvObjList::appendMethod},
        {u"add", &KvObjList::appendMethod},
        {u"insert", &KvObjList::insertMethod},
        {u"set", &KvObjList::setItemMethod},
        {u"get", &KvObjList::getItemMethod},
        {u"del", &KvObjList::deleteMethod},
        {u"delete", &KvObjList::deleteMethod},
        {u"find", &KvObjList::findItemsMethod},
        {u"sort", &KvObjList::sortMethod},
        {u"contains", &KvObjList::containsMethod},
        {u"clr", &KvObjList::clearMethod},
        {u"clear", &KvObjList::clearMethod},
        {u"clone", &KvObjList::cloneMethod},
    };
    for (const char16_t* property : {u"length", u"first", u"last"}) {
        registry.registerProperty(kTagList, property);
    }
    for (const Entry& entry : kMethods) {
        registry.registerMethod(kTagList, entry.name, kvMethod(entry.method));
    }
}

}  // namespace kestrel
