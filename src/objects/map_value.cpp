// Entry ownership, insertion order and the text forms of maps.
#include "objects/map_value.h"

#include "objects/nested_release.h"
#include "objects/shared_constants.h"
#include "objects/text_nesting.h"

namespace kestrel {

KvObjMap::~KvObjMap() {
    for (auto& entry : entries_) kvReleaseNested(entry.second);
}

void KvObjMap::set(const std::u16string& key, KvBaseObject* value) {
    if (!value) value = kvNull();
    auto found = index_.find(key);
    if (found != index_.end()) {
        kvAssignRef(entries_[found->second].second, value);
        return;
    }
    value->addRef();
    index_.emplace(key, entries_.size());
    entries_.emplace_back(key, value);
}

KvBaseObject* KvObjMap::get(const std::u16string& key) const {
    auto found = index_.find(key);
    return found == index_.end() ? kvNull() : entries_[found->second].second;
}

KvBaseObject* KvObjMap::getAt(KvBaseObject* key) {
    return get(key ? key->toString() : std::u16string());
}

bool KvObjMap::setAt(KvBaseObject* key, KvBaseObject* value) {
    set(key ? key->toString() : std::u16string(), value);
    return true;
}

bool KvObjMap::setMember(const std::u16string& name, KvBaseObject* value) {
    set(name, value);
    return true;
}

// {"a":1, "b":"x"}: keys quoted, string values quoted, nothing escaped.
std::u16string KvObjMap::toString() const {
    KvTextNesting nesting(this);
    if (nesting.cut()) return u"{...}";
    std::u16string text = u"{";
    for (const auto& entry : entries_) {
        if (text.size() > 1) text += u", ";
        text += u"\"" + entry.first + u"\":";
        bool quoted = entry.second->tag() == kTagString;
        if (quoted) text += u"\"";
        text += entry.second->toString();
        if (quoted) text += u"\"";
    }
    return text + u"}";
}

std::u16string KvObjMap::detailString(int32_t indent) const {
    KvTextNesting nesting(this);
    if (nesting.cut()) return u"{...}";
    std::u16string text = u"{";
    if (!entries_.empty()) text += u"\r\n";
    for (const auto& entry : entries_) {
        for (int32_t i = 0; i <= indent; ++i) text += u"  ";
        text += u"\"" + entry.first + u"\": " + entry.second->detailString(indent + 3) + u"\r\n";
    }
    for (int32_t i = 0; i < indent; ++i) text += u"  ";
    return text + u"}";
}

}  // namespace kestrel
