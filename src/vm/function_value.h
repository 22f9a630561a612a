// Script function values (tag 20): a descriptor, the code unit holding its
// body, and the context it was defined in. The function holds references on
// its code unit, its defining context and its `this` context, so a closure
// stays valid after the defining frame returns. Two function values are
// equal when they come from the same definition. A class's methods are
// shared: one unbound value per method and class, kept in every instance's
// slot and bound to the holding instance where the slot is read (the bound
// value then replaces it in the slot), so an instance whose methods are only
// called through its constructor or member calls makes no function values.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "objects/base_object.h"
#include "vm/activation_plan.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/instruction.h"

namespace kestrel {

class CodeUnit;
class KvVBaseContext;
struct VariableSlot;

// The slots a function value's free names were last bound to. A function's
// defining and `this` contexts never change, so targets reached without
// reading any slot value stay valid while the class of `this` is the same.
struct BoundTargets {
    bool ready = false;
    uint64_t classKey = 0;
    std::vector<VariableSlot*> slots;  // parallel to the scope's implicits
};

class KvObjFunc final : public KvBaseObject {
public:
    // definedAt: the position of the MakeFunction instruction in unit.
    KvObjFunc(const FunctionDescriptor* descriptor, CodeUnit* unit, int32_t definedAt,
              KvVBaseContext* defining, KvVBaseContext* thisContext);
    ~KvObjFunc() override;
    // The shared, unbound value of a method (no contexts, never a cycle candidate).
    static KvRef<KvObjFunc> makeUnbound(const FunctionDescriptor* descriptor, CodeUnit* unit,
                                        int32_t definedAt);

    std::u16string toString() const override { return u"<func>"; }
    bool equals(KvBaseObject* other) const override;
    bool isCallable() const override { return true; }
    bool isScriptCallable() const override { return true; }
    // Runs the function to completion on a nested machine.
    KvValueRef invoke(const KvArgList& args) override;
    void visitReferences(KvReferenceVisitor& visitor) override;

    // "func name(a, b)".
    std::u16string signature() const;
    const FunctionDescriptor* descriptor() const { return descriptor_; }
    CodeUnit* codeUnit() const { return unit_.get(); }
    int32_t definedAt() const { return definedAt_; }
    KvVBaseContext* definingContext() const { return defining_.get(); }
    KvVBaseContext* thisContext() const { return this_.get(); }
    // None until the second call: most functions made per instance (methods,
    // constructors) are called once or never, and keep no cache.
    BoundTargets* boundTargets() { return bound_.get(); }
    BoundTargets& makeBoundTargets() {
        if (!bound_) bound_ = std::make_unique<BoundTargets>();
        return *bound_;
    }
    // A class's shared method value: called only with a receiver.
    bool isUnbound() const { return unbound_; }
    // The shape shared by this value's calls, once one is worked out
    // (KvVirtualMachine::notePlan); dropped when its free names bind anew.
    const ActivationPlan* plan() const { return plan_.get(); }
    void setPlan(std::unique_ptr<ActivationPlan> plan) { plan_ = std::move(plan); }
    void dropPlan() { plan_.reset(); }
    // Set when the function cannot have a plan (too many slots, a shared method...).
    bool planRefused() const { return planRefused_; }
    void refusePlan() { planRefused_ = true; }
    // True from the second call on.
    bool noteCall() {
        bool again = called_;
        called_ = true;
        return again;
    }

private:
    const FunctionDescriptor* descriptor_;
    KvUnitRef unit_;
    int32_t definedAt_;
    bool called_ = false;
    bool unbound_ = false;
    bool planRefused_ = false;
    KvContextRef defining_;  // may be empty (a function made outside any scope)
    KvContextRef this_;      // empty outside methods
    std::unique_ptr<BoundTargets> bound_;
    std::unique_ptr<ActivationPlan> plan_;
};

// Whether value is a class's shared method that still needs its instance.
inline bool isUnboundMethod(const KvBaseObject* value) {
    return value->tag() == kTagFunc && static_cast<const KvObjFunc*>(value)->isUnbound();
}

// What slot (of holder, or an alias of one of holder's slots) holds, with a
// shared method bound to holder first and the bound value kept in the slot.
KvBaseObject* bindSharedMethod(KvVBaseContext& holder, VariableSlot& slot);

// Reads a slot of holder, binding a shared method found there. Inline: every
// member read goes through it.
inline KvBaseObject* readMemberSlot(KvVBaseContext& holder, VariableSlot& slot) {
    KvBaseObject* held = slot.read();
    return held && isUnboundMethod(held) ? bindSharedMethod(holder, slot) : held;
}

// The outcome of calling a script value from native code.
struct KvScriptCallResult {
    // Owned by the caller; never empty.
    KvValueRef value;
    // The call ended in an exception; value is that exception.
    bool raised = false;
};

// Calls any callable value from native code (a nested machine for script
// functions); tells the caller when the call ended in an exception.
KvScriptCallResult callFromNative(KvBaseObject* callee, const KvArgList& args);

}  // namespace kestrel
