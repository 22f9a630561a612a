// One activation on the machine's frame stack: the code it runs, where it
// is, what its caller wants back, its handlers, context, operand stack and
// registers. Every value on the stack and in the registers holds one
// reference; clearing the frame releases them all and its context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vm/fast_stack.h"
#include "vm/instruction.h"

namespace kestrel {

class CodeUnit;
class KvBaseObject;
class KvVBaseContext;

enum ResultMode : int32_t { kResultDiscard = 0, kResultWanted = 1, kResultRaising = -1 };

struct CallFrame {
    static constexpr int32_t kRegisterCount = kestrel::kRegisterCount;  // the instruction set's bound

    CallFrame() = default;
    ~CallFrame() { clear(); }
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;

    // Adopts one reference on unit and on context (either may be null).
    void begin(CodeUnit* unit, int32_t pc, int32_t resultMode, KvVBaseContext* context,
               bool ownsContext);
    // Releases everything the frame holds; the frame can then be reused.
    void clear();
    // Replaces the frame's context, adopting one reference on the new one.
    void setContext(KvVBaseContext* context);

    const Instruction* code = nullptr;
    CodeUnit* unit = nullptr;
    bool ownsContext = false;
    int32_t pc = 0;
    int32_t codeCount = 0;  // instructions in the unit: pc beyond it ends the frame
    int32_t resultMode = kResultDiscard;
    // A handler remembers the stack depth at PushHandler, so an exception
    // caught mid-expression leaves no half-built operands behind.
    // and how many finally completions were pending.
    struct Handler {
        int32_t target;
        size_t depth;
        size_t pendingDepth;
    };
    std::vector<Handler> handlers;
    // What a running finally block does when it ends: jump to target, or
    // raise value (one reference held). Innermost last.
    struct Pending {
        int32_t target;
        KvBaseObject* raised;
    };
    std::vector<Pending> pending;
    // Drops pending completions above depth, releasing their exceptions.
    void dropPending(size_t depth);
    KvVBaseContext* context = nullptr;
    KvFastStack stack;
    KvBaseObject* registers[kRegisterCount] = {};
    bool registersUsed = false;  // spares clearing twelve empty registers per call
};

}  // namespace kestrel
