// The callback protocol over the value interface's invoke operation.
#include "objects/func_inner_caller.h"

#include "objects/base_object.h"
#include "objects/callback_raise.h"
#include "objects/shared_constants.h"

namespace kestrel {

KvBaseObject* KvFuncInnerCaller::callFunction(KvBaseObject* function, const KvArgList& args) {
    if (!function) {
        return kvNull();
    }
    for (int32_t i = 0; i < args.count; ++i) {
        if (args.items[i]) {
            args.items[i]->addRef();
        }
    }
    KvProxyPtr proxy = function->invoke(args);
    KvBaseObject* result = (proxy && proxy->object) ? proxy->object : kvNull();
    result->addRef();  // a callback may return one of its own arguments
    for (int32_t i = 0; i < args.count; ++i) {
        if (args.items[i] && args.items[i]->release()) {
            args.items[i] = kvNull();
        }
    }
    result->dropKeepAlive();
    return result;
}

bool KvFuncInnerCaller::isCallback(const KvBaseObject* function) {
    if (!function) return false;
    return function->tag() == kTagFunc ||
           (function->tag() == kTagField && function->isNativeCallable());
}

bool KvFuncInnerCaller::callbackRaised() {
    return kvCallbackRaised();
}

}  // namespace kestrel
