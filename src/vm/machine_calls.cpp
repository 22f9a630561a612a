// The call protocol: native callables are invoked in place and hand back
// one owned reference; script functions get a new context and frame and
// continue in the same loop. Calls from native code run a fixed Call/Return
// unit on this machine.
#include "vm/builtin_names.h"
#include "objects/callback_raise.h"
#include "objects/field_value.h"
#include "objects/shared_constants.h"
#include "vm/call_args.h"
#include "vm/class_value.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/exception_value.h"
#include "vm/function_binding.h"
#include "vm/function_value.h"
#include "vm/machine.h"
#include "vm/machine_messages.h"
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
        module->code = {call, ret};
        return new CodeUnit(module, u"");
    }();
    return unit;
}

}  // namespace

bool KvVirtualMachine::isNativeCallFrame(const CallFrame& frame) {
    return frame.unit.get() == nativeCallUnit();
}

namespace {

// Native calls from script code nest machines on the native stack; bound it.
int32_t& nestedCallDepth() {
    static int32_t depth = 0;
    return depth;
}
constexpr int32_t kMaxNestedCalls = 200;

// Counts one nested machine for as long as it runs, however it ends.
struct NestedCall {
    NestedCall() { ++nestedCallDepth(); }
    ~NestedCall() { --nestedCallDepth(); }
    NestedCall(const NestedCall&) = delete;
    NestedCall& operator=(const NestedCall&) = delete;
};

}  // namespace

// The last argument is on top: the arguments fill args from the end.
void KvVirtualMachine::popArgs(int32_t count, CallArgs& args) {
    for (int32_t i = count - 1; i >= 0; --i) args.items[i] = popValue().detach();
}

// Stack: callee, then n arguments (the count already taken). A field that
// stands for a native method is called as it is; any other field is read
// first (after the arguments' own fields, last argument first, as they are
// popped), in place, so a script callee takes its arguments from the stack.
bool KvVirtualMachine::call(int32_t n, bool wantsResult) {
    bool called = true;
    if (frame_->nativeCallee.callAt == frame_->pc - 1 && callNativeMethod(n, wantsResult, called)) return called;
    KvFastStack& stack = frame_->stack;
    if (stack.count() > static_cast<size_t>(n)) {
        KvBaseObject** entries = stack.topEntries(static_cast<size_t>(n) + 1);
        if (isFieldValue(entries[0]) && !(entries[0]->tag() == kTagField && entries[0]->isNativeCallable())) {
            for (int32_t i = n; i >= 0; --i) {
                if (isFieldValue(entries[i])) readFieldInPlace(entries[i]);
            }
        }
        if (entries[0]->tag() == kTagFunc) {
            return enterScript(static_cast<KvObjFunc*>(entries[0]), nullptr, n, wantsResult, true);
        }
    }
    CallArgs args(n);
    popArgs(n, args);
    KvValueRef callee = popRaw();
    if (!(callee->tag() == kTagField && callee->isNativeCallable())) {
        if (isFieldValue(callee.get())) callee = readFieldValue(std::move(callee));
        if (!callee->isCallable() || !callee->isNativeCallable()) return notCallable(callee.get());
    }
    KvValueRef result = callee->invoke(args.list());
    if (KvBaseObject* raised = kvTakeCallbackRaise()) {
        // A script callback of the native method raised: the call raises it here.
        calleeRaised_ = raised;
        return false;
    }
    if (wantsResult) push(std::move(result));
    return true;
}

// This Call's callee is the owner of a native method that MemberRef left
// in the frame: the method runs on it as the method's field would run it,
// with no field made, and reads its arguments where they lie on the stack
// (argument fields read first, last one first, as popping would read them);
// they and the owner leave the stack once it returns. called is false when
// it raised. False (nothing done) when the callee's place holds anything else.
bool KvVirtualMachine::callNativeMethod(int32_t n, bool wantsResult, bool& called) {
    const CallFrame::NativeCallee native = frame_->nativeCallee;
    frame_->nativeCallee = CallFrame::NativeCallee{};
    KvFastStack& stack = frame_->stack;
    const auto span = static_cast<size_t>(n) + 1;
    if (n < 0 || stack.count() < span) return false;
    KvBaseObject** entries = stack.topEntries(span);
    if (entries[0] != native.owner) return false;
    for (int32_t i = n; i >= 1; --i) {
        if (isFieldValue(entries[i])) readFieldInPlace(entries[i]);
    }
    entries = stack.topEntries(span);  // a field read may have run code
    KvValueRef result = entries[0]->invokeNative(native.method, KvArgList{n, entries + 1});
    for (size_t i = 0; i < span; ++i) popRaw();  // the arguments, then the owner
    if (KvBaseObject* raised = kvTakeCallbackRaise()) {
        calleeRaised_ = raised;  // a script callback of the method raised: the call raises it here
        called = false;
        return true;
    }
    if (wantsResult) push(std::move(result));
    return true;
}

// A stack entry that is a field becomes the value it stands for. The entry
// holds null while the field is read (which may run out of memory).
void KvVirtualMachine::readFieldInPlace(KvBaseObject*& entry) {
    KvValueRef field = KvValueRef::adopt(entry);
    entry = kvNull();
    entry = readFieldValue(std::move(field)).detach();
}

// Out of line, so the common call path carries none of the report's work
// (the Call is found again from the frame: it is the one just run).
bool KvVirtualMachine::notCallable(KvBaseObject* callee) {
    callError_ = kNotFunctionMessage;
    const Instruction& ins = frame_->code[frame_->pc - 1];
    callDetail_ = describeCallee(ins.text, callee);
    return false;
}

// The common script call: the arguments move from the operand stack straight
// into the parameter slots of the new context (their references with them).
// With calleeBelow the callee's own entry lies under them and is dropped
// once the frame holds the code unit. receiver: the instance context a
// shared (unbound) method runs on.
bool KvVirtualMachine::enterScriptUnplanned(KvObjFunc* function, KvVBaseContext* receiver, int32_t n,
                                            bool wantsResult, bool calleeBelow) {
    if (frames_.size() >= kMaxFrames) {
        callError_ = kFrameLimitMessage;
        return false;
    }
    KvFastStack& stack = frame_->stack;
    KvBaseObject** args = stack.topEntries(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        if (isFieldValue(args[i])) readFieldInPlace(args[i]);
    }
    const FunctionDescriptor* descriptor = function->descriptor();
    const bool unbound = function->isUnbound();
    KvContextRef context =
        KvContextRef::adopt(KvVBaseContext::create(unbound ? receiver : function->definingContext(), descriptor->scope));
    context->setThisContext(unbound && receiver ? receiver->thisBaseContext() : function->thisContext());
    const int32_t moved = context->startActivation(args, n);
    if (moved < n) dropSurplusArguments(args, moved, n);
    stack.drop(static_cast<size_t>(n));
    KvUnitRef unit = KvUnitRef::retain(function->codeUnit());
    KvValueRef callee = calleeBelow ? popRaw() : KvValueRef::retain(function);  // kept until bound
    if (!bindKnownTargets(*function, *context)) {
        if (const VariableDecl* missing = bindImplicitNames(*function, *context)) {
            callError_ = objectNotFoundMessage(missing->name);
            return false;
        }
    }
    if (!function->plan() && !function->planRefused()) notePlan(*function);
    pushFrame(std::move(unit), descriptor->entry, wantsResult ? kResultWanted : kResultDiscard,
              std::move(context), true);
    return true;
}

// The parameter slots of a planned activation that received fields get the
// values the fields stand for, first argument first (as enterScript reads them).
void KvVirtualMachine::readPlannedFields(KvVBaseContext& activation, const ActivationPlan& plan) {
    for (int32_t i = 0; i < plan.parameters; ++i) {
        VariableSlot& slot = activation.slot(plan.firstParameterSlot + i);
        if (isFieldValue(slot.value)) readFieldInPlace(slot.value);
    }
}

// More arguments than parameters: the moved entries no longer own theirs,
// and the surplus are released, each after its entry is cleared.
void KvVirtualMachine::dropSurplusArguments(KvBaseObject** args, int32_t moved, int32_t n) {
    KvBaseObject* null = kvNull();
    for (int32_t i = 0; i < moved; ++i) args[i] = null;
    for (int32_t i = moved; i < n; ++i) {
        KvBaseObject* surplus = args[i];
        args[i] = null;
        surplus->release();
    }
}

// The free names of a function value called before (with a `this` instance
// of the same class, if any): the new activation's implicit slots (fresh,
// holding null, nothing to release) become aliases of the slots the earlier
// calls found. False when the full binding must run.
inline bool KvVirtualMachine::bindKnownTargets(KvObjFunc& function, KvVBaseContext& activation) {
    const ScopeTable* scope = function.descriptor()->scope;
    if (!scope || scope->implicits.empty()) return true;
    const BoundTargets* cached = function.boundTargets();
    if (!cached || !cached->ready) return function.isUnbound() && bindOwnFields(function, *scope, activation);
    if (cached->classKey != classKeyOf(activation.thisBaseContext())) return false;
    VariableSlot* implicit = &activation.slot(scope->firstImplicitSlot);
    VariableSlot* const* targets = cached->slots.data();
    const size_t count = scope->implicits.size();
    for (size_t i = 0; i < count; ++i) {
        if (!targets[i]) return false;
        implicit[i].makeAlias(targets[i]);
    }
    return true;
}

// A shared method (a constructor, most often) whose free names were all
// found to be fields of an instance of the same class: they bind to the
// fields of the instance it runs on by slot number. A field holding a
// shared method gets it bound first, as any read of it would.
inline bool KvVirtualMachine::bindOwnFields(KvObjFunc& function, const ScopeTable& scope, KvVBaseContext& activation) {
    const ImplicitBindings* bindings = function.codeUnit()->cache(function.definedAt()).implicits.get();
    KvVBaseContext* self = activation.thisBaseContext();
    if (!bindings || !bindings->complete || !bindings->ownMembers || !self) return false;
    if (bindings->classKey != classKeyOf(self)) return false;
    VariableSlot* implicit = &activation.slot(scope.firstImplicitSlot);
    for (size_t i = 0; i < scope.implicits.size(); ++i) {
        const int32_t slot = bindings->memberSlots[i];
        if (!self->hasSlot(slot)) return false;
        VariableSlot& field = self->slot(slot);
        if (!field.isAlias() && field.value && isUnboundMethod(field.value)) bindSharedMethod(*self, field);
        implicit[i].makeAlias(&field);
    }
    return true;
}

void KvVirtualMachine::callBuiltin(int32_t builtin, int32_t n, bool wantsResult) {
    CallArgs args(n);
    popArgs(n, args);
    KvValueRef result = callBuiltinFunction(builtin, args.list());
    if (wantsResult) push(std::move(result));
}

// Runs the callee to completion on this machine (a fresh one, started by
// native code) with the Call/Return unit.
KvValueRef KvVirtualMachine::callValue(KvBaseObject* callee, const KvArgList& args) {
    raised_ = false;
    if (!program_) {
        program_ = currentProgram();
        if (!program_) program_ = std::make_shared<ProgramState>();
    }
    if (nestedCallDepth() >= kMaxNestedCalls) {
        raised_ = true;
        return kvMake<KvObjException>(kFrameLimitMessage);
    }
    NestedCall nested;
    setReportUncaught(false);  // the native caller decides what an exception means
    pushFrame(KvUnitRef::retain(nativeCallUnit()), 0, kResultWanted, nullptr, false);
    if (frames_.empty()) frame_->generalReturn = true;  // its return ends the call
    pushRetained(callee);
    for (int32_t i = 0; i < args.count; ++i) pushRetained(args.items[i]);
    pushRetained(kvInt(args.count));
    ActiveMachine active(*this);
    KvValueRef result = dispatch();
    // Halt (or a spent run budget) ends the call with a null result: the
    // native caller always gets a value.
    return result ? std::move(result) : KvValueRef::retain(kvNull());
}

}  // namespace kestrel
