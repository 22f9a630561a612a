// Defaults of the value interface, property table and value destruction.
#include "objects/base_object.h"

#include <new>

#include "objects/shared_constants.h"
#include "objects/string_value.h"
#include "objects/value_pool.h"

namespace kestrel {

const KvMemberRegistry::NameMap* KvObjectProperty::memberTable(int32_t typeTag) const {
    return memberRegistry().nameMap(typeTag);
}

const KvMemberRecord* KvObjectProperty::findMemberById(int32_t id) const {
    return memberRegistry().findById(typeTag(), id);
}

const KvMemberRecord* KvObjectProperty::findMember(const std::u16string& name) const {
    return memberRegistry().findByName(typeTag(), name);
}

const KvMemberRegistry::NameMap* KvObjectProperty::ownMemberTable() const {
    return memberTable(typeTag());
}

KvBaseObject* KvSubscriptInterface::getAt(KvBaseObject*) {
    return nullptr;
}

bool KvSubscriptInterface::setAt(KvBaseObject*, KvBaseObject*) {
    return false;
}

KvBaseObject* KvSubscriptInterface::getRange(const KvArgList&) {
    return nullptr;
}

KvBaseObject::~KvBaseObject() {
    if (!properties_) {
        return;
    }
    for (auto& entry : *properties_) {
        entry.second->release();
    }
    delete properties_;
}

void KvBaseObject::destroy() {
    refCount_ = -1;
    if (cycleFlags_ & kCycleBuffered) kvRemoveCandidate(this);
    // A number has nothing to tear down unless someone gave it properties, so
    // its block goes straight back to the pool.
    if (tag_ == kTagNumber && !properties_ && allocSize_ != 0) {
        valuePool().deallocate(this, allocSize_);
        return;
    }
    delete this;
}

void KvBaseObject::visitReferences(KvReferenceVisitor& visitor) {
    if (!properties_) return;
    for (auto& entry : *properties_) visitor.value(entry.second);
}

// Values are detached before they are released, so whatever a release
// reaches finds the table already empty.
void KvBaseObject::dropReferences() {
    if (!properties_) return;
    PropertyTable held;
    held.swap(*properties_);
    for (auto& entry : held) entry.second->release();
}

bool KvBaseObject::setBuiltinProperty(int32_t, KvBaseObject*) {
    return false;
}

KvBaseObject* KvBaseObject::getBuiltinProperty(int32_t) {
    return kvNull();
}

void KvBaseObject::setProperty(const std::u16string& name, KvBaseObject* value) {
    if (!value) {
        value = kvNull();
    }
    if (!properties_) {
        properties_ = new PropertyTable();
        markTraversable();  // a property can close a cycle through any value
    }
    auto inserted = properties_->emplace(name, nullptr);
    kvAssignRef(inserted.first->second, value);
}

KvBaseObject* KvBaseObject::getProperty(const std::u16string& name) {
    if (!properties_) {
        return kvNull();
    }
    auto it = properties_->find(name);
    return it == properties_->end() ? kvNull() : it->second;
}

KvBaseObject* KvBaseObject::toStringMethod(const KvArgList&) {
    return new KvObjString(toString());
}

std::u16string KvBaseObject::toString() const {
    return u"<base-object>";
}

KvBaseObject* KvBaseObject::detailStringMethod(const KvArgList& args) {
    return new KvObjString(detailString(argInt(args, 0, 0)));
}

KvBaseObject* KvBaseObject::equalsMethod(const KvArgList& args) {
    KvBaseObject* other = args.at(0);
    if (!other || other->tag() != tag_) {
        return kvFalse();
    }
    return kvBool(equals(other));
}

KvBaseObject* KvBaseObject::getMemberByKey(KvBaseObject* key) {
    return getMember(key ? key->toString() : std::u16string());
}

bool KvBaseObject::setMemberByKey(KvBaseObject* key, KvBaseObject* value) {
    return setMember(key ? key->toString() : std::u16string(), value);
}

bool KvBaseObject::setMember(const std::u16string& name, KvBaseObject* value) {
    setProperty(name, value);
    return true;
}

KvBaseObject* KvBaseObject::compareMethod(const KvArgList& args) {
    KvBaseObject* other = args.at(0);
    if (!other || other->tag() != tag_) {
        return kvInt(-1);
    }
    return kvInt(compare(other));
}

KvBaseObject* KvBaseObject::getMethod(const std::u16string& name) {
    const KvMemberRecord* record = findMethod(name);
    return record ? bindMethod(record) : nullptr;
}

KvValueRef KvBaseObject::invokeNative(KvNativeMethod method, const KvArgList& args) {
    return kvOwnedOrNull(method ? (this->*method)(args) : nullptr);
}

KvValueRef KvBaseObject::invoke(const KvArgList&) {
    return KvValueRef::retain(kvNull());
}

KvValueRef kvOwnedOrNull(KvBaseObject* value) {
    return KvValueRef::retain(value ? value : kvNull());
}

KvBaseObject* KvBaseObject::bytesMethod(const KvArgList&) {
    KvBaseObject* bytes = toBytes();
    return bytes ? bytes : kvNull();
}

}  // namespace kestrel
