// Reads, assignments and calls through member and bracket fields.
#include "objects/field_value.h"

#include "objects/cycle_candidates.h"
#include "objects/instance_members.h"
#include "objects/map_value.h"
#include "objects/module_members.h"
#include "objects/number.h"
#include "objects/shared_constants.h"

namespace kestrel {

namespace {

// A script instance: its class's members (its own, then its bases') come
// before the common methods; a site keeps its binding while the class stays.
KvMemberBindingPtr bindInstance(const KvMemberBindingPtr& cached, const KvInstanceMembers& members,
                                const KvBaseObject& owner, const std::u16string& name) {
    const uint64_t serial = members.classSerial();
    if (cached && cached->reusable && cached->typeTag == owner.tag() && cached->classSerial == serial) {
        return cached;
    }
    auto binding = std::make_shared<KvMemberBinding>();
    binding->typeTag = owner.tag();
    binding->name = name;
    binding->classSerial = serial;
    binding->reusable = true;
    if (members.bindInstanceMember(name, *binding)) return binding;
    KvMemberLookup found = lookupMember(owner, name);
    binding->kind = found.code == kBindByOwnerType ? kFieldProperty : found.code;
    if (found.record) {
        binding->id = found.record->id;
        binding->method = found.record->method;
    }
    return binding;
}

// A module or module object: the common methods come first, then the names
// of the module (functions, classes) or of the object's class (methods,
// properties); a site keeps its binding while the module or class stays.
KvMemberBindingPtr bindModule(const KvMemberBindingPtr& cached, const KvModuleMembers& members,
                              const KvBaseObject& owner, const std::u16string& name) {
    const void* scope = members.memberScope();
    if (cached && cached->reusable && cached->typeTag == owner.tag() && cached->moduleScope == scope) {
        return cached;
    }
    auto binding = std::make_shared<KvMemberBinding>();
    binding->typeTag = owner.tag();
    binding->name = name;
    binding->moduleScope = scope;
    binding->reusable = true;
    KvMemberLookup found = lookupMember(owner, name);
    if (found.code == kBindByOwnerType) {
        if (!members.bindModuleMember(name, *binding)) binding->kind = kFieldProperty;
        return binding;
    }
    binding->kind = found.code;
    if (found.record) {
        binding->id = found.record->id;
        binding->method = found.record->method;
    }
    return binding;
}

}  // namespace

KvMemberBindingPtr bindMember(const KvMemberBindingPtr& cached, const KvBaseObject& owner,
                              const std::u16string& name) {
    if (owner.tag() == kTagLocalObject) {
        if (KvInstanceMembers* members = instanceMembersOf(const_cast<KvBaseObject*>(&owner))) {
            return bindInstance(cached, *members, owner, name);
        }
    }
    if (KvModuleMembers* members = moduleMembersOf(const_cast<KvBaseObject*>(&owner))) {
        return bindModule(cached, *members, owner, name);
    }
    if (cached && cached->reusable && cached->typeTag == owner.tag()) return cached;
    auto binding = std::make_shared<KvMemberBinding>();
    KvMemberLookup found = lookupMember(owner, name);
    binding->typeTag = owner.tag();
    binding->name = name;
    // Owners that resolve names themselves (instances, modules) arrive with
    // their types; until then their names read as per-object properties.
    binding->kind = found.code == kBindByOwnerType ? kFieldProperty : found.code;
    binding->reusable = found.code != kBindByOwnerType;
    if (found.record) {
        binding->id = found.record->id;
        binding->method = found.record->method;
    }
    return binding;
}

IKvObjField::IKvObjField(KvBaseObject* owner) : owner_(owner ? owner : kvNull()) {
    owner_->addRef();
    markTraversable();
}

IKvObjField::~IKvObjField() {
    owner_->release();
}

void IKvObjField::visitReferences(KvReferenceVisitor& visitor) {
    KvBaseObject::visitReferences(visitor);
    visitor.value(owner_);
}

// The owner becomes the shared null, which the field's other routines and
// its destructor handle like any owner.
void IKvObjField::dropReferences() {
    KvBaseObject::dropReferences();
    KvBaseObject* owner = owner_;
    owner_ = kvNull();
    owner->release();
}

KvBaseObject* IKvObjField::finishUse(KvBaseObject* result) {
    if (!result) result = kvNull();
    if (refCount() != 0 || result == this) return result;
    result->addRef();  // the result may be the owner, freed with this field
    releaseTemporary();
    result->dropKeepAlive();
    return result;
}

KvObjField::KvObjField(KvBaseObject* owner, KvMemberBindingPtr binding)
    : IKvObjField(owner), binding_(std::move(binding)) {
    setTag(kTagField);
}

KvBaseObject* kvReadPlainMember(KvBaseObject* owner, const KvMemberBinding& binding) {
    switch (binding.kind) {
    case kFieldProperty:
        return owner->getMember(binding.name);
    case kFieldBuiltinProperty:
        return owner->getBuiltinProperty(binding.id);
    case kFieldMapKey:
        return owner->tag() == kTagMap ? static_cast<KvObjMap*>(owner)->get(binding.name)
                                       : owner->getMember(binding.name);
    default:
        return nullptr;
    }
}

KvBaseObject* KvObjField::read() const {
    switch (binding_->kind) {
    case kFieldProperty:
    case kFieldBuiltinProperty:
    case kFieldMapKey:
        return kvReadPlainMember(owner_, *binding_);
    case kFieldInstanceVariable:
    case kFieldScriptMethod:
        if (KvInstanceMembers* members = instanceMembersOf(owner_)) return members->instanceMember(*binding_);
        return nullptr;
    case kFieldModuleFunction:
    case kFieldModuleClass:
        return binding_->moduleMember;
    case kFieldModuleProperty:
    case kFieldModuleMethod:
        if (KvModuleMembers* members = moduleMembersOf(owner_)) return members->readModuleMember(*binding_);
        return nullptr;
    default:
        return nullptr;
    }
}

KvBaseObject* KvObjField::value() {
    if (binding_->kind == kFieldNativeMethod) return this;  // a bound method
    return finishUse(read());
}

bool KvObjField::assign(KvBaseObject* value) {
    switch (binding_->kind) {
    case kFieldProperty:
        owner_->setProperty(binding_->name, value);
        return true;
    case kFieldBuiltinProperty:
        return owner_->setBuiltinProperty(binding_->id, value);
    case kFieldMapKey:
        return owner_->setMember(binding_->name, value);
    case kFieldInstanceVariable:
        if (KvInstanceMembers* members = instanceMembersOf(owner_)) {
            return members->storeInstanceMember(*binding_, value);
        }
        return false;
    case kFieldModuleProperty:
        if (KvModuleMembers* members = moduleMembersOf(owner_)) return members->storeModuleMember(*binding_, value);
        return false;
    default:
        return false;
    }
}

bool KvObjField::isScriptCallable() const {
    if (binding_->kind == kFieldScriptMethod) return true;
    if (isNativeCallable()) return false;
    KvValueRef member = KvValueRef::retain(read());  // a property read may hand out a fresh value
    return member && member->isScriptCallable();
}

// The result is owned before a temporary field (and with it perhaps the
// owner the result belongs to) is destroyed.
KvValueRef KvObjField::invoke(const KvArgList& args) {
    KvValueRef result;
    if (binding_->kind == kFieldNativeMethod) {
        result = owner_->invokeNative(binding_->method, args);
    } else if (binding_->kind == kFieldModuleMethod) {
        if (KvModuleMembers* members = moduleMembersOf(owner_)) {
            result = kvOwnedOrNull(members->callModuleMethod(*binding_, args));
        }
    } else if (KvBaseObject* read = this->read()) {
        KvValueRef member = KvValueRef::retain(read);  // a property read may hand out a fresh value
        if (member->isCallable()) result = member->invoke(args);
    }
    if (!result) result = kvOwnedOrNull(nullptr);
    releaseTemporary();
    return result;
}

KvObjPosField::KvObjPosField(KvBaseObject* owner, std::vector<KvBaseObject*> args)
    : IKvObjField(owner), args_(std::move(args)) {
    setTag(kTagPosField);
    for (KvBaseObject*& arg : args_) {
        if (!arg) arg = kvNull();
        arg->addRef();
    }
}

KvObjPosField::~KvObjPosField() {
    for (KvBaseObject* arg : args_) arg->release();
}

void KvObjPosField::visitReferences(KvReferenceVisitor& visitor) {
    IKvObjField::visitReferences(visitor);
    for (KvBaseObject* arg : args_) visitor.value(arg);
}

void KvObjPosField::dropReferences() {
    std::vector<KvBaseObject*> held;
    held.swap(args_);  // detached first, as every value's references are
    IKvObjField::dropReferences();
    for (KvBaseObject* arg : held) arg->release();
}

KvBaseObject* KvObjPosField::value() {
    KvBaseObject* result = nullptr;
    if (args_.size() == 1) {
        if (owner_->canSubscript()) result = owner_->getAt(args_[0]);
    } else if (args_.size() >= 2 && owner_->canSubscriptRange()) {
        KvArgList list{static_cast<int32_t>(args_.size()), args_.data()};
        result = owner_->getRange(list);
    }
    return finishUse(result);
}

bool KvObjPosField::assign(KvBaseObject* value) {
    if (args_.size() != 1) return false;
    return kvAssignAt(owner_, args_[0], value);
}

// The element store, then the store by key. A map's second store, and a
// list's with a number key, would put the same value in the same place again.
bool kvAssignAt(KvBaseObject* owner, KvBaseObject* key, KvBaseObject* value) {
    if (!owner->canSubscript()) return false;
    const bool stored = owner->setAt(key, value);
    if (owner->tag() == kTagMap) return true;
    if (owner->tag() == kTagList && asNumber(key)) return stored;
    return owner->setMemberByKey(key, value);
}

}  // namespace kestrel
