// Messages, members and text forms of script exceptions.
#include "vm/exception_value.h"

#include "objects/member_registry.h"
#include "objects/shared_constants.h"
#include "objects/string_value.h"
#include "host/console_queue.h"
#include "host/runtime_settings.h"

namespace kestrel {

void registerExceptionMembers() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    memberRegistry().registerProperty(kTagException, u"message");
    memberRegistry().registerProperty(kTagException, u"extra");  // id 2: the second operand of throw
    memberRegistry().registerMethod(kTagException, u"printStacks",
                                    kvMethod(&KvObjException::printStacksMethod));
}

KvObjException::KvObjException(std::u16string message)
    : extra_(kvOwnedOrNull(nullptr)), message_(std::move(message)) {
    setTag(kTagException);
    registerExceptionMembers();
}

KvObjException::~KvObjException() = default;

KvBaseObject* KvObjException::getBuiltinProperty(int32_t id) {
    if (id == 1) return new KvObjString(message_);
    if (id == 2) return extra_.get();
    return kvNull();
}

bool KvObjException::setBuiltinProperty(int32_t id, KvBaseObject* value) {
    if (id == 1) {
        message_ = value ? value->toString() : std::u16string();
        return true;
    }
    if (id == 2) {
        setExtra(value ? value : kvNull());
        return true;
    }
    return false;
}

KvBaseObject* KvObjException::printStacksMethod(const KvArgList&) {
    if (runtimeSettings().printEnabled) consoleWrite(u"Exception: " + message_ + u"\r\n", kLevelNormal);
    return kvNull();
}

}  // namespace kestrel
