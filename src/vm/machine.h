// The virtual machine: runs code units on its own frame stack, so script
// calls never recurse on the native stack. Values on operand stacks hold a
// reference each. A machine belongs to one program state, shared with the
// nested machines that native code starts to call back into scripts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "objects/arg_list.h"
#include "vm/call_frame.h"
#include "vm/program_state.h"

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

    // Runs unit from its first instruction until its frame returns. With
    // newProgram a fresh program state replaces the previous one. The result
    // carries one reference for the caller (null when none was wanted).
    KvBaseObject* run(CodeUnit* unit, bool newProgram, bool wantsResult);
    // Calls a callable value with args and returns its result, one reference
    // for the caller; an exception ends the call and is the result.
    KvBaseObject* callValue(KvBaseObject* callee, const KvArgList& args);
    // The last run or call ended in an exception that no handler took.
    bool endedInException() const { return raised_; }
    // Whether an uncaught exception is printed (the outermost machine's job).
    void setReportUncaught(bool report) { reportUncaught_ = report; }
    ProgramState& program() { return *program_; }

private:
    struct CallArgs;

    KvBaseObject* dispatch();
    bool finishFrame(KvBaseObject*& runResult);
    bool raise(KvBaseObject* exception, KvBaseObject*& runResult);
    bool raiseMessage(const std::u16string& message, KvBaseObject*& runResult);
    bool catchInFrame(KvBaseObject* exception);
    void pushFrame(CodeUnit* unit, int32_t pc, int32_t mode, KvVBaseContext* context, bool owns);
    void popFrame();
    void abandonFrames();

    // Calls return false with the text in callError_ when the call must raise
    // (no string built or moved on the common path), or with the exception
    // itself in calleeRaised_ when a native callee's script callback raised.
    bool call(const Instruction& ins);
    bool callScript(KvObjFunc* function, CallArgs& args, bool wantsResult);
    // Out-of-line instruction work; each returns an error text or empty.
    void callBuiltin(const Instruction& ins);
    bool arithmetic(int32_t op, const Instruction& ins);
    void compare(const Instruction& ins);
    void enterScope(const Instruction& ins);
    void makeFunction(const Instruction& ins, int32_t position);
    void makeClass(const Instruction& ins);
    void makeList(const Instruction& ins);
    void mapPut(const Instruction& ins, int32_t position);
    void memberRef(const Instruction& ins, int32_t position);
    void indexRef(const Instruction& ins);
    void assignRef(const Instruction& ins);
    std::u16string loadName(const Instruction& ins, int32_t position);
    KvBaseObject* makeThrown(const Instruction& ins);
    std::u16string import(const Instruction& ins);
    std::u16string construct();
    std::u16string newInstance(const Instruction& ins);
    KvBaseObject* constant(const Instruction& ins, int32_t position);

    // Operand stack helpers: push takes a reference, pushOwned hands one over,
    // popValue returns a plain value (fields read) carrying one reference.
    void push(KvBaseObject* value);
    void pushOwned(KvBaseObject* value);
    KvBaseObject* popRaw();
    KvBaseObject* popValue();
    KvBaseObject* readField(KvBaseObject* field);
    int32_t popCount();
    int32_t popCountSlow();
    void popArgs(int32_t count, CallArgs& args);

    bool newProgram_ = false;
    CallFrame* frame_ = nullptr;
    std::vector<CallFrame*> frames_;
    std::shared_ptr<ProgramState> program_;
    std::vector<std::unique_ptr<CallFrame>> spare_;  // cleared frames for reuse
    bool raised_ = false;
    bool reportUncaught_ = true;
    std::u16string callError_;  // why the last failed call raises
    KvBaseObject* calleeRaised_ = nullptr;  // or what it raises (one reference)
};

// The program state of the running program (shared by nested machines).
std::shared_ptr<ProgramState> currentProgram();

}  // namespace kestrel
