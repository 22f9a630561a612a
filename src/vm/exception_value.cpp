// Messages, members and text forms of script exceptions.
#include "vm/exception_value.h"

#include "objects/member_registry.h"
#include "objects/shared_constants.h"
#include "objects/string_value.h"
#include "host/console_queue.h"
#include "host/runtime_settings.h"
#include "host/utf8.h"

namespace kestrel {

void registerExceptionMembers() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    memberRegistry().registerProperty(kTagException, u"message");
    memberRegistry().registerProperty(kTagException, u"extra");  // id 2: the second operand of throw
    memberRegistry().registerProperty(kTagException, u"line");   // id 3: where it was first raised
    memberRegistry().registerProperty(kTagException, u"file");   // id 4
    memberRegistry().registerProperty(kTagException, u"stack");  // id 5: the trace as text
    memberRegistry().registerMethod(kTagException, u"printStacks",
                                    kvMethod(&KvObjException::printStacksMethod));
}

KvObjException::KvObjException(std::u16string message)
    : extra_(kvOwnedOrNull(nullptr)), message_(std::move(message)) {
    setTag(kTagException);
    registerExceptionMembers();
}

KvObjException::~KvObjException() = default;

namespace {

enum ExceptionProperty : int32_t { kMessage = 1, kExtra = 2, kLine = 3, kFile = 4, kStack = 5 };

// The trace's lines without the final line break.
std::u16string stackText(const CallTrace& trace) {
    std::u16string text = trace.lines();
    if (!text.empty()) text.pop_back();
    return text;
}

}  // namespace

// Line and file are null before the exception was raised; the stack is then empty.
KvBaseObject* KvObjException::getBuiltinProperty(int32_t id) {
    switch (id) {
        case kMessage: return new KvObjString(message_);
        case kExtra: return extra_.get();
        case kLine: return hasTrace() ? kvInt(static_cast<int32_t>(trace_.line())) : kvNull();
        case kFile: return hasTrace() ? new KvObjString(trace_.file()) : kvNull();
        case kStack: return new KvObjString(stackText(trace_));
        default: return kvNull();
    }
}

bool KvObjException::setBuiltinProperty(int32_t id, KvBaseObject* value) {
    if (id == kMessage) {
        message_ = value ? value->toString() : std::u16string();
        return true;
    }
    if (id == kExtra) {
        setExtra(value ? value : kvNull());
        return true;
    }
    return false;
}

std::u16string KvObjException::report() const {
    std::u16string first = message_;
    if (!detail_.empty()) first += u" (" + detail_ + u")";
    if (!hasTrace()) return first + u"\n";
    return trace_.file() + u":" + decimalText(trace_.line()) + u": " + first + u"\n" + trace_.lines();
}

// The message line, then one line per call of the trace.
KvBaseObject* KvObjException::printStacksMethod(const KvArgList&) {
    if (!runtimeSettings().printEnabled) return kvNull();
    std::u16string text = u"Exception: " + message_ + u"\r\n";
    if (hasTrace()) {
        for (char16_t c : trace_.lines()) {
            if (c == u'\n') text += u'\r';
            text += c;
        }
    }
    consoleWrite(text, kLevelNormal);
    return kvNull();
}

}  // namespace kestrel
