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
    : descriptor_(descriptor), unit_(unit), definedAt_(definedAt), defining_(defining),
      this_(thisContext) {
    setTag(kTagFunc);
    unit_->retain();
    if (defining_) defining_->retain();
    if (this_) this_->retain();
}

KvObjFunc::~KvObjFunc() {
    if (this_) this_->releaseRef();
    if (defining_) defining_->releaseRef();
    unit_->releaseRef();
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
KvProxyPtr KvObjFunc::invoke(const KvArgList& args) {
    KvScriptCallResult outcome = callFromNative(this, args);
    if (outcome.raised) {
        kvParkCallbackRaise(outcome.value);  // the slot now holds it
        outcome.value = kvNull();
    }
    return std::make_shared<KvBaseObjectProxy>(outcome.value);
}

KvScriptCallResult callFromNative(KvBaseObject* callee, const KvArgList& args) {
    KvScriptCallResult outcome;
    if (!callee) {
        outcome.value = kvNull();
        return outcome;
    }
    KvVirtualMachine machine;
    KvBaseObject* result = machine.callValue(callee, args);
    outcome.raised = machine.endedInException();
    if (!result) result = kvNull();
    result->dropKeepAlive();  // the machine handed one reference over
    outcome.value = result;
    return outcome;
}

}  // namespace kestrel
