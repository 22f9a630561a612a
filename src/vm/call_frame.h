// One activation on the machine's frame stack: the code it runs, where it
// is, what its caller wants back, its handlers, context, operand stack and
// registers. Ownership: every operand-stack entry and every register holds
// one reference; the frame holds one on its code unit and one on its
// context. Clearing the frame drops them all, so it can be reused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "objects/member_registry.h"
#include "objects/value_ref.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/cycle_collector.h"
#include "vm/fast_stack.h"
#include "vm/instruction.h"

namespace kestrel {

class KvBaseObject;

enum ResultMode : int32_t { kResultDiscard = 0, kResultWanted = 1, kResultRaising = -1 };

struct CallFrame {
    static constexpr int32_t kRegisterCount = kestrel::kRegisterCount;  // the instruction set's bound

    CallFrame() = default;
    ~CallFrame() { clear(); }
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;

    // Takes over the references on unit and context (either may be empty).
    // Inline: every script call starts a frame.
    void begin(KvUnitRef&& newUnit, int32_t startPc, int32_t mode, KvContextRef&& newContext,
               bool owns) {
        unit = std::move(newUnit);
        code = unit ? unit->code() : nullptr;
        exec = unit ? unit->exec() : nullptr;
        codeCount = unit ? unit->count() : 0;
        pc = startPc;
        resultMode = mode;
        context = std::move(newContext);
        ownsContext = owns;
    }
    // begin for a script call: a unit and an activation it owns are given.
    [[gnu::always_inline]] void beginCall(KvUnitRef&& newUnit, int32_t startPc, int32_t mode,
                                          KvContextRef&& activation) {
        unit = std::move(newUnit);
        code = unit->code();
        exec = unit->exec();
        codeCount = unit->count();
        pc = startPc;
        resultMode = mode;
        context = std::move(activation);
        ownsContext = true;
    }
    // Releases everything the frame holds; the frame can then be reused.
    // Inline: every script call's frame is cleared when it returns, most
    // with nothing left but the context and the unit.
    [[gnu::always_inline]] void clear() {
        if (!stack.empty() || generalReturn) clearOperands();
        if (ownsContext) {
            // A function context that survives its frame is a cycle
            // candidate; the end of a function frame is a point where a
            // batch may run.
            if (KvVBaseContext* activation = context.detach()) activation->releaseActivation();
            collectCyclesIfDue();
        } else {
            context.reset();  // module and class-body contexts are held elsewhere on purpose
        }
        unit.reset();
        code = nullptr;
        nativeCallee.callAt = -1;  // a call left unmade (its arguments raised) is forgotten
    }
    // Replaces the frame's context by the given one.
    void setContext(KvContextRef context);

    const Instruction* code = nullptr;  // the unit's instructions, cached for the loop
    const ExecInstruction* exec = nullptr;  // and their executable records
    KvUnitRef unit;
    bool ownsContext = false;  // a function activation: its context usually dies with it
    int32_t pc = 0;
    int32_t codeCount = 0;  // instructions in the unit: pc beyond it ends the frame
    int32_t resultMode = kResultDiscard;
    // A handler remembers the stack depth at PushHandler and how many
    // finally completions were pending, so an exception caught
    // mid-expression leaves no half-built operands behind.
    struct Handler {
        int32_t target;
        size_t depth;
        size_t pendingDepth;
    };
    std::vector<Handler> handlers;
    // What a running finally block does when it ends: jump to target, or
    // raise the held exception. Innermost last.
    struct Pending {
        int32_t target;
        KvValueRef raised;
    };
    std::vector<Pending> pending;
    // Drops pending completions above depth, releasing their exceptions.
    void dropPending(size_t depth);
    // The operands, registers, handlers and pending completions left over.
    void clearOperands();
    KvContextRef context;
    KvFastStack stack;  // raw entries, one reference each (see fast_stack.h)
    KvValueRef registers[kRegisterCount];
    // Set when the frame's return must take the general way: it uses a
    // handler, a finally completion or a register (which its clearing then
    // releases), it is the first frame of a run, or it is raising. A return
    // checks this one flag, and twelve empty registers are not cleared on
    // every call.
    bool generalReturn = false;
    // A native method called at once: MemberRef left its owner (uncounted
    // here; the stack holds it) in the callee's place and the method here,
    // for the Call at callAt, so no field is made for one call.
    struct NativeCallee {
        int32_t callAt = -1;
        const KvBaseObject* owner = nullptr;
        KvNativeMethod method = nullptr;
    };
    NativeCallee nativeCallee;
};

}  // namespace kestrel
