// The shared constants: one null, true, false and the integers 0..255 and -1.
// They are created once, never counted (count -1), never destroyed and never
// taken from the value pool. Every null/true/false/small int result is one of them.
#pragma once

#include <cstdint>

namespace kestrel {

class KvBaseObject;
class KvObjInt;

struct KvSharedConstants {
    KvBaseObject* null;
    KvBaseObject* trueValue;
    KvBaseObject* falseValue;
    KvObjInt* ints[257];  // ints[v + 1] holds v, for v in -1..255
};

const KvSharedConstants& sharedConstants();

// The constants once made (null before): the accessors below read them
// without a call on every use after the first.
inline const KvSharedConstants* madeSharedConstants = nullptr;
inline const KvSharedConstants& sharedConstantsFast() {
    const KvSharedConstants* made = madeSharedConstants;
    return __builtin_expect(made != nullptr, 1) ? *made : sharedConstants();
}

inline KvBaseObject* kvNull() { return sharedConstantsFast().null; }
inline KvBaseObject* kvTrue() { return sharedConstantsFast().trueValue; }
inline KvBaseObject* kvFalse() { return sharedConstantsFast().falseValue; }
inline KvBaseObject* kvBool(bool value) { return value ? kvTrue() : kvFalse(); }

constexpr int32_t kSmallestSharedInt = -1;
constexpr int32_t kLargestSharedInt = 255;

inline bool isSharedIntValue(int32_t value) {
    return value >= kSmallestSharedInt && value <= kLargestSharedInt;
}

// The integer factory: the shared object for -1..255, a new int otherwise
// (none when the pool is out of memory).
KvBaseObject* kvInt(int32_t value);

// Start-up: creates the pool on the calling thread (which becomes its owner),
// the constants and the core member tables. Later calls do nothing.
void initObjectModel();

}  // namespace kestrel
