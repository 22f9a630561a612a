// The dispatch loop. Hot cases are inline (int arithmetic and comparison,
// slots, jumps, fused records); the frame mechanics are in
// machine_frames.cpp, rare or heavy work in machine_ops.cpp and
// machine_calls.cpp.
// Ownership in the loop: a case either moves stack entries in and out of
// KvRef handles inside a helper (so no handle is alive when the case jumps
// to the next instruction: a computed goto runs no destructors), or, on the
// int fast paths, releases the entries it consumed by hand.
#include "vm/machine.h"

#include "objects/arithmetic.h"
#include "objects/map_value.h"
#include "objects/number_integer.h"
#include "objects/shared_constants.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/exception_value.h"
#include "vm/function_value.h"
#include "vm/machine_messages.h"
#include "vm/machine_stack.h"
#include "vm/member_read.h"
#include "vm/run_budget.h"

namespace kestrel {

namespace {

// The truth of a value, the shared booleans without a virtual call.
inline bool truthOf(const KvBaseObject* v, const KvSharedConstants& shared) {
    return v == shared.trueValue ? true : v == shared.falseValue ? false : v->toBool();
}

// Pops one value and yields its truth (the value is released).
[[gnu::always_inline]] inline bool popTruth(KvFastStack& stack, const KvSharedConstants& shared) {
    KvValueRef v = stackPopValue(stack);
    return truthOf(v.get(), shared);
}

// Pops the right then the left operand: same type and left equals right.
[[gnu::always_inline]] inline bool popEqual(KvFastStack& stack) {
    KvValueRef right = stackPopValue(stack);
    KvValueRef left = stackPopValue(stack);
    return left->tag() == right->tag() && left->equals(right.get());
}

// Pops right then left: the truth of And or Or over both (no short-circuit).
[[gnu::always_inline]] inline bool popLogical(KvFastStack& stack, bool isAnd) {
    KvValueRef right = stackPopValue(stack);
    KvValueRef left = stackPopValue(stack);
    bool a = left->toBool(), b = right->toBool();
    return isAnd ? (a && b) : (a || b);
}

// Pops right then left: whether the numeric jump condition holds (never
// with a non-number).
[[gnu::always_inline]] inline bool popNumericJump(KvFastStack& stack, Opcode op) {
    KvValueRef right = stackPopValue(stack);
    KvValueRef left = stackPopValue(stack);
    KvObjNumber* a = asNumber(left.get());
    KvObjNumber* b = asNumber(right.get());
    if (!a || !b) return false;
    bool less = a->lessThan(b), greater = b->lessThan(a);
    return op == Opcode::JumpIfGreater        ? greater
           : op == Opcode::JumpIfGreaterEqual ? !less
           : op == Opcode::JumpIfLess         ? less
                                              : !greater;
}

// Int with int, computed here; false when the general path must decide
// (division by zero raises there).
inline bool intArithmetic(Opcode op, int32_t a, int32_t b, int32_t& out) {
    const uint32_t ua = static_cast<uint32_t>(a), ub = static_cast<uint32_t>(b);
    switch (op) {
    case Opcode::Add: out = static_cast<int32_t>(ua + ub); return true;
    case Opcode::Subtract: out = static_cast<int32_t>(ua - ub); return true;
    case Opcode::Multiply: out = static_cast<int32_t>(ua * ub); return true;
    default: break;
    }
    if (b == 0) return false;
    if (b == -1) {  // the minimum divided by -1 wraps to itself, its remainder is 0
        out = op == Opcode::Modulo ? 0 : static_cast<int32_t>(0u - ua);
        return true;
    }
    out = op == Opcode::Modulo ? a % b : a / b;
    return true;
}

}  // namespace

// The common return: a call that did not raise, with nothing of its own to
// unwind (no handlers, finally completions or registers) and a caller on
// this machine, hands its result to the caller. The result's reference is held across the frame's release,
// which may drop the last other one (a local the function returns). False
// when finishFrame must decide.
[[gnu::always_inline]] inline bool KvVirtualMachine::returnToCaller() {
    CallFrame* done = frame_;
    if (done->generalReturn) return false;
    KvBaseObject* result = nullptr;
    if (done->resultMode == kResultWanted) {
        KvBaseObject* top = done->stack.peek();
        if (!top) {
            result = kvNull();
        } else if (isFieldValue(top)) {
            return false;
        } else {
            result = done->stack.pop();
        }
    }
    frame_ = frames_.back();
    frames_.pop_back();
    retireFrame(done);
    if (result) frame_->stack.push(result);
    return true;
}

// Stores the top value into a slot of the frame's context; with the discard
// flag the value leaves the stack, else it stays as the expression's value.
[[gnu::always_inline]] inline void KvVirtualMachine::storeLocal(int32_t slot, bool discard) {
    KvValueRef v = popValue();
    KvVBaseContext* c = frame_->context.get();
    if (c && c->hasSlot(slot)) c->slot(slot).store(v.get());
    if (!discard) push(std::move(v));
}

namespace {

// The record a frame without code runs: it finishes at once.
const ExecInstruction* endOnlyRecord() {
    static const ExecInstruction end{};
    return &end;
}

inline bool compareInts(Opcode op, int32_t a, int32_t b) {
    switch (op) {
    case Opcode::Less: return a < b;
    case Opcode::Greater: return a > b;
    case Opcode::LessEqual: return a <= b;
    case Opcode::GreaterEqual: return a >= b;
    case Opcode::Equal: return a == b;
    default: return a != b;  // NotEqual
    }
}

// The two operands on top of the stack when both are ints (the left one
// under the right); false, the stack untouched, otherwise.
inline bool topIntPair(const KvFastStack& stack, KvBaseObject*& l, KvBaseObject*& r) {
    r = stack.peek();
    if (!r || !isInt(r) || stack.count() < 2) return false;
    l = stack.peekUnder();
    return isInt(l);
}

// A new int, out of line: the pool's allocation would make madeInt too
// big to inline into every case that uses it.
[[gnu::noinline]] KvBaseObject* newInt(int32_t v) {
    return kvMake<KvObjInt>(v).detach();
}

// An int result as a value with one reference for its holder: the shared
// object for small values, else a new int (which may run out of memory).
inline KvBaseObject* madeInt(int32_t v, const KvSharedConstants& shared) {
    return isSharedIntValue(v) ? shared.ints[v + 1] : newInt(v);
}

// The local's int object, or null when the slot is missing or holds no int.
inline KvObjInt* localInt(KvVBaseContext* c, int32_t slot) {
    if (!c || !c->hasSlot(slot)) return nullptr;
    KvBaseObject* v = c->slot(slot).read();
    return isInt(v) ? static_cast<KvObjInt*>(v) : nullptr;
}

}  // namespace

// The loop keeps the running frame (f), its records (base) and the next
// record (ip) in locals. Work that leaves the loop body (any helper that may
// raise, look at the frame's position or switch frames) is preceded by
// KV_SYNC, which writes the position back into the frame, and followed by
// KV_RELOAD where the running frame or its position may have changed.
#define KV_SYNC() (f->pc = static_cast<int32_t>(ip - base))
#define KV_RELOAD()                                                                         \
    do {                                                                                    \
        f = frame_;                                                                         \
        base = f->exec ? f->exec : endOnlyRecord();                                         \
        const uint32_t pc_ = static_cast<uint32_t>(f->pc);                                  \
        ip = base + (pc_ < static_cast<uint32_t>(f->codeCount) ? pc_ : static_cast<uint32_t>(f->codeCount)); \
    } while (0)
#define KV_RAISE(message)                                         \
    do {                                                          \
        if (raiseMessage((message), runResult)) return runResult; \
        KV_RELOAD();                                              \
    } while (0)
#define KV_CHECK(errorText)                                 \
    do {                                                    \
        std::u16string error_ = (errorText);                \
        if (!error_.empty()) KV_RAISE(error_);              \
    } while (0)
// A taken jump spends one step of the run budget (run_budget.h).
#define KV_SPEND_STEP()                                     \
    do {                                                    \
        if (__builtin_expect(--runBudgetCounter < 0, 0)) goto stop; \
    } while (0)
#define KV_OP(name) L_##name:
// Every record ends with its own copy of the fetch and jump (threaded
// dispatch), so the branch predictor learns which record follows which. The
// jump is a computed goto, which runs no destructors: no KvRef may be alive
// here. Every record list ends in End, so there is no bounds check.
#define KV_NEXT                      \
    do {                             \
        cur = ip++;                  \
        goto* labels[cur->op];       \
    } while (0)
// The running record's instruction as compiled, for the work that needs
// more than the record holds, and its position.
#define ins (f->code[cur - base])
#define position (static_cast<int32_t>(cur - base))

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"

#if !defined(__clang__)
__attribute__((optimize("no-crossjumping", "no-gcse")))
#endif
KvValueRef KvVirtualMachine::dispatchLoop() {
    const KvSharedConstants& shared = sharedConstants();
    KvValueRef runResult;  // set by the frame mechanics when the run ends
    CallFrame* f;
    const ExecInstruction* base;
    const ExecInstruction* ip;   // the next record
    const ExecInstruction* cur;  // the running one
    void* labels[kMaxExecOp + 1];
    for (void*& label : labels) label = &&L_Label;  // numbers with no instruction do nothing
#define KV_LABEL_OF(name, number) labels[number] = &&L_##name;
    KESTREL_OPCODES(KV_LABEL_OF)
#undef KV_LABEL_OF
    labels[static_cast<uint8_t>(ExecOp::End)] = &&L_End;
    labels[static_cast<uint8_t>(ExecOp::LocalOpInt)] = &&L_LocalOpInt;
    labels[static_cast<uint8_t>(ExecOp::JumpIfLocalCmpInt)] = &&L_JumpIfLocalCmpInt;
    labels[static_cast<uint8_t>(ExecOp::JumpIfLocalsCmp)] = &&L_JumpIfLocalsCmp;
    labels[static_cast<uint8_t>(ExecOp::UpdateLocalInt)] = &&L_UpdateLocalInt;
    labels[static_cast<uint8_t>(ExecOp::OpStoreLocal)] = &&L_OpStoreLocal;
    labels[static_cast<uint8_t>(ExecOp::CallCount)] = &&L_CallCount;
    labels[static_cast<uint8_t>(ExecOp::CallBuiltinCount)] = &&L_CallBuiltinCount;
    labels[static_cast<uint8_t>(ExecOp::IndexAssign)] = &&L_IndexAssign;

    KV_RELOAD();
    KV_NEXT;

    // Past the last instruction: the frame returns.
    L_End:
        KV_SYNC();
        if (finishFrame(runResult)) return runResult;
        KV_RELOAD();
        KV_NEXT;
    // Halt ends the run at once; its frames are released, no result.
    // A spent run budget ends it the same way.
    KV_OP(Halt)
    stop:
        abandonFrames();
        return nullptr;
    KV_OP(Label)
        KV_NEXT;
    // Jumps: targets were resolved when the records were built.
    KV_OP(Jump)
    KV_OP(JumpAlways)
        ip = base + cur->a;
        KV_SPEND_STEP();
        KV_NEXT;
    // Calls: a script callee pushes its frame and the loop continues in
    // it; a native callee runs here and its owned result is pushed.
    KV_OP(Call)
        KV_SPEND_STEP();
        KV_SYNC();
        if (!call(popCount(), !cur->discard)) goto callFailed;
        KV_RELOAD();
        KV_NEXT;
    L_CallCount: {  // PushInt n; Call
        KV_SPEND_STEP();
        ip = cur + 2;
        KV_SYNC();
        // A count below zero (a damaged file) is too large here, and call() bounds it.
        const auto count = static_cast<uint32_t>(cur->a);
        KvBaseObject* callee = f->stack.count() > count ? f->stack.topEntries(count + 1)[0] : nullptr;
        const auto n = static_cast<int32_t>(count);
        if (callee && callee->tag() == kTagFunc && callee != f->nativeCallee.owner) {
            // A script function: straight into its frame (call() decides the
            // rest, a function whose native method is called at once too).
            auto* function = static_cast<KvObjFunc*>(callee);
            const ActivationPlan* plan = function->plan();
            if (plan && plannedCallFits<false>(*function, *plan, n, nullptr)) {
                const int32_t entry = plan->entry;  // within the unit: checked when the plan was made
                enterPlanned<false>(function, *plan, n, !cur->discard, nullptr, true);
                f = frame_;
                base = f->exec;
                ip = base + entry;
                KV_NEXT;
            }
            if (!enterScriptUnplanned(function, nullptr, n, !cur->discard, true)) goto callFailed;
        } else if (!call(boundedCount(cur->a), !cur->discard)) {
            goto callFailed;
        }
        KV_RELOAD();
        KV_NEXT;
    }
    callFailed:
        if (KvBaseObject* raised = calleeRaised_) {
            calleeRaised_ = nullptr;
            if (raise(KvValueRef::adopt(raised), runResult)) return runResult;
        } else if (raiseCallError(runResult)) {
            return runResult;
        }
        KV_RELOAD();
        KV_NEXT;
    KV_OP(CallBuiltin)
        KV_SYNC();
        callBuiltin(static_cast<int32_t>(ins.intValue), popCount(), !cur->discard);
        KV_RELOAD();
        KV_NEXT;
    L_CallBuiltinCount:  // PushInt n; CallBuiltin b
        ip = cur + 2;
        KV_SYNC();
        callBuiltin(cur->b, boundedCount(cur->a), !cur->discard);
        KV_RELOAD();
        KV_NEXT;
    // Return hands the result to the caller's frame (finishFrame).
    KV_OP(Return)
        KV_SYNC();
        if (returnToCaller()) {
            f = frame_;  // a caller mid-way through its code: its position is its own
            base = f->exec;
            ip = base + f->pc;
            KV_NEXT;
        }
        if (finishFrame(runResult)) return runResult;
        KV_RELOAD();
        KV_NEXT;
    // Throw raises an owned exception: to a handler of this frame, or out.
    KV_OP(Throw)
        KV_SYNC();
        if (raise(makeThrown(ins), runResult)) return runResult;
        KV_RELOAD();
        KV_NEXT;
    // Conditional jumps consume their operands (released by the helpers).
    KV_OP(JumpIfTrue)
    KV_OP(JumpIfFalse)
        if (popTruth(f->stack, shared) == (cur->sub == static_cast<uint8_t>(Opcode::JumpIfTrue))) {
            ip = base + cur->a;
            KV_SPEND_STEP();
        }
        KV_NEXT;
    KV_OP(JumpIfEqual)
    KV_OP(JumpIfNotEqual)
        if (popEqual(f->stack) == (cur->sub == static_cast<uint8_t>(Opcode::JumpIfEqual))) {
            ip = base + cur->a;
            KV_SPEND_STEP();
        }
        KV_NEXT;
    KV_OP(JumpIfGreater)
    KV_OP(JumpIfGreaterEqual)
    KV_OP(JumpIfLess)
    KV_OP(JumpIfLessEqual)
        if (popNumericJump(f->stack, static_cast<Opcode>(cur->sub))) {
            ip = base + cur->a;
            KV_SPEND_STEP();
        }
        KV_NEXT;
    // Arithmetic: int with int inline; anything else in arithmetic().
    // Entries are consumed by hand here. The result is made (which may run
    // out of memory) while both operands are still on the stack; then it
    // replaces them and their references are dropped. The three commonest
    // operators get their own copy, with the operator known where it is
    // compiled.
#define KV_INT_ARITHMETIC(OP)                                                       \
    {                                                                               \
        KvFastStack& stack = f->stack;                                              \
        KvBaseObject *l, *r;                                                        \
        int32_t v;                                                                  \
        if (topIntPair(stack, l, r) && intArithmetic((OP), intOf(l), intOf(r), v)) { \
            if (!isSharedIntValue(v)) KV_SYNC();                                    \
            KvBaseObject* made = madeInt(v, shared);                                \
            stack.drop(2);                                                          \
            stack.push(made);                                                       \
            l->release();                                                           \
            r->release();                                                           \
            KV_NEXT;                                                                \
        }                                                                           \
        goto arithmeticSlow;                                                        \
    }
    KV_OP(Add) KV_INT_ARITHMETIC(Opcode::Add)
    KV_OP(Subtract) KV_INT_ARITHMETIC(Opcode::Subtract)
    KV_OP(Multiply) KV_INT_ARITHMETIC(Opcode::Multiply)
    KV_OP(Divide)
    KV_OP(Modulo)
    KV_OP(IntegerDivide) KV_INT_ARITHMETIC(static_cast<Opcode>(cur->sub))
#undef KV_INT_ARITHMETIC
    arithmeticSlow:
        KV_SYNC();
        if (!arithmetic(cur->sub, ins)) KV_RAISE(kDivideByZeroMessage);
        KV_NEXT;
    // Logic: both operands were evaluated; the result is a shared boolean.
    KV_OP(And)
    KV_OP(Or)
        f->stack.push(kvBool(popLogical(f->stack, cur->sub == static_cast<uint8_t>(Opcode::And))));
        KV_NEXT;
    KV_OP(Not)
        f->stack.push(kvBool(!popTruth(f->stack, shared)));
        KV_NEXT;
    // Orderings: int with int inline; other kinds in compare().
    KV_OP(Less)
    KV_OP(Greater)
    KV_OP(LessEqual)
    KV_OP(GreaterEqual) {
        KvFastStack& stack = f->stack;
        KvBaseObject *l, *r;
        if (topIntPair(stack, l, r)) {
            stack.drop(2);  // released by hand below
            bool result = compareInts(static_cast<Opcode>(cur->sub), intOf(l), intOf(r));
            l->release();
            r->release();
            stack.push(result ? shared.trueValue : shared.falseValue);
            KV_NEXT;
        }
        KV_SYNC();
        compare(ins);
        KV_NEXT;
    }
    // Against the shared null (neither operand a field, which is read
    // first), equality is decided inline: only a value tagged null can equal it.
    KV_OP(Equal)
    KV_OP(NotEqual) {
        KvFastStack& stack = f->stack;
        KvBaseObject* r = stack.peek();
        KvBaseObject* l = stack.count() >= 2 ? stack.peekUnder() : nullptr;
        if (l && (l == shared.null || r == shared.null) && !isFieldValue(l) && !isFieldValue(r)) {
            const bool equal = l == r || (l->tag() == r->tag() && l->equals(r));
            stack.drop(2);  // released by hand below
            l->release();
            r->release();
            stack.push(equal == (cur->sub == static_cast<uint8_t>(Opcode::Equal)) ? shared.trueValue : shared.falseValue);
            KV_NEXT;
        }
        KV_SYNC();
        compare(ins);
        KV_NEXT;
    }
    // Constants: shared values uncounted, the others cached in the unit
    // and pushed with a reference of the stack's own.
    KV_OP(PushNull)
        f->stack.push(shared.null);
        KV_NEXT;
    KV_OP(PushBool)
        f->stack.push(cur->a ? shared.trueValue : shared.falseValue);
        KV_NEXT;
    KV_OP(PushInt)
        if (cur->flag && isSharedIntValue(cur->a)) {
            f->stack.push(shared.ints[cur->a + 1]);
            KV_NEXT;
        }
        KV_SYNC();
        pushRetained(constant(ins, position));
        KV_NEXT;
    KV_OP(PushLong)
    KV_OP(PushFloat)
    KV_OP(PushDouble)
    KV_OP(PushString) {
        KvBaseObject* cached = f->unit->cache(position).value.get();
        if (!cached) {
            KV_SYNC();
            cached = constant(ins, position);
        }
        pushRetained(cached);
        KV_NEXT;
    }
    // Slots of the frame's context; a missing slot reads as null.
    KV_OP(StoreLocal)
        storeLocal(cur->a, cur->discard != 0);
        KV_NEXT;
    KV_OP(LoadLocal) {
        KvVBaseContext* c = f->context.get();
        const int32_t slot = cur->a;
        KvBaseObject* v = c && c->hasSlot(slot) ? c->slot(slot).read() : shared.null;
        if (isUnboundMethod(v)) {  // a method read by name
            KV_SYNC();
            v = bindSharedMethod(*c, c->slot(slot));
        }
        v->addRef();
        f->stack.push(v);
        KV_NEXT;
    }
    // Fused records (exec_code.h): each runs its whole run when its values
    // are ints and its slots exist, else only its first instruction.
    L_LocalOpInt: {  // LoadLocal a; PushInt b; OP
        if (KvObjInt* l = localInt(f->context.get(), cur->a)) {
            const auto op = static_cast<Opcode>(cur->sub);
            int32_t v;
            if (isComparisonOpcode(op)) {
                f->stack.push(compareInts(op, l->get(), cur->b) ? shared.trueValue : shared.falseValue);
                ip = cur + 3;
                KV_NEXT;
            }
            if (intArithmetic(op, l->get(), cur->b, v)) {
                f->stack.push(shared.null);  // room first: a failed allocation leaves no value unowned
                if (!isSharedIntValue(v)) KV_SYNC();
                f->stack.setTop(madeInt(v, shared));
                ip = cur + 3;
                KV_NEXT;
            }
        }
        goto L_LoadLocal;
    }
    L_JumpIfLocalCmpInt:  // LoadLocal a; PushInt b; OP; JumpIfTrue|JumpIfFalse c
        if (KvObjInt* l = localInt(f->context.get(), cur->a)) {
            if (compareInts(static_cast<Opcode>(cur->sub), l->get(), cur->b) == (cur->flag != 0)) {
                ip = base + cur->c;
                KV_SPEND_STEP();
            } else {
                ip = cur + 4;
            }
            KV_NEXT;
        }
        goto L_LoadLocal;
    L_JumpIfLocalsCmp: {  // LoadLocal a; LoadLocal b; OP; JumpIfTrue|JumpIfFalse c
        KvVBaseContext* c = f->context.get();
        KvObjInt* l = localInt(c, cur->a);
        KvObjInt* r = l ? localInt(c, cur->b) : nullptr;
        if (r) {
            if (compareInts(static_cast<Opcode>(cur->sub), l->get(), r->get()) == (cur->flag != 0)) {
                ip = base + cur->c;
                KV_SPEND_STEP();
            } else {
                ip = cur + 4;
            }
            KV_NEXT;
        }
        goto L_LoadLocal;
    }
    L_UpdateLocalInt: {  // LoadLocal a; PushInt b; Add|Subtract; StoreLocal a
        KvVBaseContext* c = f->context.get();
        if (c && c->hasSlot(cur->a)) {
            VariableSlot* slot = c->slot(cur->a).finalSlot();
            KvBaseObject* old = slot->value;
            int32_t v;
            if (isInt(old) && intArithmetic(static_cast<Opcode>(cur->sub), intOf(old), cur->b, v)) {
                if (old->refCount() == 1 && !isSharedIntValue(v)) {
                    static_cast<KvObjInt*>(old)->setInPlace(v);  // the variable held the only reference
                } else {
                    if (!isSharedIntValue(v)) KV_SYNC();
                    slot->value = madeInt(v, shared);
                    old->release();
                }
                ip = cur + 4;
                KV_NEXT;
            }
        }
        goto L_LoadLocal;
    }
    L_OpStoreLocal: {  // OP (arithmetic); StoreLocal c
        KvFastStack& stack = f->stack;
        KvBaseObject *l, *r;
        int32_t v;
        if (topIntPair(stack, l, r) && intArithmetic(static_cast<Opcode>(cur->sub), intOf(l), intOf(r), v)) {
            KvVBaseContext* c = f->context.get();
            VariableSlot* slot = c && c->hasSlot(cur->c) ? c->slot(cur->c).finalSlot() : nullptr;
            if (slot && slot->value == l && l->refCount() == 2 && !isSharedIntValue(v)) {
                // Held by the variable and the operand only: written in place.
                static_cast<KvObjInt*>(l)->setInPlace(v);
                stack.drop(2);
            } else {
                if (!isSharedIntValue(v)) KV_SYNC();
                KvBaseObject* made = madeInt(v, shared);
                stack.drop(2);
                if (slot) {
                    KvBaseObject* old = slot->value;
                    slot->value = made;
                    old->release();
                } else {
                    made->release();  // no such variable: the value is dropped
                }
            }
            l->release();
            r->release();
            ip = cur + 2;
            KV_NEXT;
        }
        goto* labels[cur->sub];
    }
    // Values made from descriptors and operands (machine_ops.cpp).
    KV_OP(MakeFunction)
        KV_SYNC();
        makeFunction(ins, position);
        KV_NEXT;
    KV_OP(MakeList)
        KV_SYNC();
        makeList(ins);
        KV_NEXT;
    KV_OP(MakeMap)
        KV_SYNC();
        push(kvMake<KvObjMap>());
        KV_NEXT;
    KV_OP(MapPut)
        KV_SYNC();
        mapPut(ins, position);
        KV_NEXT;
    KV_OP(EnterScope)
        KV_SYNC();
        enterScope(ins);
        KV_NEXT;
    // Member and element fields, and assignment through them.
    KV_OP(MemberRef)
        if (readOwnFieldAtOnce(f->stack, *f->unit, position)) KV_NEXT;
        KV_SYNC();
        memberRef(ins, position);
        KV_NEXT;
    KV_OP(IndexRef)
        KV_SYNC();
        indexRef(ins);
        KV_NEXT;
    KV_OP(AssignRef)
        KV_SYNC();
        assignRef(ins);
        KV_NEXT;
    L_IndexAssign:  // IndexRef 1; AssignRef
        if (f->stack.count() < 3) goto L_IndexRef;
        ip = cur + 2;
        KV_SYNC();
        assignIndex(cur->discard != 0);
        KV_NEXT;
    // Failures of these raise the returned message; New, Construct and
    // Import may start a frame.
    KV_OP(LoadName)
        KV_SYNC();
        KV_CHECK(loadName(ins, position));
        KV_NEXT;
    KV_OP(New)
        KV_SYNC();
        KV_CHECK(newInstance(ins));
        KV_RELOAD();
        KV_NEXT;
    KV_OP(Construct)
        KV_SYNC();
        KV_CHECK(construct());
        KV_RELOAD();
        KV_NEXT;
    KV_OP(Import)
        KV_SYNC();
        KV_CHECK(import(ins));
        KV_RELOAD();
        KV_NEXT;
    // Pop drops the top entry and its reference.
    KV_OP(Pop)
        KV_SYNC();
        popRaw();  // the handle drops the entry's reference at once
        KV_NEXT;
    // The twelve registers of switch subjects (registerOp).
    KV_OP(PopToRegister)
    KV_OP(PeekToRegister)
    KV_OP(TakeRegister)
    KV_OP(PushRegister)
    KV_OP(ClearRegister)
        KV_SYNC();
        registerOp(ins);
        KV_NEXT;
    // Handlers and finally completions: a handler remembers the stack and
    // pending depths to restore; a pending raise holds its exception.
    KV_OP(PushHandler)
        KV_SPEND_STEP();  // a handler is a jump target too
        KV_SYNC();
        f->handlers.push_back({static_cast<int32_t>(ins.intValue), f->stack.count(), f->pending.size()});
        f->generalReturn = true;
        KV_NEXT;
    KV_OP(PendingJump)
        KV_SPEND_STEP();  // where EndFinally will jump
        KV_SYNC();
        f->pending.push_back({static_cast<int32_t>(ins.intValue), nullptr});
        f->generalReturn = true;
        KV_NEXT;
    KV_OP(PendingRaise)
        KV_SYNC();
        f->pending.push_back({0, popValue()});  // the caught exception moves in
        f->generalReturn = true;
        KV_NEXT;
    KV_OP(DropPending)
        f->dropPending(f->pending.empty() ? 0 : f->pending.size() - 1);
        KV_NEXT;
    KV_OP(EndFinally)
        KV_SYNC();
        if (endFinally(runResult)) return runResult;
        KV_RELOAD();
        KV_NEXT;
    KV_OP(PopHandler)
        if (!f->handlers.empty() && f->handlers.back().target > 0) f->handlers.pop_back();
        KV_NEXT;
    KV_OP(MakeClass)
        KV_SYNC();
        makeClass(ins);
        KV_NEXT;
    KV_OP(BitAnd)
    KV_OP(BitOr)
    KV_OP(BitXor)
    KV_OP(ShiftLeft)
    KV_OP(ShiftRight)
    KV_OP(BitNot)
        KV_SYNC();
        bitOperation(ins);
        KV_NEXT;
    KV_OP(StrictEqual)
        KV_SYNC();
        strictEqual();
        KV_NEXT;
    KV_OP(PushThis)
        pushThis();
        KV_NEXT;
    KV_OP(TupleItem)
        KV_SYNC();
        tupleItem(ins);
        KV_NEXT;
    KV_OP(PeekRef)
        KV_SYNC();
        peekRef();
        KV_NEXT;
    KV_OP(Swap)
        swapTop();
        KV_NEXT;
    KV_OP(EachBegin)
        KV_SYNC();
        eachBegin(ins);
        KV_NEXT;
    KV_OP(EachNext)
        KV_SYNC();
        eachNext(ins);
        KV_NEXT;
}

#pragma GCC diagnostic pop
#undef ins
#undef position
#undef KV_OP
#undef KV_NEXT
#undef KV_SYNC
#undef KV_RELOAD
#undef KV_RAISE
#undef KV_CHECK
#undef KV_SPEND_STEP

}  // namespace kestrel
