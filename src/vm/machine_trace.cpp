// Where an exception was raised: the calls active at the raise, taken from
// the frames' units and program counters (nothing is tracked while code
// runs), across the machines that native callbacks nest; and the report of
// an uncaught exception on standard error.
#include "host/console_queue.h"
#include "host/platform.h"
#include "objects/type_tags.h"
#include "vm/exception_value.h"
#include "vm/machine.h"

namespace kestrel {

KvVirtualMachine*& activeMachineSlot() {
    static KvVirtualMachine* active = nullptr;
    return active;
}

// The frames a trace shows, innermost first: the running frame, then the
// suspended ones; the Call/Return frame at the bottom of a machine that
// native code started is not a call of the script's and is left out.
size_t KvVirtualMachine::traceFrameCount() const {
    if (!frame_) return 0;
    size_t count = 1 + frames_.size();
    const CallFrame* bottom = frames_.empty() ? frame_ : frames_.front();
    return isNativeCallFrame(*bottom) ? count - 1 : count;
}

const CallFrame* KvVirtualMachine::traceFrame(size_t index) const {
    return index == 0 ? frame_ : frames_[frames_.size() - index];
}

// Deep stacks keep their innermost calls and their outermost few; each
// kept call is found by its index, so a deep stack costs no more than a
// shallow one.
CallTrace KvVirtualMachine::captureTrace() const {
    std::vector<const KvVirtualMachine*> machines;
    size_t total = 0;
    for (const KvVirtualMachine* machine = this; machine; machine = machine->outer_) {
        machines.push_back(machine);
        total += machine->traceFrameCount();
    }
    CallTrace trace;
    size_t head = total, tail = 0;
    if (total > CallTrace::kMaxPoints) {
        tail = CallTrace::kKeptOutermost;
        head = CallTrace::kMaxPoints - tail;
        trace.omittedAfter = head;
        trace.omitted = total - head - tail;
    }
    trace.points.reserve(head + tail);
    auto take = [&](size_t index) {
        for (const KvVirtualMachine* machine : machines) {
            size_t count = machine->traceFrameCount();
            if (index >= count) {
                index -= count;
                continue;
            }
            const CallFrame* frame = machine->traceFrame(index);
            if (frame->unit) trace.points.push_back({KvUnitRef::retain(frame->unit.get()), frame->pc - 1});
            return;
        }
    };
    for (size_t i = 0; i < head; ++i) take(i);
    for (size_t i = total - tail; i < total; ++i) take(i);
    return trace;
}

void KvVirtualMachine::noteRaise(KvBaseObject* exception) const {
    if (!exception || exception->tag() != kTagException) return;
    auto* raised = static_cast<KvObjException*>(exception);
    if (!raised->hasTrace()) raised->setTrace(captureTrace());
}

// The first line (the position and the message) in red where standard
// error is a terminal that takes colour.
void KvVirtualMachine::reportTraceback(KvBaseObject* exception) {
    if (!exception || exception->tag() != kTagException) return;
    std::u16string text = static_cast<KvObjException*>(exception)->report();
    std::string bytes = platform::consoleBytes(text);
    if (platform::stderrColourEnabled()) {
        size_t end = bytes.find('\n');
        if (end == std::string::npos) end = bytes.size();
        bytes = platform::stderrAttributeEscape(platform::kAttributeRed) + bytes.substr(0, end) +
                platform::stderrAttributeEscape(platform::kAttributeNormal) + bytes.substr(end);
    }
    consoleQueue().flush();  // after everything the script printed
    platform::writeStderr(bytes);
}

std::u16string KvVirtualMachine::describeCallee(const std::u16string& calleeText, KvBaseObject* callee) {
    if (calleeText.empty() || !callee) return std::u16string();
    const char16_t* what = u"not a function";
    switch (callee->tag()) {
        case kTagNull: what = u"null"; break;
        case kTagBool: what = u"a boolean"; break;
        case kTagNumber: what = u"a number"; break;
        case kTagString: what = u"a string"; break;
        case kTagList: what = u"a list"; break;
        case kTagMap: what = u"a map"; break;
        case kTagLocalObject: what = u"an object"; break;
        case kTagClass: what = u"a class"; break;
        case kTagException: what = u"an exception"; break;
        case kTagRegex: what = u"a regular expression"; break;
        case kTagBytes: what = u"bytes"; break;
        default: break;
    }
    return calleeText + u" is " + what;
}

}  // namespace kestrel
