// Lets a native method call back into a script function given as an argument
// (list "each"/"find"/"conv", replacement through a function). Non-polymorphic.
#pragma once

#include "objects/arg_list.h"
#include "objects/value_ref.h"

namespace kestrel {

class KvBaseObject;

class KvFuncInnerCaller {
protected:
    // Each argument is held for the call and released afterwards (and replaced
    // by null in args when that destroyed it). The result is owned by the
    // caller, never empty (so it survives even when it is one of the
    // arguments); a missing function yields null.
    KvValueRef callFunction(KvBaseObject* function, const KvArgList& args);
};

}  // namespace kestrel
