// The argument list every script-level method receives: a count and an array
// of that many values. A method never keeps the array; it takes a reference
// on any argument it stores. The helpers below are the shared conventions.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

class KvBaseObject;

struct KvArgList {
    int32_t count = 0;
    KvBaseObject** items = nullptr;

    // The argument at i, or none when the list is shorter.
    KvBaseObject* at(int32_t i) const { return (i >= 0 && i < count) ? items[i] : nullptr; }
};

// An absent argument or the null value reads as the empty text.
std::u16string argText(const KvArgList& args, int32_t i);
// A numeric argument is used only when it is a number; otherwise the fallback.
int32_t argInt(const KvArgList& args, int32_t i, int32_t fallback);
bool argIsNumber(const KvArgList& args, int32_t i);
// An absent or null flag takes the fallback; anything else its truth value.
bool argFlag(const KvArgList& args, int32_t i, bool fallback);

}  // namespace kestrel
