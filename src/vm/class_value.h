// Script classes (tag 21): a descriptor whose body scope lists the members,
// the code unit holding the body, and the context the class was defined in
// (held, so instances can reach the names around the definition). Bases are
// resolved by name at the first instance and held; a base that would make
// the hierarchy cyclic is left out, so every search over bases ends.
// Preparation, searches and release walk the bases on explicit stacks, so a
// hierarchy of any depth never recurses on the native stack; a class more
// than kMaxDepth levels above its deepest base makes no instances.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "objects/base_object.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/instruction.h"
#include "vm/class_body_plan.h"
#include "vm/constructor_plan.h"
#include "vm/var_position.h"

namespace kestrel {

class CodeUnit;
class KvObjFunc;
class KvVBaseContext;

// Where a member lives from an instance: hidden base slots (1-based) leading
// to the holding instance, then the slot there.
struct InheritedMember {
    std::vector<uint32_t> path;
    uint32_t slot = 0;
};

class KvObjClass final : public KvBaseObject {
public:
    // The most levels of base classes below a class that makes instances.
    static constexpr int32_t kMaxDepth = 10000;

    KvObjClass(const FunctionDescriptor* descriptor, CodeUnit* unit, KvVBaseContext* defining);
    ~KvObjClass() override;

    std::u16string toString() const override { return u"<class>"; }
    bool isClass() const override { return true; }
    // A new instance whose body has not run yet (the machine runs it).
    KvBaseObject* newInstance(IKvVContext* creating) override;
    void visitReferences(KvReferenceVisitor& visitor) override;

    // "class Name()".
    std::u16string signature() const { return u"class " + descriptor_->name + u"()"; }
    const std::u16string& name() const { return descriptor_->name; }
    const FunctionDescriptor* descriptor() const { return descriptor_; }
    CodeUnit* codeUnit() const { return unit_.get(); }
    KvVBaseContext* definingContext() const { return defining_.get(); }
    uint64_t serial() const { return serial_; }

    // Resolves the bases by name once, and theirs; later calls do nothing.
    void prepare();
    // Searches the bases depth-first in base order (not the class's own members).
    bool findInherited(const std::u16string& name, InheritedMember& found) const;
    // The class's own member slot, else an inherited one; false when neither.
    bool findMember(const std::u16string& name, InheritedMember& found) const;
    using KvBaseObject::findMember;  // the member-record lookup every value has
    // Where "@init" of an instance of this class lives: the class's own, or
    // that of its first base that has one. holder starts as the instance's
    // context and moves down the hidden base slots; false when there is none.
    bool findConstructor(KvVBaseContext*& holder, int32_t& slot) const;
    // The slot of the class's own "@init" once prepared, else -1.
    int32_t ownConstructorSlot() const { return constructorSlot_; }
    // The one unbound value of a method defined in this class's body (made
    // at its first instance, then shared by all of them).
    KvObjFunc* sharedMethod(const FunctionDescriptor* method, int32_t definedAt);
    // A base named this class, directly or through its bases: its instances
    // cannot be made (each would make the next one forever).
    bool inheritsFromItself() const { return cyclic_; }
    // More than kMaxDepth levels of base classes below it.
    bool tooDeep() const { return depth_ > kMaxDepth; }
    // Prepared, and neither of the above.
    bool makesInstances() const { return baseCount_ >= 0 && !cyclic_ && !tooDeep(); }
    // The body's stores when it is plain (class_body_plan.h), read from its
    // code once; null when the body must run as code.
    const std::vector<ClassBodyStep>* plainBody();
    // The stores of constructor when its body is plain (constructor_plan.h),
    // read from its code once per constructor; null when it must run as code.
    // Inline when it was read for this constructor already: every `new` asks.
    const std::vector<ConstructorStep>* plainConstructor(const KvObjFunc& constructor) {
        if (&constructor == plannedConstructor_) return constructorPlain_ ? &constructorSteps_ : nullptr;
        return planConstructorOf(constructor);
    }
    // A new instance (count 0) with its plain body's effect already made:
    // fields null, each method's shared value in its slot. Null when the
    // body must run as code (newInstance, then the machine runs it). The
    // caller has checked that the class makes instances (prepared, not
    // cyclic, not too deep) and binds the body's free names.
    KvBaseObject* newPlainInstance();

private:
    // One step of prepare: resolves the next base; true when that base must
    // be prepared first (it is then on the stack).
    bool resolveNextBase(std::vector<KvObjClass*>& stack);
    KvObjClass* resolveBase(const VariableDecl& hidden) const;
    void finishPreparing();
    int32_t ownSlot(const std::u16string& name) const;

    const FunctionDescriptor* descriptor_;
    KvUnitRef unit_;
    KvContextRef defining_;
    int16_t baseCount_ = -1;  // -1 until prepared
    bool preparing_ = false;
    bool cyclic_ = false;
    int32_t depth_ = 0;  // levels of base classes below this one
    std::vector<KvRef<KvObjClass>> bases_;  // one per base name; empty when it named no class
    int32_t constructorSlot_ = -1;  // "@init" among the class's own members
    int32_t constructorBase_ = -1;  // else the base whose constructor it inherits
    uint64_t serial_;
    std::vector<KvRef<KvObjFunc>> methods_;  // the shared method values, by definition
    int8_t bodyPlanned_ = -1;  // -1 until read, then 1 when the body is plain
    std::vector<ClassBodyStep> bodySteps_;
    // A plain body's method stores, decided at the first plain instance.
    struct MethodStore {
        int32_t slot;
        KvObjFunc* method;  // one of methods_
    };
    bool planMethodStores();
    int8_t storesPlanned_ = -1;  // -1 until decided, then 1 when newPlainInstance applies
    std::vector<MethodStore> methodStores_;
    const std::vector<ConstructorStep>* planConstructorOf(const KvObjFunc& constructor);
    const KvObjFunc* plannedConstructor_ = nullptr;  // the one constructorSteps_ were read for (one of methods_)
    bool constructorPlain_ = false;
    std::vector<ConstructorStep> constructorSteps_;
};

// The class of a script instance context, or null. Inline: member reads
// compare it on every access.
inline KvObjClass* classOfContext(const KvVBaseContext& context) {
    KvBaseObject* cls = context.instanceClass();
    return cls && cls->tag() == kTagClass ? static_cast<KvObjClass*>(cls) : nullptr;
}

// What bindings found through a `this` context are kept under: the serial
// of its class, or 0 without one.
inline uint64_t classKeyOf(const KvVBaseContext* self) {
    const KvObjClass* cls = self ? classOfContext(*self) : nullptr;
    return cls ? cls->serial() : 0;
}

}  // namespace kestrel
