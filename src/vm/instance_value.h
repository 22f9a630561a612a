// Instances of script classes (tag 30). An instance owns one reference on
// its context, which holds the members (base instances in the hidden slots
// "[Base]") and the class. Methods hold the context too, so a method value
// that outlives its instance still finds its members; when the instance goes,
// a context kept only by its own methods is collected.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "objects/base_object.h"
#include "objects/field_value.h"
#include "objects/instance_members.h"
#include "vm/class_value.h"
#include "vm/context.h"
#include "vm/function_value.h"

namespace kestrel {

class KvObjClass;
class KvVBaseContext;

class KvObjLocalObject final : public KvBaseObject, public KvInstanceMembers {
public:
    // Inline: every `new` makes one.
    explicit KvObjLocalObject(KvContextRef context) : context_(std::move(context)) {
        setTag(kTagLocalObject);
        markTraversable();
        if (context_) context_->setSelf(this);
    }
    ~KvObjLocalObject() override;

    std::u16string toString() const override { return u"<object>"; }
    std::u16string detailString(int32_t indent) const override;
    bool isInstance() const override { return true; }
    // The constructor this instance runs: its own "@init" or an inherited one.
    KvBaseObject* initFunction() override;
    // The slot of the constructor and the instance context it runs on; null
    // when there is none. Its shared method is left unbound there, so making
    // an instance makes no function value. Inline for a class's own
    // constructor: every `new` asks.
    VariableSlot* constructorSlot(KvVBaseContext*& holder) {
        KvObjClass* cls = instanceClass();
        const int32_t own = cls ? cls->ownConstructorSlot() : -1;
        if (own < 0 || !context_->hasSlot(own)) return searchConstructorSlot(holder);
        holder = context_.get();
        return &holder->slot(own);
    }
    void visitReferences(KvReferenceVisitor& visitor) override;

    KvVBaseContext* context() const { return context_.get(); }
    // Inline with classSerial and instanceMember: method reads use them each time.
    KvObjClass* instanceClass() const { return context_ ? classOfContext(*context_) : nullptr; }

    bool bindInstanceMember(const std::u16string& name, KvMemberBinding& binding) const override;
    KvBaseObject* instanceMember(const KvMemberBinding& binding) override {
        KvVBaseContext* holder = binding.memberPath.empty() ? context_.get() : holderOf(binding.memberPath);
        if (!holder || !holder->hasSlot(binding.memberSlot)) return nullptr;
        return readMemberSlot(*holder, holder->slot(binding.memberSlot));
    }
    bool storeInstanceMember(const KvMemberBinding& binding, KvBaseObject* value) override;
    uint64_t classSerial() const override {
        KvObjClass* cls = instanceClass();
        return cls ? cls->serial() : 0;
    }

private:
    KvVBaseContext* holderOf(const std::vector<uint32_t>& path) const;
    VariableSlot* searchConstructorSlot(KvVBaseContext*& holder);

    KvContextRef context_;
};

// `this` of code running in an instance context: the instance itself, or,
// when every holder of the instance has let go while one of its methods
// still runs, a new instance over the same members (count 0). None for a
// context that belongs to no instance.
KvBaseObject* instanceOfContext(KvVBaseContext* context);

}  // namespace kestrel
