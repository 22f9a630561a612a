// The loader's report texts, each written once. They are printed as they
// stand (the shell and the tests match them), each as one line ending "\r\n".
#pragma once

#include <string>

namespace kestrel {

// A source file that cannot be read (absent, not a regular file, too large).
constexpr const char16_t* kCannotReadFilePrefix = u"Can't read file \"";
// A module found only as a compiled-module file that fails to read or verify.
constexpr const char16_t* kInvalidCompiledModulePrefix = u"Invalid compiled module \"";
// Closes the quoted path of both reports.
constexpr const char16_t* kQuotedPathEnd = u"\"\r\n";

inline std::u16string cannotReadFileReport(const std::u16string& path) {
    return kCannotReadFilePrefix + path + kQuotedPathEnd;
}

inline std::u16string invalidCompiledModuleReport(const std::u16string& path) {
    return kInvalidCompiledModulePrefix + path + kQuotedPathEnd;
}

}  // namespace kestrel
