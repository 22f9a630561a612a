// Type tags of script values and numeric kinds of numbers. A value's tag is
// fixed at construction; built-in type tests compare against these numbers.
#pragma once

#include <cstdint>

namespace kestrel {

enum KvTypeTag : int32_t {
    kTagNull = 0,
    kTagBool = 1,
    kTagNumber = 2,
    kTagString = 3,
    kTagFunc = 20,
    kTagClass = 21,
    kTagList = 25,
    kTagMap = 26,
    kTagLocalObject = 30,
    kTagField = 32,
    kTagPosField = 33,
    kTagException = 34,
    kTagRegex = 35,
    kTagEachCursor = 36,  // the machine's for-each position; never seen by scripts
    kTagModule = 50,
    kTagModuleFunction = 51,
    kTagModuleClass = 52,
    kTagModuleObject = 53,
    kTagBytes = 54,
};

// Ordered: arithmetic computes in the larger kind of its two operands.
enum KvNumberKind : int32_t {
    kKindInt = 11,
    kKindFloat = 12,
    kKindLong = 13,
    kKindDouble = 14,
};

}  // namespace kestrel
