// Entry ownership, subscripts and the text forms of maps.
#include "objects/map_value.h"

#include "objects/cycle_candidates.h"
#include "objects/nested_release.h"
#include "objects/shared_constants.h"
#include "objects/string_value.h"
#include "objects/text_nesting.h"

namespace kestrel {

namespace {
constexpr int32_t kLengthProperty = 1;
// Deeper indents are written as this one, so a huge argument cannot ask
// for gigabytes of spaces.
constexpr int32_t kMaxIndent = 1024;
}  // namespace

KvKeyText::KvKeyText(const KvBaseObject* key) : text_(&own_) {
    if (!key) return;
    if (key->tag() == kTagString) {
        text_ = &static_cast<const KvObjString*>(key)->text();
    } else {
        own_ = key->toString();
    }
}

KvObjMap::~KvObjMap() {
    for (const auto& entry : table_.entries()) {
        if (entry.value) kvReleaseNested(entry.value);
    }
}

void KvObjMap::visitReferences(KvReferenceVisitor& visitor) {
    KvBaseObject::visitReferences(visitor);
    for (const auto& entry : table_.entries()) {
        if (entry.value) visitor.value(entry.value);
    }
}

// The values are taken out (the table emptied) before any is released.
void KvObjMap::dropReferences() {
    KvBaseObject::dropReferences();
    std::vector<KvBaseObject*> held;
    held.reserve(table_.size());
    for (const auto& entry : table_.entries()) {
        if (entry.value) held.push_back(entry.value);
    }
    table_.clear();
    for (KvBaseObject* value : held) kvReleaseNested(value);
}

void KvObjMap::set(const std::u16string& key, KvBaseObject* value) {
    if (!value) value = kvNull();
    KvBaseObject*& slot = table_.findOrInsert(key);  // may run out of memory: nothing counted yet
    value->addRef();
    KvBaseObject* old = slot;
    slot = value;
    if (old) kvReleaseNested(old);  // the same object again: its count is back where it was
}

KvBaseObject* KvObjMap::get(const std::u16string& key) const {
    KvBaseObject* value = table_.find(key);
    return value ? value : kvNull();
}

bool KvObjMap::remove(const std::u16string& keyText) {
    KvBaseObject* value = table_.erase(keyText);
    if (!value) return false;
    kvReleaseNested(value);
    return true;
}

KvBaseObject* KvObjMap::getBuiltinProperty(int32_t id) {
    if (id == kLengthProperty) {
        std::size_t n = table_.size();
        return kvInt(n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n));
    }
    return KvBaseObject::getBuiltinProperty(id);
}

KvBaseObject* KvObjMap::getAt(KvBaseObject* key) {
    return get(KvKeyText(key).text());
}

bool KvObjMap::setAt(KvBaseObject* key, KvBaseObject* value) {
    return setMemberByKey(key, value);
}

bool KvObjMap::setMemberByKey(KvBaseObject* key, KvBaseObject* value) {
    set(KvKeyText(key).text(), value);
    return true;
}

bool KvObjMap::setMember(const std::u16string& name, KvBaseObject* value) {
    set(name, value);
    return true;
}

// m[k]: the entry; m[k1, k2, ...]: as "sub".
KvBaseObject* KvObjMap::getRange(const KvArgList& args) {
    if (args.count == 1) return getAt(args.items[0]);
    return subMethod(args);
}

// {"a":1, "b":"x"}: keys quoted, string values quoted, nothing escaped.
std::u16string KvObjMap::toString() const {
    KvTextNesting nesting(this);
    if (nesting.cut()) return u"{...}";
    std::u16string text = u"{";
    for (const auto& entry : table_.entries()) {
        if (!entry.value) continue;
        if (text.size() > 1) text += u", ";
        text += u"\"" + entry.key + u"\":";
        bool quoted = entry.value->tag() == kTagString;
        if (quoted) text += u"\"";
        text += entry.value->toString();
        if (quoted) text += u"\"";
    }
    return text + u"}";
}

// One line an entry, two spaces per indent level (indent + 1 for entries).
std::u16string KvObjMap::detailString(int32_t indent) const {
    KvTextNesting nesting(this);
    if (nesting.cut()) return u"{...}";
    if (indent > kMaxIndent) indent = kMaxIndent;
    std::u16string text = u"{";
    if (!table_.empty()) text += u"\r\n";
    for (const auto& entry : table_.entries()) {
        if (!entry.value) continue;
        for (int32_t i = 0; i <= indent; ++i) text += u"  ";
        text += u"\"" + entry.key + u"\": " + entry.value->detailString(indent + 3) + u"\r\n";
    }
    for (int32_t i = 0; i < indent; ++i) text += u"  ";
    return text + u"}";
}

}  // namespace kestrel
