// The machine's operand stack helpers, inline for the dispatch loop.
// Invariant: every entry of a frame's operand stack holds one reference
// (a shared constant's is simply not counted), and no entry is null. The
// helpers move that reference in and out of KvRef handles, so the stack
// itself stays a plain array of pointers. They are always inlined: the
// handles then compile to the same loads and stores as raw pointers.
#pragma once

#include <memory>
#include <utility>

#include "objects/base_object.h"
#include "objects/field_value.h"
#include "objects/number_integer.h"
#include "objects/shared_constants.h"
#include "vm/class_value.h"
#include "vm/function_value.h"
#include "vm/machine.h"

namespace kestrel {

// The int fast paths' test and read.
inline bool isInt(const KvBaseObject* v) {
    return v->tag() == kTagNumber && static_cast<const KvObjNumber*>(v)->kind() == kKindInt;
}

inline int32_t intOf(const KvBaseObject* v) {
    return static_cast<const KvObjInt*>(v)->get();
}

// The plain value a popped field stands for (out of line: fields are rare).
KvValueRef readFieldValue(KvValueRef field);

// The entry-level moves, for code that works on a stack directly.
[[gnu::always_inline]] inline void stackPush(KvFastStack& stack, KvValueRef value) {
    KvBaseObject* raw = value.detach();
    stack.push(raw ? raw : kvNull());
}

[[gnu::always_inline]] inline KvValueRef stackPop(KvFastStack& stack) {
    KvBaseObject* value = stack.pop();
    return KvValueRef::adopt(value ? value : kvNull());
}

[[gnu::always_inline]] inline KvValueRef stackPopValue(KvFastStack& stack) {
    KvValueRef value = stackPop(stack);
    if (!isFieldValue(value.get())) return value;
    return readFieldValue(std::move(value));
}

[[gnu::always_inline]] inline void KvVirtualMachine::push(KvValueRef value) {
    stackPush(frame_->stack, std::move(value));
}

[[gnu::always_inline]] inline void KvVirtualMachine::pushRetained(KvBaseObject* value) {
    push(KvValueRef::retain(value));
}

// A shared constant is never counted: nothing to take.
[[gnu::always_inline]] inline void KvVirtualMachine::pushShared(KvBaseObject* constant) {
    frame_->stack.push(constant);
}

[[gnu::always_inline]] inline KvValueRef KvVirtualMachine::popRaw() {
    return stackPop(frame_->stack);
}

[[gnu::always_inline]] inline KvValueRef KvVirtualMachine::popValue() {
    return stackPopValue(frame_->stack);
}

// Inline: every script call pushes a frame. A cleared spare frame is
// reused when there is one. If anything here runs
// out of memory, the new frame and what it was given are released again.
[[gnu::always_inline]] inline void KvVirtualMachine::pushFrame(KvUnitRef&& unit, int32_t pc, int32_t mode,
                                        KvContextRef&& context, bool owns) {
    std::unique_ptr<CallFrame> next(spareCount_ > 0 ? spare_[--spareCount_] : new CallFrame());
    if (frame_) frames_.push_back(frame_);  // may run out of memory: next is still owned here
    next->begin(std::move(unit), pc, mode, std::move(context), owns);
    frame_ = next.release();
}

// The call passes exactly the plan's parameters, and the aliases were found
// for the class `this` has now (a shared method's: the receiver's, which
// must be there and hold the fields it aliases).
// kReceiver: the call site may pass a receiver (a call without one never
// fits a shared method's plan, and its copy of this code has no such path).
template <bool kReceiver>
[[gnu::always_inline]] inline bool KvVirtualMachine::plannedCallFits(const KvObjFunc& function,
                                                                    const ActivationPlan& plan, int32_t n,
                                                                    KvVBaseContext* receiver) const {
    if (n != plan.parameters || frames_.size() >= kMaxFrames) return false;
    const KvVBaseContext* self = function.thisContext();
    if (plan.sharedMethod) {
        if (!kReceiver || !receiver) return false;
        self = receiver->thisBaseContext();
        if (plan.implicitCount > 0 && (!self || !self->hasSlot(plan.fieldsNeeded - 1))) return false;
    }
    return !plan.checksClass || classKeyOf(self) == plan.classKey;
}

// enterScript for a call that fits its function's plan. With calleeBelow
// the callee's entry (under the arguments) is released last: the frame
// holds the code unit by then.
template <bool kReceiver>
[[gnu::always_inline]] inline void KvVirtualMachine::enterPlanned(KvObjFunc* function, const ActivationPlan& plan,
                                                                 int32_t n, bool wantsResult,
                                                                 KvVBaseContext* receiver, bool calleeBelow) {
    KvFastStack& stack = frame_->stack;
    const bool shared = kReceiver && plan.sharedMethod;  // a shared method's plan fits only with a receiver
    const int32_t count = plan.slotCount;
    if (count < 0 || count > ActivationPlan::kMaxSlots) __builtin_unreachable();  // notePlan makes no other
    KvVBaseContext* context = KvVBaseContext::create(shared ? receiver : function->definingContext(), plan.scope, count);
    context->setThisContext(shared ? receiver->thisBaseContext() : function->thisContext());
    const bool fields = context->startPlannedActivation(plan, stack.topEntries(static_cast<size_t>(n)));
    stack.drop(static_cast<size_t>(n));
    KvContextRef activation = KvContextRef::adopt(context);
    if (__builtin_expect(fields, 0)) readPlannedFields(*context, plan);
    if (shared && plan.implicitCount > 0) {
        // The receiver's fields, a field holding a shared method bound
        // first as any read of it would (bindOwnFields).
        KvVBaseContext& self = *receiver->thisBaseContext();
        VariableSlot* implicit = &context->slot(plan.firstImplicitSlot);
        for (int32_t i = 0; i < plan.implicitCount; ++i) {
            VariableSlot& field = self.slot(plan.fieldSlots[i]);
            if (!field.isAlias() && isUnboundMethod(field.value)) bindSharedMethod(self, field);
            implicit[i].makeAlias(&field);
        }
    }
    KvValueRef callee = calleeBelow ? popRaw() : KvValueRef();
    // pushFrame for a call from a running frame, with a unit.
    std::unique_ptr<CallFrame> next(spareCount_ > 0 ? spare_[--spareCount_] : new CallFrame());
    frames_.push_back(frame_);  // may run out of memory: next is still owned here
    next->beginCall(KvUnitRef::retain(function->codeUnit()), plan.entry, wantsResult ? kResultWanted : kResultDiscard,
                    std::move(activation));
    frame_ = next.release();
}

[[gnu::always_inline]] inline bool KvVirtualMachine::enterScript(KvObjFunc* function, KvVBaseContext* receiver,
                                                                int32_t n, bool wantsResult, bool calleeBelow) {
    const ActivationPlan* plan = function->plan();
    if (!plan || !plannedCallFits<true>(*function, *plan, n, receiver)) {
        return enterScriptUnplanned(function, receiver, n, wantsResult, calleeBelow);
    }
    enterPlanned<true>(function, *plan, n, wantsResult, receiver, calleeBelow);
    return true;
}

// The caller's frame becomes current; the finished one is cleared (its
// operands, registers, context and unit released) and kept as a spare.
// Inline: every script call returns through it.
[[gnu::always_inline]] inline void KvVirtualMachine::popFrame() {
    CallFrame* done = frame_;
    if (frames_.empty()) {
        frame_ = nullptr;
    } else {
        frame_ = frames_.back();
        frames_.pop_back();
    }
    retireFrame(done);
}

// A frame that is no longer current is cleared and kept as a spare.
[[gnu::always_inline]] inline void KvVirtualMachine::retireFrame(CallFrame* done) {
    done->clear();
    if (spareCount_ < kMaxSpareFrames) {
        spare_[spareCount_++] = done;
    } else {
        delete done;
    }
}

// A call's argument count, at most the operands below it. A shared small
// int is taken inline: nothing to release.
inline int32_t KvVirtualMachine::popCount() {
    KvBaseObject* top = frame_->stack.peek();
    if (!top || top->tag() != kTagNumber || !top->isShared() ||
        static_cast<KvObjNumber*>(top)->kind() != kKindInt) {
        return popCountSlow();
    }
    frame_->stack.pop();
    int32_t n = static_cast<KvObjInt*>(top)->get();
    int32_t available = static_cast<int32_t>(frame_->stack.count());
    return n < 0 ? 0 : (n > available ? available : n);
}

inline int32_t KvVirtualMachine::boundedCount(int32_t n) const {
    int32_t available = static_cast<int32_t>(frame_->stack.count());
    return n < 0 ? 0 : (n > available ? available : n);
}

}  // namespace kestrel
