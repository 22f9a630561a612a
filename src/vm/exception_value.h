// Script exceptions (tag 34): a message and an optional extra value (one
// counted reference). The machine raises them for its own errors and for
// `throw`; handlers receive them on the operand stack. The first raise
// records where it happened and the calls active then (the trace), which
// scripts read as "file", "line" and "stack" and the report of an uncaught
// exception prints.
#pragma once

#include <string>

#include "objects/base_object.h"
#include "objects/func_inner_caller.h"
#include "vm/source_position.h"

namespace kestrel {

class KvObjException final : public KvBaseObject, protected KvFuncInnerCaller {
public:
    explicit KvObjException(std::u16string message);
    ~KvObjException() override;

    std::u16string toString() const override { return message_; }
    std::u16string detailString(int32_t) const override { return message_; }
    KvBaseObject* getBuiltinProperty(int32_t id) override;
    bool setBuiltinProperty(int32_t id, KvBaseObject* value) override;

    const std::u16string& message() const { return message_; }
    void setMessage(std::u16string message) { message_ = std::move(message); }
    KvBaseObject* extra() const { return extra_.get(); }
    void setExtra(KvBaseObject* value) { extra_ = KvValueRef::retain(value); }

    // Where the exception was first raised; empty until then.
    const CallTrace& trace() const { return trace_; }
    bool hasTrace() const { return !trace_.empty(); }
    void setTrace(CallTrace trace) { trace_ = std::move(trace); }
    // What the report adds to the message (for a failed call: what was
    // called and what it was); not part of the message scripts see.
    const std::u16string& detail() const { return detail_; }
    void setDetail(std::u16string detail) { detail_ = std::move(detail); }
    // The report of an uncaught exception for standard error:
    // "FILE:LINE: message" (with the detail in parentheses), then the trace.
    std::u16string report() const;

    // Script method "printStacks".
    KvBaseObject* printStacksMethod(const KvArgList& args);

private:
    KvValueRef extra_;  // never empty (null when none was given)
    std::u16string message_;
    std::u16string detail_;
    CallTrace trace_;
};

// Registers "message" (id 1), "extra" (id 2), "line" (id 3), "file" (id 4),
// "stack" (id 5) and "printStacks" (id 100); later calls do nothing.
void registerExceptionMembers();

}  // namespace kestrel
