// Lets a native method call back into a script function given as an argument
// (list "each"/"find"/"conv", map "each"/"find", replacement through a
// function). Non-polymorphic. A callback that raised leaves its exception
// parked (objects/callback_raise.h): the method stops calling back and
// returns, and the machine raises the exception at the method's call.
#pragma once

#include "objects/arg_list.h"

namespace kestrel {

class KvBaseObject;

class KvFuncInnerCaller {
protected:
    // Each argument is held for the call and released afterwards (and replaced
    // by null in args when that destroyed it). The result, never none, survives
    // even when it is one of the arguments; a missing function yields null.
    // The result is a temporary (count 0) unless something else holds it.
    KvBaseObject* callFunction(KvBaseObject* function, const KvArgList& args);
    // "find" and "each" call only a script function (tag 20) or a field bound
    // to a native method.
    static bool isCallback(const KvBaseObject* function);
    // A callback has raised: no further callback may run.
    static bool callbackRaised();
};

}  // namespace kestrel
