// Function value lifetime, text forms and calls from native code.
#include "vm/function_value.h"

#include "objects/callback_raise.h"
#include "objects/shared_constants.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/machine.h"

namespace kestrel {

KvObjFunc::KvObjFunc(const FunctionDescriptor* descriptor, CodeUnit* unit, int32_t definedAt,
                     KvVBaseContext* defining, KvVBaseContext* thisContext)
    : descriptor_(descriptor), unit_(KvUnitRef::retain(unit)), definedAt_(definedAt),
      defining_(KvContextRef::retain(defining)), this_(KvContextRef::retain(thisContext)) {
    setTag(kTagFunc);
    markTraversable();
}

KvRef<KvObjFunc> KvObjFunc::makeUnbound(const FunctionDescriptor* descriptor, CodeUnit* unit,
                                         int32_t definedAt) {
    KvRef<KvObjFunc> function = kvMake<KvObjFunc>(descriptor, unit, definedAt, nullptr, nullptr);
    function->unbound_ = true;
    // It holds no context: dropping an instance's reference to it cannot
    // leave a cycle behind, so it is never a candidate.
    function->setCycleFlags(0);
    return function;
}

// The instance is the context that owns the final slot: holder itself or,
// for a slot reached through an alias of a method activation, its `this`.
// A slot owned by neither is left as it is (the method stays unbound).
KvBaseObject* bindSharedMethod(KvVBaseContext& holder, VariableSlot& slot) {
    VariableSlot* last = slot.finalSlot();
    KvBaseObject* held = last->value;
    if (!held || !isUnboundMethod(held)) return held;
    KvVBaseContext* owner = &holder;
    if (!owner->ownsSlot(last)) owner = holder.thisBaseContext();
    if (!owner || !owner->ownsSlot(last)) return held;
    auto* shared = static_cast<KvObjFunc*>(held);
    KvRef<KvObjFunc> bound = kvMake<KvObjFunc>(shared->descriptor(), shared->codeUnit(), shared->definedAt(),
                                               owner, owner->thisBaseContext());
    last->store(bound.get());  // the slot's reference keeps it
    return bound.get();
}

// The handles drop `this`, then the defining context, then the unit.
KvObjFunc::~KvObjFunc() = default;

void KvObjFunc::visitReferences(KvReferenceVisitor& visitor) {
    KvBaseObject::visitReferences(visitor);
    if (defining_) visitor.context(defining_.get());
    if (this_) visitor.context(this_.get());
}

bool KvObjFunc::equals(KvBaseObject* other) const {
    return other && other->tag() == kTagFunc &&
           static_cast<KvObjFunc*>(other)->descriptor_ == descriptor_;
}

std::u16string KvObjFunc::signature() const {
    std::u16string text = u"func";
    if (!descriptor_->name.empty()) text += u" " + descriptor_->name;
    text += u"(";
    if (descriptor_->scope) {
        const auto& params = descriptor_->scope->parameters;
        for (size_t i = 0; i < params.size(); ++i) {
            if (i > 0) text += u", ";
            text += params[i]->name;
        }
    }
    return text + u")";
}

// Native code that calls a script function through invoke learns of an
// exception through the parked slot; the call itself then yields null.
KvValueRef KvObjFunc::invoke(const KvArgList& args) {
    KvScriptCallResult outcome = callFromNative(this, args);
    if (outcome.raised) {
        kvParkCallbackRaise(outcome.value.get());  // the slot counts its own reference
        return kvOwnedOrNull(nullptr);
    }
    return std::move(outcome.value);
}

KvScriptCallResult callFromNative(KvBaseObject* callee, const KvArgList& args) {
    KvScriptCallResult outcome;
    if (callee) {
        KvVirtualMachine machine;
        outcome.value = machine.callValue(callee, args);
        outcome.raised = machine.endedInException();
    }
    if (!outcome.value) outcome.value = kvOwnedOrNull(nullptr);
    return outcome;
}

}  // namespace kestrel
