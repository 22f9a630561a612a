// Releasing the values a dying container holds without recursing: a value
// that would die is queued, and the outermost release destroys the queue
// one value at a time, so a structure nested any depth is freed in a loop.
#pragma once

namespace kestrel {

class KvBaseObject;

void kvReleaseNested(KvBaseObject* value);

}  // namespace kestrel
