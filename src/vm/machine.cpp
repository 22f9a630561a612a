// The dispatch loop and the frame mechanics: returns, raising and unwinding.
// Hot cases are inline (int arithmetic and comparison, slots, jumps); rare
// or heavy work is in machine_ops.cpp and machine_calls.cpp.
#include "vm/machine.h"

#include "objects/arithmetic.h"
#include "objects/map_value.h"
#include "objects/number_integer.h"
#include "objects/shared_constants.h"
#include "shell/console_queue.h"
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

int32_t KvVirtualMachine::popCount() {
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

KvBaseObject* KvVirtualMachine::dispatch() {
    const KvSharedConstants& shared = sharedConstants();
    KvBaseObject* runResult = nullptr;
    for (;;) {
        CallFrame* f = frame_;
        if (static_cast<uint32_t>(f->pc) >= static_cast<uint32_t>(f->codeCount)) {
            if (finishFrame(runResult)) return runResult;  // ran off the end
            continue;
        }
        const int32_t position = f->pc++;
        const Instruction& ins = f->code[position];
        switch (ins.opcode) {
        case Opcode::Halt:
            abandonFrames();
            return nullptr;
        case Opcode::Jump:
        case Opcode::JumpAlways:
            f->pc = static_cast<int32_t>(ins.intValue);
            break;
        case Opcode::Call:
            KV_CHECK(call(ins));
            break;
        case Opcode::CallBuiltin:
            callBuiltin(ins);
            break;
        case Opcode::Return:
            if (finishFrame(runResult)) return runResult;
            break;
        case Opcode::Throw: {
            KvBaseObject* thrown = makeThrown(ins);
            bool ended = raise(thrown, runResult);
            thrown->release();
            if (ended) return runResult;
            break;
        }
        case Opcode::JumpIfTrue:
        case Opcode::JumpIfFalse: {
            KvBaseObject* v = popValue();
            bool truth = v == shared.trueValue ? true : v == shared.falseValue ? false : v->toBool();
            v->release();
            KV_JUMP_IF(truth == (ins.opcode == Opcode::JumpIfTrue));
            break;
        }
        case Opcode::JumpIfEqual:
        case Opcode::JumpIfNotEqual: {
            KvBaseObject* right = popValue();
            KvBaseObject* left = popValue();
            bool equal = left->tag() == right->tag() && left->equals(right);
            left->release();
            right->release();
            KV_JUMP_IF(equal == (ins.opcode == Opcode::JumpIfEqual));
            break;
        }
        case Opcode::Add:
        case Opcode::Subtract:
        case Opcode::Multiply:
        case Opcode::Divide:
        case Opcode::Modulo:
        case Opcode::IntegerDivide: {
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
                    break;
                }
                stack.push(r);
            }
            if (!arithmetic(static_cast<int32_t>(ins.opcode), ins)) KV_RAISE(kDivideByZeroMessage);
            break;
        }
        case Opcode::And:
        case Opcode::Or: {
            KvBaseObject* right = popValue();
            KvBaseObject* left = popValue();
            bool a = left->toBool(), b = right->toBool();
            left->release();
            right->release();
            push(kvBool(ins.opcode == Opcode::And ? (a && b) : (a || b)));
            break;
        }
        case Opcode::Not: {
            KvBaseObject* v = popValue();
            bool truth = v->toBool();
            v->release();
            push(kvBool(!truth));
            break;
        }
        case Opcode::Less:
        case Opcode::Greater:
        case Opcode::LessEqual:
        case Opcode::GreaterEqual: {
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
                    break;
                }
                f->stack.push(r);
            }
            compare(ins);
            break;
        }
        case Opcode::Equal:
        case Opcode::NotEqual:
            compare(ins);
            break;
        case Opcode::JumpIfGreater:
        case Opcode::JumpIfGreaterEqual:
        case Opcode::JumpIfLess:
        case Opcode::JumpIfLessEqual: {
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
            break;
        }
        case Opcode::PushNull:
            f->stack.push(kvNull());
            break;
        case Opcode::PushBool:
            f->stack.push(kvBool(ins.intValue != 0));
            break;
        case Opcode::PushInt:
            if (isSharedIntValue(static_cast<int32_t>(ins.intValue)) &&
                ins.intValue == static_cast<int32_t>(ins.intValue)) {
                f->stack.push(shared.ints[ins.intValue + 1]);
                break;
            }
            [[fallthrough]];
        case Opcode::PushLong:
        case Opcode::PushFloat:
        case Opcode::PushDouble:
        case Opcode::PushString: {
            KvBaseObject* cached = f->unit->cache(position).value;
            push(cached ? cached : constant(ins, position));
            break;
        }
        case Opcode::StoreLocal: {
            KvBaseObject* v = popValue();
            KvVBaseContext* c = f->context;
            int32_t slot = static_cast<int32_t>(ins.intValue);
            if (c && c->hasSlot(slot)) c->slot(slot).store(v);
            if (ins.discard) {
                v->release();
            } else {
                pushOwned(v);
            }
            break;
        }
        case Opcode::LoadLocal: {
            KvVBaseContext* c = f->context;
            int32_t slot = static_cast<int32_t>(ins.intValue);
            push(c && c->hasSlot(slot) ? c->slot(slot).read() : kvNull());
            break;
        }
        case Opcode::MakeFunction:
            makeFunction(ins, position);
            break;
        case Opcode::MakeList:
            makeList(ins);
            break;
        case Opcode::MakeMap:
            push(new KvObjMap());
            break;
        case Opcode::MapPut:
            mapPut(ins, position);
            break;
        case Opcode::EnterScope:
            enterScope(ins);
            break;
        case Opcode::MemberRef:
            memberRef(ins, position);
            break;
        case Opcode::IndexRef:
            indexRef(ins);
            break;
        case Opcode::AssignRef:
            assignRef(ins);
            break;
        case Opcode::LoadName:
            KV_CHECK(loadName(ins, position));
            break;
        case Opcode::New: {
            std::u16string error;
            newInstance(ins, error);
            KV_CHECK(error);
            break;
        }
        case Opcode::Construct:
            KV_CHECK(construct());
            break;
        case Opcode::Pop:
            popRaw()->release();
            break;
        case Opcode::PopToRegister:
        case Opcode::PeekToRegister:
        case Opcode::TakeRegister:
        case Opcode::PushRegister:
        case Opcode::ClearRegister: {
            int64_t r = ins.intValue;
            if (r < 0 || r >= CallFrame::kRegisterCount) {
                if (ins.opcode == Opcode::TakeRegister || ins.opcode == Opcode::PushRegister) {
                    f->stack.push(kvNull());
                } else if (ins.opcode == Opcode::PopToRegister) {
                    popRaw()->release();
                }
                break;
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
            break;
        }
        case Opcode::PushHandler:
            f->handlers.push_back({static_cast<int32_t>(ins.intValue), f->stack.count()});
            break;
        case Opcode::PopHandler:
            if (!f->handlers.empty() && f->handlers.back().target > 0) f->handlers.pop_back();
            break;
        case Opcode::Import:
            KV_CHECK(import(ins));
            break;
        default:
            break;  // Label, MakeClass until classes, and numbers with no instruction
        }
    }
}

#undef KV_RAISE
#undef KV_CHECK
#undef KV_JUMP_IF

}  // namespace kestrel
