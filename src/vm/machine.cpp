// The dispatch loop and the frame mechanics: returns, raising and unwinding.
// Hot cases are inline (int arithmetic and comparison, slots, jumps); rare
// or heavy work is in machine_ops.cpp and machine_calls.cpp.
#include "vm/machine.h"

#include "objects/arithmetic.h"
#include "objects/map_value.h"
#include "objects/number_integer.h"
#include "objects/shared_constants.h"
#include "host/console_queue.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/exception_value.h"
#include "vm/machine_stack.h"

namespace kestrel {

namespace {

std::weak_ptr<ProgramState>& currentProgramSlot() {
    static std::weak_ptr<ProgramState> current;
    return current;
}

inline bool isInt(const KvBaseObject* v) {
    return v->tag() == kTagNumber && static_cast<const KvObjNumber*>(v)->kind() == kKindInt;
}

inline int32_t intOf(const KvBaseObject* v) {
    return static_cast<const KvObjInt*>(v)->get();
}

std::u16string unitKey(const CodeUnit& unit) {
    if (!unit.moduleKey().empty()) return unit.moduleKey();
    return u"#" + decimalText(reinterpret_cast<intptr_t>(unit.module().get()));
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

std::shared_ptr<ProgramState> currentProgram() {
    return currentProgramSlot().lock();
}

KvVirtualMachine::KvVirtualMachine() = default;

KvVirtualMachine::~KvVirtualMachine() {
    abandonFrames();
}

void KvVirtualMachine::abandonFrames() {
    while (frame_) popFrame();
}

void KvVirtualMachine::pushFrame(CodeUnit* unit, int32_t pc, int32_t mode,
                                 KvVBaseContext* context, bool owns) {
    CallFrame* next;
    if (spare_.empty()) {
        next = new CallFrame();
    } else {
        next = spare_.back().release();
        spare_.pop_back();
    }
    next->begin(unit, pc, mode, context, owns);
    if (frame_) frames_.push_back(frame_);
    frame_ = next;
}

void KvVirtualMachine::popFrame() {
    CallFrame* done = frame_;
    if (frames_.empty()) {
        frame_ = nullptr;
    } else {
        frame_ = frames_.back();
        frames_.pop_back();
    }
    done->clear();
    if (spare_.size() < 64) {
        spare_.emplace_back(done);
    } else {
        delete done;
    }
}

KvBaseObject* KvVirtualMachine::run(CodeUnit* unit, bool newProgram, bool wantsResult) {
    raised_ = false;
    newProgram_ = newProgram;
    if (newProgram) {
        program_.reset();  // the previous program ends before the next begins
        program_ = std::make_shared<ProgramState>();
        currentProgramSlot() = program_;
        program_->markExecuted(unitKey(*unit));
    } else if (!program_) {
        program_ = currentProgram();
        if (!program_) program_ = std::make_shared<ProgramState>();
    }
    unit->retain();
    pushFrame(unit, 0, wantsResult ? kResultWanted : kResultDiscard, nullptr, false);
    return dispatch();
}

// Replaces a popped field by the value it reads.
KvBaseObject* KvVirtualMachine::readField(KvBaseObject* field) {
    KvBaseObject* read = field->value();
    if (!read) read = kvNull();
    read->addRef();
    field->release();
    return read;
}

int32_t KvVirtualMachine::popCountSlow() {
    KvBaseObject* count = popValue();
    int32_t n = isInt(count) ? intOf(count)
                : count->tag() == kTagNumber ? static_cast<KvObjNumber*>(count)->toInt() : 0;
    count->release();
    int32_t available = static_cast<int32_t>(frame_->stack.count());
    return n < 0 ? 0 : (n > available ? available : n);
}

// Hands an exception (one reference, taken over on success) to the current
// frame's top handler: the operands pushed since the handler was set are
// dropped and execution continues at the handler.
bool KvVirtualMachine::catchInFrame(KvBaseObject* exception) {
    std::vector<CallFrame::Handler>& handlers = frame_->handlers;
    if (handlers.empty()) return false;
    CallFrame::Handler handler = handlers.back();
    handlers.pop_back();  // a handler is used once, so a raising handler cannot loop
    if (handler.target < 0 || handler.target >= frame_->codeCount) return false;
    while (frame_->stack.count() > handler.depth) popRaw()->release();
    frame_->dropPending(handler.pendingDepth);  // a raise inside finally replaces what it was finishing
    pushOwned(exception);
    frame_->pc = handler.target;
    return true;
}

// Jumps to the frame's handler with the exception, or returns from the
// frame with it. True when that ended the run.
bool KvVirtualMachine::raise(KvBaseObject* exception, KvBaseObject*& runResult) {
    exception->addRef();
    if (catchInFrame(exception)) return false;
    pushOwned(exception);
    frame_->resultMode = kResultRaising;
    return finishFrame(runResult);
}

bool KvVirtualMachine::raiseMessage(const std::u16string& message, KvBaseObject*& runResult) {
    return raise(new KvObjException(message), runResult);
}

// The Return protocol; an exception keeps returning until a handler takes it.
bool KvVirtualMachine::finishFrame(KvBaseObject*& runResult) {
    for (;;) {
        int32_t mode = frame_->resultMode;
        KvBaseObject* result = nullptr;
        if (mode != kResultDiscard) result = frame_->stack.empty() ? kvNull() : popValue();
        if (frames_.empty()) {
            if (mode == kResultRaising) {
                raised_ = true;
                if (reportUncaught_) consoleWrite(result->toString() + u"\r\n", kLevelError);
            }
            popFrame();
            runResult = result;
            return true;
        }
        popFrame();
        if (mode != kResultRaising) {
            if (result) pushOwned(result);
            return false;
        }
        if (catchInFrame(result)) return false;
        pushOwned(result);
        frame_->resultMode = kResultRaising;
    }
}

#define KV_RAISE(message)                                   \
    do {                                                    \
        if (raiseMessage((message), runResult)) return runResult; \
    } while (0)
#define KV_CHECK(errorText)                                 \
    do {                                                    \
        std::u16string error_ = (errorText);                \
        if (!error_.empty()) KV_RAISE(error_);              \
    } while (0)
#define KV_JUMP_IF(condition)                               \
    do {                                                    \
        if (condition) frame_->pc = static_cast<int32_t>(ins.intValue); \
    } while (0)

// Threaded dispatch (each instruction jumps straight to the next one's
// code) where the compiler supports label addresses; a switch otherwise, or
// with KESTREL_SWITCH_DISPATCH defined.
#if defined(__GNUC__) && !defined(KESTREL_SWITCH_DISPATCH)
#define KV_THREADED 1
#else
#define KV_THREADED 0
#endif

#if KV_THREADED
#define KV_OP(name) L_##name:
// Every instruction ends with its own copy of the fetch and jump.
#define KV_NEXT                                                                        \
    do {                                                                               \
        f = frame_;                                                                    \
        if (static_cast<uint32_t>(f->pc) >= static_cast<uint32_t>(f->codeCount)) {     \
            goto fetch;                                                                \
        }                                                                              \
        position = f->pc++;                                                            \
        ip = &f->code[position];                                                       \
        uint32_t next_ = static_cast<uint32_t>(ip->opcode);                            \
        goto* labels[next_ <= kMaxOpcode ? next_ : 0];                                 \
    } while (0)
#else
#define KV_OP(name) case Opcode::name:
#define KV_NEXT break
#endif
#define ins (*ip)

#if KV_THREADED
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#endif

// Each instruction keeps its own copy of the fetch and jump (not merged into
// one shared jump), so the branch predictor learns which instruction follows which.
#if KV_THREADED && !defined(__clang__)
__attribute__((optimize("no-crossjumping", "no-gcse")))
#endif
KvBaseObject* KvVirtualMachine::dispatch() {
    const KvSharedConstants& shared = sharedConstants();
    KvBaseObject* runResult = nullptr;
    CallFrame* f;
    int32_t position;
    const Instruction* ip;
#if KV_THREADED
    void* labels[kMaxOpcode + 1];
    for (void*& label : labels) label = &&L_Nothing;
#define KV_LABEL_OF(name, number) labels[number] = &&L_##name;
    KESTREL_OPCODES(KV_LABEL_OF)
#undef KV_LABEL_OF
#endif
    for (;;) {
#if KV_THREADED
    fetch:
#endif
        f = frame_;
        if (static_cast<uint32_t>(f->pc) >= static_cast<uint32_t>(f->codeCount)) {
            if (finishFrame(runResult)) return runResult;  // ran off the end
            continue;
        }
        position = f->pc++;
        ip = &f->code[position];
#if KV_THREADED
        {
            uint32_t opcode = static_cast<uint32_t>(ip->opcode);
            goto* labels[opcode <= kMaxOpcode ? opcode : 0];
        }
#endif
        switch (ins.opcode) {
        KV_OP(Halt)
            abandonFrames();
            return nullptr;
        KV_OP(Jump)
        KV_OP(JumpAlways)
            f->pc = static_cast<int32_t>(ins.intValue);
            KV_NEXT;
        KV_OP(Call)
            if (!call(ins)) {
                if (KvBaseObject* raised = calleeRaised_) {
                    calleeRaised_ = nullptr;
                    bool ended = raise(raised, runResult);
                    raised->release();
                    if (ended) return runResult;
                    KV_NEXT;
                }
                KV_RAISE(callError_);
            }
            KV_NEXT;
        KV_OP(CallBuiltin)
            callBuiltin(ins);
            KV_NEXT;
        KV_OP(Return)
            if (finishFrame(runResult)) return runResult;
            KV_NEXT;
        KV_OP(Throw) {
            KvBaseObject* thrown = makeThrown(ins);
            bool ended = raise(thrown, runResult);
            thrown->release();
            if (ended) return runResult;
            KV_NEXT;
        }
        KV_OP(JumpIfTrue)
        KV_OP(JumpIfFalse) {
            KvBaseObject* v = popValue();
            bool truth = v == shared.trueValue ? true : v == shared.falseValue ? false : v->toBool();
            v->release();
            KV_JUMP_IF(truth == (ins.opcode == Opcode::JumpIfTrue));
            KV_NEXT;
        }
        KV_OP(JumpIfEqual)
        KV_OP(JumpIfNotEqual) {
            KvBaseObject* right = popValue();
            KvBaseObject* left = popValue();
            bool equal = left->tag() == right->tag() && left->equals(right);
            left->release();
            right->release();
            KV_JUMP_IF(equal == (ins.opcode == Opcode::JumpIfEqual));
            KV_NEXT;
        }
        KV_OP(Add)
        KV_OP(Subtract)
        KV_OP(Multiply)
        KV_OP(Divide)
        KV_OP(Modulo)
        KV_OP(IntegerDivide) {
            KvFastStack& stack = f->stack;
            KvBaseObject* r = stack.peek();
            if (r && isInt(r) && stack.count() >= 2) {
                r = stack.pop();
                KvBaseObject* l = stack.peek();
                int32_t v;
                if (isInt(l) && intArithmetic(ins.opcode, intOf(l), intOf(r), v)) {
                    stack.pop();
                    KvBaseObject* made = isSharedIntValue(v) ? shared.ints[v + 1] : new KvObjInt(v);
                    push(made);
                    l->release();
                    r->release();
                    KV_NEXT;
                }
                stack.push(r);
            }
            if (!arithmetic(static_cast<int32_t>(ins.opcode), ins)) KV_RAISE(kDivideByZeroMessage);
            KV_NEXT;
        }
        KV_OP(And)
        KV_OP(Or) {
            KvBaseObject* right = popValue();
            KvBaseObject* left = popValue();
            bool a = left->toBool(), b = right->toBool();
            left->release();
            right->release();
            push(kvBool(ins.opcode == Opcode::And ? (a && b) : (a || b)));
            KV_NEXT;
        }
        KV_OP(Not) {
            KvBaseObject* v = popValue();
            bool truth = v->toBool();
            v->release();
            push(kvBool(!truth));
            KV_NEXT;
        }
        KV_OP(Less)
        KV_OP(Greater)
        KV_OP(LessEqual)
        KV_OP(GreaterEqual) {
            KvBaseObject* r = f->stack.peek();
            if (r && isInt(r) && f->stack.count() >= 2) {
                r = f->stack.pop();
                KvBaseObject* l = f->stack.peek();
                if (isInt(l)) {
                    f->stack.pop();
                    int32_t a = intOf(l), b = intOf(r);
                    bool result = ins.opcode == Opcode::Less      ? a < b
                                  : ins.opcode == Opcode::Greater ? a > b
                                  : ins.opcode == Opcode::LessEqual ? a <= b
                                                                    : a >= b;
                    l->release();
                    r->release();
                    f->stack.push(result ? shared.trueValue : shared.falseValue);
                    KV_NEXT;
                }
                f->stack.push(r);
            }
            compare(ins);
            KV_NEXT;
        }
        KV_OP(Equal)
        KV_OP(NotEqual)
            compare(ins);
            KV_NEXT;
        KV_OP(JumpIfGreater)
        KV_OP(JumpIfGreaterEqual)
        KV_OP(JumpIfLess)
        KV_OP(JumpIfLessEqual) {
            KvBaseObject* right = popValue();
            KvBaseObject* left = popValue();
            KvObjNumber* a = asNumber(left);
            KvObjNumber* b = asNumber(right);
            bool jump = false;
            if (a && b) {
                bool less = a->lessThan(b), greater = b->lessThan(a);
                jump = ins.opcode == Opcode::JumpIfGreater        ? greater
                       : ins.opcode == Opcode::JumpIfGreaterEqual ? !less
                       : ins.opcode == Opcode::JumpIfLess         ? less
                                                                  : !greater;
            }
            left->release();
            right->release();
            KV_JUMP_IF(jump);
            KV_NEXT;
        }
        KV_OP(PushNull)
            f->stack.push(kvNull());
            KV_NEXT;
        KV_OP(PushBool)
            f->stack.push(kvBool(ins.intValue != 0));
            KV_NEXT;
        KV_OP(PushInt)
            if (isSharedIntValue(static_cast<int32_t>(ins.intValue)) &&
                ins.intValue == static_cast<int32_t>(ins.intValue)) {
                f->stack.push(shared.ints[ins.intValue + 1]);
                KV_NEXT;
            }
            push(constant(ins, position));
            KV_NEXT;
        KV_OP(PushLong)
        KV_OP(PushFloat)
        KV_OP(PushDouble)
        KV_OP(PushString) {
            KvBaseObject* cached = f->unit->cache(position).value;
            push(cached ? cached : constant(ins, position));
            KV_NEXT;
        }
        KV_OP(StoreLocal) {
            KvBaseObject* v = popValue();
            KvVBaseContext* c = f->context;
            int32_t slot = static_cast<int32_t>(ins.intValue);
            if (c && c->hasSlot(slot)) c->slot(slot).store(v);
            if (ins.discard) {
                v->release();
            } else {
                pushOwned(v);
            }
            KV_NEXT;
        }
        KV_OP(LoadLocal) {
            KvVBaseContext* c = f->context;
            int32_t slot = static_cast<int32_t>(ins.intValue);
            push(c && c->hasSlot(slot) ? c->slot(slot).read() : kvNull());
            KV_NEXT;
        }
        KV_OP(MakeFunction)
            makeFunction(ins, position);
            KV_NEXT;
        KV_OP(MakeList)
            makeList(ins);
            KV_NEXT;
        KV_OP(MakeMap)
            push(new KvObjMap());
            KV_NEXT;
        KV_OP(MapPut)
            mapPut(ins, position);
            KV_NEXT;
        KV_OP(EnterScope)
            enterScope(ins);
            KV_NEXT;
        KV_OP(MemberRef)
            memberRef(ins, position);
            KV_NEXT;
        KV_OP(IndexRef)
            indexRef(ins);
            KV_NEXT;
        KV_OP(AssignRef)
            assignRef(ins);
            KV_NEXT;
        KV_OP(LoadName)
            KV_CHECK(loadName(ins, position));
            KV_NEXT;
        KV_OP(New)
            KV_CHECK(newInstance(ins));
            KV_NEXT;
        KV_OP(Construct)
            KV_CHECK(construct());
            KV_NEXT;
        KV_OP(Pop)
            popRaw()->release();
            KV_NEXT;
        KV_OP(PopToRegister)
        KV_OP(PeekToRegister)
        KV_OP(TakeRegister)
        KV_OP(PushRegister)
        KV_OP(ClearRegister) {
            int64_t r = ins.intValue;
            if (r < 0 || r >= CallFrame::kRegisterCount) {
                if (ins.opcode == Opcode::TakeRegister || ins.opcode == Opcode::PushRegister) {
                    f->stack.push(kvNull());
                } else if (ins.opcode == Opcode::PopToRegister) {
                    popRaw()->release();
                }
                KV_NEXT;
            }
            KvBaseObject*& reg = f->registers[r];
            f->registersUsed = true;
            if (ins.opcode == Opcode::PopToRegister) {
                KvBaseObject* v = popValue();
                if (reg) reg->release();
                reg = v;  // the popped reference moves into the register
            } else if (ins.opcode == Opcode::PeekToRegister) {
                KvBaseObject* v = popValue();
                kvAssignRef(reg, v);
                pushOwned(v);
            } else if (ins.opcode == Opcode::TakeRegister) {
                pushOwned(reg);  // the register's reference moves to the stack
                reg = nullptr;
            } else if (ins.opcode == Opcode::PushRegister) {
                push(reg);
            } else {
                if (reg) reg->release();
                reg = nullptr;
            }
            KV_NEXT;
        }
        KV_OP(PushHandler)
            f->handlers.push_back({static_cast<int32_t>(ins.intValue), f->stack.count(), f->pending.size()});
            KV_NEXT;
        KV_OP(PendingJump)
            f->pending.push_back({static_cast<int32_t>(ins.intValue), nullptr});
            KV_NEXT;
        KV_OP(PendingRaise)
            f->pending.push_back({0, popValue()});  // the caught exception's reference moves in
            KV_NEXT;
        KV_OP(DropPending)
            f->dropPending(f->pending.empty() ? 0 : f->pending.size() - 1);
            KV_NEXT;
        KV_OP(EndFinally) {
            if (f->pending.empty()) KV_NEXT;
            CallFrame::Pending done = f->pending.back();
            f->pending.pop_back();
            if (!done.raised) {
                f->pc = done.target;
                KV_NEXT;
            }
            bool ended = raise(done.raised, runResult);
            done.raised->release();
            if (ended) return runResult;
            KV_NEXT;
        }
        KV_OP(PopHandler)
            if (!f->handlers.empty() && f->handlers.back().target > 0) f->handlers.pop_back();
            KV_NEXT;
        KV_OP(Import)
            KV_CHECK(import(ins));
            KV_NEXT;
        KV_OP(MakeClass)
            makeClass(ins);
            KV_NEXT;
        KV_OP(Label)
        default:
#if KV_THREADED
        L_Nothing:
#endif
            KV_NEXT;  // numbers with no instruction
        }
    }
}

#if KV_THREADED
#pragma GCC diagnostic pop
#endif
#undef ins
#undef KV_OP
#undef KV_NEXT
#undef KV_THREADED

#undef KV_RAISE
#undef KV_CHECK
#undef KV_JUMP_IF

}  // namespace kestrel
