// An exception that a script callback raised while a native method was
// running (list "each", map "find", ...). The callable that ran the script
// parks the exception here; the native method sees it, stops calling back
// and returns; the machine that called the native method takes it and
// raises it at that call, where the script's handlers can catch it.
// One slot per thread: a native method runs to completion before another
// native call returns on the same thread.
#pragma once

namespace kestrel {

class KvBaseObject;

// Parks exception (takes one reference). A second park before the first was
// taken replaces it.
void kvParkCallbackRaise(KvBaseObject* exception);
// True while an exception is parked.
bool kvCallbackRaised();
// The parked exception with its reference (handed to the caller), or none.
KvBaseObject* kvTakeCallbackRaise();

}  // namespace kestrel
