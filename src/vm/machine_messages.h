// The machine's run-time error texts, each written once. They become the
// messages of script exceptions, which scripts catch and print and tests
// match exactly, so a text changes only with the language's interface.
// "Faild" is the spelling scripts have always seen.
#pragma once

#include <string>

namespace kestrel {

// Call and Construct on a value that cannot be called.
constexpr const char16_t* kNotFunctionMessage = u"Object is not function";
// A name that no context of the chain declares (calls, LoadName).
constexpr const char16_t* kObjectNotFoundPrefix = u"Object not found. name: ";
// Integer Divide, Modulo and IntegerDivide by zero.
constexpr const char16_t* kDivideByZeroMessage = u"Divide by zero";
// A call, class body or import that would pass the frame limit.
constexpr const char16_t* kFrameLimitMessage = u"Call stack overflow: too many nested calls";
// An import whose module cannot be found, compiled or loaded.
constexpr const char16_t* kLoadModuleFailedPrefix = u"Faild load module '";
constexpr const char16_t* kLoadModuleFailedSuffix = u"'";
// An allocation failed where the machine can go on (memory ran out).
constexpr const char16_t* kOutOfMemoryMessage16 = u"Out of memory";
// New on a value that cannot make instances, or a class that is its own base.
constexpr const char16_t* kClassNamePrefix = u"Class \"";
constexpr const char16_t* kClassNotExistsSuffix = u"\" not exists!";
constexpr const char16_t* kClassInheritsItselfSuffix = u"\" inherits from itself";
constexpr const char16_t* kClassTooDeepSuffix = u"\" has more levels of base classes than ";

inline std::u16string objectNotFoundMessage(const std::u16string& name) { return kObjectNotFoundPrefix + name; }

inline std::u16string loadModuleFailedMessage(const std::u16string& name) {
    return kLoadModuleFailedPrefix + name + kLoadModuleFailedSuffix;
}

inline std::u16string classNotExistsMessage(const std::u16string& name) {
    return kClassNamePrefix + name + kClassNotExistsSuffix;
}

inline std::u16string classInheritsFromItselfMessage(const std::u16string& name) {
    return kClassNamePrefix + name + kClassInheritsItselfSuffix;
}

// "Class "Name" has more levels of base classes than 10000".
inline std::u16string classTooDeepMessage(const std::u16string& name, int64_t limit) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + limit % 10));
        limit /= 10;
    } while (limit > 0);
    return kClassNamePrefix + name + kClassTooDeepSuffix + digits;
}

}  // namespace kestrel
