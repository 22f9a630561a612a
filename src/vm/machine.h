// The virtual machine: runs code units on its own frame stack, so script
// calls never recurse on the native stack. A machine belongs to one program
// state, shared with the nested machines that native code starts to call
// back into scripts.
// Ownership: the current frame and the suspended ones (frames_) are owned
// by the machine; each holds its unit, context, operand stack entries and
// registers (call_frame.h). Every value that passes from one owner to the
// next travels in a KvRef; raw value pointers only borrow.
// Native exceptions: std::bad_alloc and KvStringTooLong leave an instruction
// half done, its handles having dropped what they held; the loop's caller
// raises them in the running frame as "Out of memory" and "String too long",
// so scripts can catch them. When even that fails, std::bad_alloc leaves the
// machine and the program's entry reports it (shell/main.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "objects/arg_list.h"
#include "objects/value_ref.h"
#include "vm/call_frame.h"
#include "vm/program_state.h"
#include "vm/source_position.h"

namespace kestrel {

class KvBaseObject;
class KvObjFunc;
class CodeUnit;

class KvVirtualMachine {
public:
    // Deeper script recursion raises an exception instead of exhausting memory.
    static constexpr size_t kMaxFrames = 200000;

    KvVirtualMachine();
    virtual ~KvVirtualMachine();
    KvVirtualMachine(const KvVirtualMachine&) = delete;
    KvVirtualMachine& operator=(const KvVirtualMachine&) = delete;

    // Runs unit (borrowed; the frame counts its own reference) from its
    // first instruction until its frame returns. With newProgram a fresh
    // program state replaces the previous one; without it the machine's own
    // program (or else the current one) goes on and becomes current. The result is empty when none
    // was wanted (or after Halt).
    KvValueRef run(CodeUnit* unit, bool newProgram, bool wantsResult);
    // Calls a callable value with args and returns its result, never empty;
    // an exception ends the call and is the result.
    KvValueRef callValue(KvBaseObject* callee, const KvArgList& args);
    // The last run or call ended in an exception that no handler took.
    bool endedInException() const { return raised_; }
    // Whether an uncaught exception is printed (the outermost machine's job).
    void setReportUncaught(bool report) { reportUncaught_ = report; }
    ProgramState& program() { return *program_; }

private:
    struct CallArgs;

    // The loop: runs until the outermost frame returns; its result.
    // dispatch turns native failures into script exceptions and re-enters.
    KvValueRef dispatch();
    KvValueRef dispatchLoop();
    bool raiseNativeFailure(const char16_t* message, KvValueRef& runResult);
    // Frame mechanics. Each returns true when the run is over, with its
    // result in runResult.
    bool finishFrame(KvValueRef& runResult);
    bool returnToCaller();
    bool raise(KvValueRef exception, KvValueRef& runResult);
    bool raiseMessage(const std::u16string& message, KvValueRef& runResult);
    // Raises the failure of the last call (callError_, with callDetail_ for the report).
    bool raiseCallError(KvValueRef& runResult);
    // Takes the exception over and jumps to a handler of the current frame;
    // false (the exception left with the caller) when there is none.
    bool catchInFrame(KvValueRef& exception);
    void pushFrame(KvUnitRef&& unit, int32_t pc, int32_t mode, KvContextRef&& context, bool owns);
    void popFrame();
    void retireFrame(CallFrame* done);
    void abandonFrames();

    // Traces (machine_trace.cpp). The calls active now, innermost first:
    // this machine's frames, then those of the machines it runs inside.
    CallTrace captureTrace() const;
    size_t traceFrameCount() const;
    const CallFrame* traceFrame(size_t index) const;  // 0 = the running frame
    static bool isNativeCallFrame(const CallFrame& frame);  // machine_calls.cpp
    // Records where an exception is raised, unless an earlier raise did.
    void noteRaise(KvBaseObject* exception) const;
    // The uncaught exception's report on standard error.
    static void reportTraceback(KvBaseObject* exception);
    // Why a call of callee (written as calleeText) failed: "x.f is null".
    static std::u16string describeCallee(const std::u16string& calleeText, KvBaseObject* callee);

    // Calls return false with the text in callError_ when the call must raise
    // (no string built or moved on the common path), or with the exception
    // itself in calleeRaised_ when a native callee's script callback raised.
    // n arguments, already counted (popCount, or a fused record's operand).
    bool call(int32_t n, bool wantsResult);
    bool callNativeMethod(int32_t n, bool wantsResult, bool& called);
    // A script function with its n arguments on top of the stack (receiver:
    // the instance a shared method runs on; calleeBelow: the callee's own
    // entry lies under the arguments and is dropped).
    // Inline (machine_stack.h) for a call its function's plan fits; the
    // general way otherwise.
    bool enterScript(KvObjFunc* function, KvVBaseContext* receiver, int32_t n, bool wantsResult, bool calleeBelow);
    bool enterScriptUnplanned(KvObjFunc* function, KvVBaseContext* receiver, int32_t n, bool wantsResult,
                              bool calleeBelow);
    // A function called before with the same shape: its plan is copied into
    // the new activation (machine_stack.h; the plans are made by notePlan).
    template <bool kReceiver>
    bool plannedCallFits(const KvObjFunc& function, const ActivationPlan& plan, int32_t n,
                         KvVBaseContext* receiver) const;
    template <bool kReceiver>
    void enterPlanned(KvObjFunc* function, const ActivationPlan& plan, int32_t n, bool wantsResult,
                      KvVBaseContext* receiver, bool calleeBelow);
    [[gnu::noinline]] void readPlannedFields(KvVBaseContext& activation, const ActivationPlan& plan);
    void readFieldInPlace(KvBaseObject*& entry);
    [[gnu::noinline]] void dropSurplusArguments(KvBaseObject** args, int32_t moved, int32_t n);
    bool bindKnownTargets(KvObjFunc& function, KvVBaseContext& activation);
    bool bindOwnFields(KvObjFunc& function, const ScopeTable& scope, KvVBaseContext& activation);
    [[gnu::cold, gnu::noinline]] bool notCallable(KvBaseObject* callee);
    // Instruction work outside the loop's body; those returning text return
    // an error to raise, or empty.
    void storeLocal(int32_t slot, bool discard);
    void registerOp(const Instruction& ins);
    bool endFinally(KvValueRef& runResult);
    void callBuiltin(int32_t builtin, int32_t n, bool wantsResult);
    bool arithmetic(int32_t op, const Instruction& ins);
    bool appendInPlace(KvBaseObject* left, KvBaseObject* right);
    void compare(const Instruction& ins);
    void enterScope(const Instruction& ins);
    void makeFunction(const Instruction& ins, int32_t position);
    void makeClass(const Instruction& ins);
    void makeList(const Instruction& ins);
    void mapPut(const Instruction& ins, int32_t position);
    void memberRef(const Instruction& ins, int32_t position);
    void indexRef(const Instruction& ins);
    void assignRef(const Instruction& ins);
    void assignIndex(bool discard);
    std::u16string loadName(const Instruction& ins, int32_t position);
    // Bit operators, "===", `this`, tuples, updates and for-each (machine_constructs.cpp).
    void bitOperation(const Instruction& ins);
    void strictEqual();
    void pushThis();
    void tupleItem(const Instruction& ins);
    void peekRef();
    void swapTop();
    void eachBegin(const Instruction& ins);
    void eachNext(const Instruction& ins);
    KvValueRef makeThrown(const Instruction& ins);
    std::u16string import(const Instruction& ins);
    std::u16string importNativeModule(const ImportDescriptor& descriptor);
    std::u16string construct();
    std::u16string constructNative(KvBaseObject* instance, CallArgs& args);
    std::u16string newInstance(const Instruction& ins);
    KvBaseObject* constant(const Instruction& ins, int32_t position);

    // Operand stack helpers (machine_stack.h): push moves a reference in,
    // pushRetained counts a new one for a borrowed value, pushShared stores a
    // shared constant uncounted; pops hand the entry's reference out, popValue
    // after reading a field (a member or element reference) for its value.
    void push(KvValueRef value);
    void pushRetained(KvBaseObject* value);
    void pushShared(KvBaseObject* constant);
    KvValueRef popRaw();
    KvValueRef popValue();
    int32_t popCount();
    // A count given as an operand, bounded by the operands there are.
    int32_t boundedCount(int32_t n) const;
    int32_t popCountSlow();
    void popArgs(int32_t count, CallArgs& args);

    bool newProgram_ = false;
    CallFrame* frame_ = nullptr;      // the running frame, owned; null between runs
    std::vector<CallFrame*> frames_;  // suspended callers, owned; last = most recent
    std::shared_ptr<ProgramState> program_;
    static constexpr size_t kMaxSpareFrames = 64;
    CallFrame* spare_[kMaxSpareFrames] = {};  // cleared frames for reuse, owned
    size_t spareCount_ = 0;
    bool raised_ = false;
    bool reportUncaught_ = true;
    std::u16string callError_;  // why the last failed call raises
    KvBaseObject* calleeRaised_ = nullptr;  // or what it raises (one reference)
    std::u16string callDetail_;  // what a failed call called, for the report (or empty)
    // The machine this one runs inside (a native callback's caller) while it runs.
    KvVirtualMachine* outer_ = nullptr;
    friend struct ActiveMachine;
};

// The innermost machine that is running, or null (machine_trace.cpp).
KvVirtualMachine*& activeMachineSlot();

// Makes a machine the innermost running one for as long as it runs (its
// dispatch loop), however that ends; the one it runs inside is its outer.
struct ActiveMachine {
    explicit ActiveMachine(KvVirtualMachine& machine) : machine_(machine) {
        machine_.outer_ = activeMachineSlot();
        activeMachineSlot() = &machine_;
    }
    ~ActiveMachine() {
        activeMachineSlot() = machine_.outer_;
        machine_.outer_ = nullptr;
    }
    ActiveMachine(const ActiveMachine&) = delete;
    ActiveMachine& operator=(const ActiveMachine&) = delete;

private:
    KvVirtualMachine& machine_;
};

// The program state of the running program (shared by nested machines).
std::shared_ptr<ProgramState> currentProgram();

}  // namespace kestrel
