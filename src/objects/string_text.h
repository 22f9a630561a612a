// The text algorithms behind the string methods, on plain UTF-16 strings so
// that each rule can be read (and tested) apart from argument handling.
// Positions are code units; "none" results are -1 or empty texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

// start/count as given by the script, both already defaulted to 0.
std::u16string textSub(const std::u16string& text, int32_t start, int32_t count);
// Bracket range s[a, b]: b inclusive, defaults a = 0 and b = -1.
std::u16string textRange(const std::u16string& text, int32_t a, int32_t b);
int32_t textIndexOf(const std::u16string& text, const std::u16string& needle, int32_t start);
// from > 0 searches from from - 1; otherwise from L - 1 + from (0: the end).
int32_t textLastIndexOf(const std::u16string& text, const std::u16string& needle, int32_t from);
std::vector<std::u16string> textSplit(const std::u16string& text, const std::u16string& separator,
                                      bool trimParts);
std::u16string textTrim(const std::u16string& text, bool left, bool right);
bool textStartsWith(const std::u16string& text, const std::u16string& prefix);
bool textEndsWith(const std::u16string& text, const std::u16string& suffix);
bool textContains(const std::u16string& text, const std::u16string& needle);
std::u16string textUpper(const std::u16string& text);
std::u16string textLower(const std::u16string& text);
std::u16string textReverse(const std::u16string& text);

struct TextReplace {
    std::u16string find;
    std::u16string with;
    bool all = true;
    int32_t start = 0;
    int32_t end = 0;  // 0: no end limit
};
// False when nothing changes (the method then returns its receiver).
bool textReplace(const std::u16string& text, const TextReplace& request, std::u16string& out);

// Replaces each unescaped "{i}" by values[i] (an odd run of backslashes
// before the placeholder escapes it).
std::u16string textFormat(const std::u16string& text, const std::vector<std::u16string>& values);

}  // namespace kestrel
