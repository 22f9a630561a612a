// UTF-8 <-> UTF-16 conversion for every text that crosses the program's edges
// (console, JSON files, byte buffers). Invalid input is skipped, never fatal.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

std::u16string fromUtf8(const std::string& text);
std::string toUtf8(const std::u16string& text);

// True when text is well-formed UTF-8: no stray or missing continuation
// bytes, no overlong forms, no encoded surrogates, nothing above U+10FFFF.
bool isValidUtf8(const std::string& text);

// A whole number in decimal digits, with "-" when negative.
std::u16string decimalText(int64_t value);

// The longest decimalText: a sign and 19 digits.
constexpr int kMaxDecimalUnits = 20;

// Writes decimalText(value) so that it ends just before end (which has at
// least kMaxDecimalUnits units before it) and returns where it starts: the
// text without a string of its own.
char16_t* decimalTextBefore(int64_t value, char16_t* end);

}  // namespace kestrel
