// Script exceptions (tag 34): a message and an optional extra value (one
// counted reference). The machine raises them for its own errors and for
// `throw`; handlers receive them on the operand stack.
#pragma once

#include <string>

#include "objects/base_object.h"
#include "objects/func_inner_caller.h"

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

    // Script method "printStacks".
    KvBaseObject* printStacksMethod(const KvArgList& args);

private:
    KvValueRef extra_;  // never empty (null when none was given)
    std::u16string message_;
};

// Registers "message" (id 1), "extra" (id 2) and "printStacks" (id 100); later calls do nothing.
void registerExceptionMembers();

}  // namespace kestrel
