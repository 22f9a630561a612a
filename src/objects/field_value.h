// Fields: short-lived values standing for a place in another value, a named
// member (KvObjField, tag 32) or a bracket position (KvObjPosField, tag 33).
// A field holds one reference on its owner (and on its bracket arguments),
// so the place stays valid while the field exists. A field that is still a
// temporary destroys itself after one read or one call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "objects/base_object.h"
#include "objects/member_lookup.h"

namespace kestrel {

enum KvFieldBinding : int32_t {
    kFieldProperty = 11,         // per-object property by name
    kFieldBuiltinProperty = 12,  // registered property (by id)
    kFieldInstanceVariable = 13,
    kFieldNativeMethod = 14,
    kFieldScriptMethod = 15,
    kFieldMapKey = 16,
    kFieldModuleFunction = 50,  // a function of a native module
    kFieldModuleClass = 51,     // a class of a native module
    kFieldModuleProperty = 52,  // a property of a module object (getter, setter)
    kFieldModuleMethod = 53,    // a method of a module object
};

// What one member-access site resolved a name to, for one owner type.
// Kept per site by the machine and shared with the fields it makes.
struct KvMemberBinding {
    bool reusable = false;
    int32_t typeTag = -1;
    int32_t kind = kFieldProperty;
    std::u16string name;
    int32_t id = 0;
    KvNativeMethod method = nullptr;
    KvBaseObject* instanceClass = nullptr;  // not counted; compared only
    // Script instances (kinds 13, 15): the class resolved for, the hidden base
    // slots (1-based) leading to the instance that holds the member, its slot.
    uint64_t classSerial = 0;
    std::vector<uint32_t> memberPath;
    int32_t memberSlot = -1;
    // Native modules (kinds 50-53): the module or class resolved in, the
    // function or class found (kinds 50, 51; never destroyed), and the
    // method or property entry of the class (kinds 52, 53).
    const void* moduleScope = nullptr;
    KvBaseObject* moduleMember = nullptr;
    const void* moduleEntry = nullptr;
};
using KvMemberBindingPtr = std::shared_ptr<const KvMemberBinding>;

// Resolves name for owner, or returns the site's binding when it still fits.
KvMemberBindingPtr bindMember(const KvMemberBindingPtr& cached, const KvBaseObject& owner,
                              const std::u16string& name);

// What a field of binding kind 11, 12 or 16 reads from owner (none when the
// member has no value); reading it runs no script code.
KvBaseObject* kvReadPlainMember(KvBaseObject* owner, const KvMemberBinding& binding);

// owner[key] = value, as a bracket field with one argument assigns it.
bool kvAssignAt(KvBaseObject* owner, KvBaseObject* key, KvBaseObject* value);

class IKvObjField : public KvBaseObject {
public:
    ~IKvObjField() override;
    virtual bool assign(KvBaseObject* value) = 0;
    KvBaseObject* owner() const { return owner_; }
    // The owner is a counted reference that can close a cycle: a method
    // field stored in a property of its own receiver.
    void visitReferences(KvReferenceVisitor& visitor) override;
    void dropReferences() override;

protected:
    explicit IKvObjField(KvBaseObject* owner);
    // After a read or a call: a temporary field is done and destroys itself;
    // a result that is the owner survives that.
    KvBaseObject* finishUse(KvBaseObject* result);

    KvBaseObject* owner_;
};

class KvObjField final : public IKvObjField {
public:
    KvObjField(KvBaseObject* owner, KvMemberBindingPtr binding);

    std::u16string toString() const override { return u"<field>"; }
    std::u16string detailString(int32_t) const override { return u"<field>"; }
    KvBaseObject* value() override;
    bool assign(KvBaseObject* value) override;
    bool isCallable() const override { return isNativeCallable() || isScriptCallable(); }
    bool isNativeCallable() const override {
        return binding_->kind == kFieldNativeMethod || binding_->kind == kFieldModuleFunction ||
               binding_->kind == kFieldModuleMethod;
    }
    bool isScriptCallable() const override;
    KvValueRef invoke(const KvArgList& args) override;
    const KvMemberBinding& binding() const { return *binding_; }

private:
    KvBaseObject* read() const;  // the member's value; none when it has none

    KvMemberBindingPtr binding_;
};

class KvObjPosField final : public IKvObjField {
public:
    // Takes a reference on each argument.
    KvObjPosField(KvBaseObject* owner, std::vector<KvBaseObject*> args);
    ~KvObjPosField() override;

    std::u16string toString() const override { return u"<pos field>"; }
    std::u16string detailString(int32_t) const override { return u"<pos field>"; }
    KvBaseObject* value() override;
    bool assign(KvBaseObject* value) override;
    void visitReferences(KvReferenceVisitor& visitor) override;
    void dropReferences() override;

private:
    std::vector<KvBaseObject*> args_;
};

inline bool isFieldValue(const KvBaseObject* v) {
    return v->tag() == kTagField || v->tag() == kTagPosField;
}

}  // namespace kestrel
