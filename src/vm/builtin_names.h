// The built-in functions by name and fixed index, and the table of their
// implementations. The name-resolution pass rewrites calls of these names into
// built-in calls carrying the index; the machine calls the function at that
// index, which the modules layer registers at start-up. Indexes are stored in
// compiled modules and never change.
#pragma once

#include <cstdint>
#include <string>

#include "objects/arg_list.h"
#include "objects/value_ref.h"

namespace kestrel {

#define KESTREL_BUILTINS(X)          \
    X(print, 0)                      \
    X(enablePrint, 1)                \
    X(isNull, 2)                     \
    X(isBool, 3)                     \
    X(isNumber, 4)                   \
    X(isInt, 5)                      \
    X(isInteger, 6)                  \
    X(isLong, 7)                     \
    X(isFloat, 8)                    \
    X(isDouble, 9)                   \
    X(isString, 10)                  \
    X(isBytes, 11)                   \
    X(isList, 12)                    \
    X(isMap, 13)                     \
    X(isClass, 14)                   \
    X(isFunction, 15)                \
    X(isSourceObject, 16)            \
    X(isModuleObject, 17)            \
    X(isModuleStreamObject, 18)

constexpr int32_t kBuiltinCount = 19;

// The index of a built-in, or -1 when the name is not one.
int32_t builtinIndex(const std::u16string& name);

// The name at an index, or null outside the table.
const char16_t* builtinName(int32_t index);

class KvBaseObject;

// A built-in receives its arguments and returns a shared constant or a new
// value (null stands for "no result").
using KvBuiltinFunction = KvBaseObject* (*)(const KvArgList& args);

// Installs the implementations, kBuiltinCount of them in index order.
void setBuiltinFunctions(const KvBuiltinFunction* functions);

// Calls the built-in at index and owns its result (never empty); null
// outside the table or before the implementations were installed.
KvValueRef callBuiltinFunction(int32_t index, const KvArgList& args);

}  // namespace kestrel
