// How a native method hands its result back, in one place: today a raw
// pointer that is a shared constant, a new value at count 0 (a temporary the
// caller owns), or a value that the receiver or one of its containers holds.
// Method bodies say which of these they return through these helpers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "objects/base_object.h"
#include "objects/shared_constants.h"

namespace kestrel {

inline KvBaseObject* resultNull() { return kvNull(); }
inline KvBaseObject* resultBool(bool value) { return kvBool(value); }
// A count that does not fit an int reads as the largest int.
inline KvBaseObject* resultCount(std::size_t count) {
    return kvInt(count > INT32_MAX ? INT32_MAX : static_cast<int32_t>(count));
}
// A value made for this result (count 0); none (out of memory) reads as null.
inline KvBaseObject* resultNew(KvBaseObject* fresh) { return fresh ? fresh : kvNull(); }
// A value that something else holds (an element, an entry, the receiver).
inline KvBaseObject* resultHeld(KvBaseObject* held) { return held ? held : kvNull(); }

}  // namespace kestrel
