// The call protocol: native callables are invoked in place; script
// functions get a new context and frame and continue in the same loop.
// Calls from native code run a fixed Call/Return unit on this machine.
#include "vm/builtin_names.h"
#include "objects/callback_raise.h"
#include "objects/field_value.h"
#include "objects/shared_constants.h"
#include "vm/call_args.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/exception_value.h"
#include "vm/function_binding.h"
#include "vm/function_value.h"
#include "vm/machine.h"
#include "vm/machine_stack.h"

namespace kestrel {

namespace {

// Call (result kept), Return: how native code calls a script value.
CodeUnit* nativeCallUnit() {
    static CodeUnit* unit = [] {
        auto module = std::make_shared<CompiledModule>();
        Instruction call;
        call.opcode = Opcode::Call;
        call.discard = false;
        Instruction ret;
        ret.opcode = Opcode::Return;
        ret.cacheIndex = 1;
        module->code = {call, ret};
        return new CodeUnit(module, u"");
    }();
    return unit;
}

// Native calls from script code nest machines on the native stack; bound it.
int32_t& nestedCallDepth() {
    static int32_t depth = 0;
    return depth;
}
constexpr int32_t kMaxNestedCalls = 200;

}  // namespace

void KvVirtualMachine::popArgs(int32_t count, CallArgs& args) {
    for (int32_t i = count - 1; i >= 0; --i) args.items[i] = popValue();
}


bool KvVirtualMachine::call(const Instruction& ins) {
    const bool wantsResult = !ins.discard;
    int32_t n = popCount();
    CallArgs args(n);
    popArgs(n, args);
    KvBaseObject* callee = popRaw();
    if (!(callee->tag() == kTagField && callee->isNativeCallable())) {
        if (isFieldValue(callee)) {
            KvBaseObject* target = callee->value();
            if (!target) target = kvNull();
            target->addRef();
            callee->release();
            callee = target;
        }
        if (callee->tag() == kTagFunc) {
            bool called = callScript(static_cast<KvObjFunc*>(callee), args, wantsResult);
            callee->release();  // the new frame's context holds what it needs
            return called;
        }
        if (!callee->isCallable() || !callee->isNativeCallable()) {
            callee->release();
            callError_ = kNotFunctionMessage;
            return false;
        }
    }
    KvProxyPtr proxy = callee->invoke(args.list());
    KvBaseObject* result = proxy && proxy->object ? proxy->object : kvNull();
    if (KvBaseObject* raised = kvTakeCallbackRaise()) {
        // A script callback of the native method raised: the call raises it here.
        result->addRef();
        result->release();
        callee->release();
        calleeRaised_ = raised;
        return false;
    }
    if (wantsResult) {
        push(result);
    } else {
        result->addRef();  // released now unless something else holds it
        result->release();
    }
    callee->release();
    return true;
}

bool KvVirtualMachine::callScript(KvObjFunc* function, CallArgs& args, bool wantsResult) {
    if (frames_.size() >= kMaxFrames) {
        callError_ = kFrameLimitMessage;
        return false;
    }
    const FunctionDescriptor* descriptor = function->descriptor();
    auto* context = new KvVBaseContext(function->definingContext(), descriptor->scope);
    context->allocateSlots();
    context->setThisContext(function->thisContext());
    if (descriptor->scope) {
        const auto& params = descriptor->scope->parameters;
        for (size_t i = 0; i < params.size() && static_cast<int32_t>(i) < args.count; ++i) {
            context->storeValue(params[i]->slot, args.items[i]);  // surplus arguments dropped
        }
    }
    if (const VariableDecl* missing = bindImplicitNames(*function, *context)) {
        context->releaseRef();
        callError_ = objectNotFoundMessage(missing->name);
        return false;
    }
    function->codeUnit()->retain();
    pushFrame(function->codeUnit(), descriptor->entry,
              wantsResult ? kResultWanted : kResultDiscard, context, true);
    return true;
}

void KvVirtualMachine::callBuiltin(const Instruction& ins) {
    int32_t n = popCount();
    CallArgs args(n);
    popArgs(n, args);
    KvBaseObject* result = callBuiltinFunction(static_cast<int32_t>(ins.intValue), args.list());
    if (!result) result = kvNull();
    if (!ins.discard) {
        push(result);
    } else {
        result->releaseTemporary();
    }
}

KvBaseObject* KvVirtualMachine::callValue(KvBaseObject* callee, const KvArgList& args) {
    raised_ = false;
    if (!program_) {
        program_ = currentProgram();
        if (!program_) program_ = std::make_shared<ProgramState>();
    }
    if (nestedCallDepth() >= kMaxNestedCalls) {
        raised_ = true;
        auto* exception = new KvObjException(kFrameLimitMessage);
        exception->addRef();
        return exception;
    }
    ++nestedCallDepth();
    setReportUncaught(false);  // the native caller decides what an exception means
    CodeUnit* unit = nativeCallUnit();
    unit->retain();
    pushFrame(unit, 0, kResultWanted, nullptr, false);
    push(callee);
    for (int32_t i = 0; i < args.count; ++i) push(args.items[i]);
    push(kvInt(args.count));
    KvBaseObject* result = dispatch();
    --nestedCallDepth();
    return result;
}

}  // namespace kestrel
