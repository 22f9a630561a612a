// The frame mechanics: running a unit, pushing and popping frames, returns,
// raising and unwinding to handlers, finally completions and registers.
#include "vm/machine.h"

#include "host/console_queue.h"
#include "host/memory_limit.h"
#include "objects/string_limit.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/exception_value.h"
#include "vm/machine_messages.h"
#include "vm/machine_stack.h"

namespace kestrel {

namespace {

// The running program, seen by nested machines (weak: the outermost machine owns it).
std::weak_ptr<ProgramState>& currentProgramSlot() {
    static std::weak_ptr<ProgramState> current;
    return current;
}

// The key a unit's module is marked executed under (its path, or its address).
std::u16string unitKey(const CodeUnit& unit) {
    if (!unit.moduleKey().empty()) return unit.moduleKey();
    return u"#" + decimalText(reinterpret_cast<intptr_t>(unit.module().get()));
}

}  // namespace

std::shared_ptr<ProgramState> currentProgram() {
    return currentProgramSlot().lock();
}

KvVirtualMachine::KvVirtualMachine() = default;

// Frames still present (after Halt or a native exception) are released.
KvVirtualMachine::~KvVirtualMachine() {
    abandonFrames();
    while (spareCount_ > 0) delete spare_[--spareCount_];
}

// Pops every frame, current first, releasing what each holds.
void KvVirtualMachine::abandonFrames() {
    while (frame_) popFrame();
}

// A new program replaces the old one before its first instruction; a run
// in an existing program (a nested machine) shares the current one.
KvValueRef KvVirtualMachine::run(CodeUnit* unit, bool newProgram, bool wantsResult) {
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
    } else {
        // A machine that goes on with its own program (the prompt's) makes
        // it current again: another program may have run in between.
        currentProgramSlot() = program_;
    }
    pushFrame(KvUnitRef::retain(unit), 0, wantsResult ? kResultWanted : kResultDiscard, nullptr, false);
    if (frames_.empty()) frame_->generalReturn = true;  // its return ends the run
    ActiveMachine active(*this);
    return dispatch();
}

// The read value is owned before the field goes: it may be the field's owner.
KvValueRef readFieldValue(KvValueRef field) {
    return kvOwnedOrNull(field->value());
}

// The count as any number (converted), or 0; bounded by the operands below.
int32_t KvVirtualMachine::popCountSlow() {
    KvValueRef count = popValue();
    int32_t n = isInt(count.get()) ? intOf(count.get())
                : count->tag() == kTagNumber ? static_cast<KvObjNumber*>(count.get())->toInt() : 0;
    int32_t available = static_cast<int32_t>(frame_->stack.count());
    return n < 0 ? 0 : (n > available ? available : n);
}

// Hands the exception (taken over on success) to the current frame's top
// handler: the operands pushed since the handler was set are dropped and
// execution continues at the handler with the exception on the stack.
bool KvVirtualMachine::catchInFrame(KvValueRef& exception) {
    std::vector<CallFrame::Handler>& handlers = frame_->handlers;
    if (handlers.empty()) return false;
    CallFrame::Handler handler = handlers.back();
    handlers.pop_back();  // a handler is used once, so a raising handler cannot loop
    if (handler.target < 0 || handler.target >= frame_->codeCount) return false;
    while (frame_->stack.count() > handler.depth) popRaw();
    frame_->dropPending(handler.pendingDepth);  // a raise inside finally replaces what it was finishing
    push(std::move(exception));
    frame_->pc = handler.target;
    return true;
}

// Jumps to the frame's handler with the exception, or returns from the
// frame with it. True when that ended the run.
bool KvVirtualMachine::raise(KvValueRef exception, KvValueRef& runResult) {
    noteRaise(exception.get());  // where it happened, before any frame is left
    if (catchInFrame(exception)) return false;
    push(std::move(exception));
    frame_->resultMode = kResultRaising;
    frame_->generalReturn = true;
    return finishFrame(runResult);
}

// An instruction failed half way: its handles have released what they held,
// and the stack keeps only whole entries, so the frame can take an exception
// as if the instruction had raised it. The reserve held back for this moment
// pays for the exception and leaves room for the handler (it is taken again
// when the next run starts); without a frame, or without even that memory,
// the failure leaves the machine.
bool KvVirtualMachine::raiseNativeFailure(const char16_t* message, KvValueRef& runResult) {
    releaseMemoryReserve();
    if (!frame_) throw;  // the failure being handled, to the machine's caller
    return raiseMessage(message, runResult);
}

KvValueRef KvVirtualMachine::dispatch() {
    restoreMemoryReserve();
    for (;;) {
        KvValueRef runResult;
        try {
            return dispatchLoop();
        } catch (const std::bad_alloc&) {
            if (raiseNativeFailure(kOutOfMemoryMessage16, runResult)) return runResult;
        } catch (const KvStringTooLong&) {
            if (raiseNativeFailure(kStringTooLongMessage, runResult)) return runResult;
        }
    }
}

// Raises a new exception carrying one of the machine's own error texts.
bool KvVirtualMachine::raiseMessage(const std::u16string& message, KvValueRef& runResult) {
    return raise(kvMake<KvObjException>(message), runResult);
}

// The failure of the last call; a call of something that is not a function
// also says, for the report, what was called.
bool KvVirtualMachine::raiseCallError(KvValueRef& runResult) {
    KvRef<KvObjException> exception = kvMake<KvObjException>(callError_);
    if (!callDetail_.empty()) exception->setDetail(std::move(callDetail_));
    callDetail_.clear();
    return raise(std::move(exception), runResult);
}

// The Return protocol; an exception keeps returning until a handler takes
// it. The result is held across the frame's release, which may drop the
// last other reference to it (a local the function returns).
bool KvVirtualMachine::finishFrame(KvValueRef& runResult) {
    for (;;) {
        int32_t mode = frame_->resultMode;
        KvValueRef result;
        if (mode != kResultDiscard) result = frame_->stack.empty() ? KvValueRef::retain(kvNull()) : popValue();
        if (frames_.empty()) {
            if (mode == kResultRaising) {
                raised_ = true;
                if (reportUncaught_) {
                    consoleWrite(result->toString() + u"\r\n", kLevelError);
                    reportTraceback(result.get());  // and where it came from, on standard error
                }
            }
            popFrame();
            runResult = std::move(result);
            return true;
        }
        popFrame();
        if (mode != kResultRaising) {
            if (result) push(std::move(result));
            return false;
        }
        if (catchInFrame(result)) return false;
        push(std::move(result));
        frame_->resultMode = kResultRaising;
    frame_->generalReturn = true;
    }
}

// The registers of a switch subject. A register outside the twelve reads as
// null and takes nothing; PopToRegister moves the popped reference in and
// TakeRegister moves the register's out.
void KvVirtualMachine::registerOp(const Instruction& ins) {
    int64_t r = ins.intValue;
    if (r < 0 || r >= CallFrame::kRegisterCount) {
        if (ins.opcode == Opcode::TakeRegister || ins.opcode == Opcode::PushRegister) {
            pushShared(kvNull());
        } else if (ins.opcode == Opcode::PopToRegister) {
            popRaw();
        }
        return;
    }
    KvValueRef& reg = frame_->registers[r];
    frame_->generalReturn = true;
    if (ins.opcode == Opcode::PopToRegister) {
        reg = popValue();
    } else if (ins.opcode == Opcode::PeekToRegister) {
        KvValueRef v = popValue();
        reg = KvValueRef::retain(v.get());
        push(std::move(v));
    } else if (ins.opcode == Opcode::TakeRegister) {
        push(std::move(reg));
    } else if (ins.opcode == Opcode::PushRegister) {
        pushRetained(reg.get());
    } else {
        reg.reset();
    }
}

// Ends a finally block: jumps back where the block was entered for, or
// raises the exception it was finishing. True when that ended the run.
bool KvVirtualMachine::endFinally(KvValueRef& runResult) {
    std::vector<CallFrame::Pending>& pending = frame_->pending;
    if (pending.empty()) return false;
    CallFrame::Pending done = std::move(pending.back());
    pending.pop_back();
    if (!done.raised) {
        frame_->pc = done.target;
        return false;
    }
    return raise(std::move(done.raised), runResult);
}

}  // namespace kestrel
