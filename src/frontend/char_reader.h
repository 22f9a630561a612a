// The normalising character reader: full-width and typographic punctuation
// reads as its ASCII counterpart. The text itself is never rewritten; a record
// carries both the character as typed and its normalised value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrel {

struct CharRecord {
    int32_t position = 0;
    bool valid = false;     // false at or past the end of the text
    int32_t width = 0;      // code units taken by the character: 1, or 0 when invalid
    char16_t ch = 0;        // normalised character
    std::u16string typed;   // the character as it stands in the text
};

// The ASCII character that the character at `position` stands for, or 0 when
// that character is not one of the 34 mapped ones (or the position is outside).
char16_t normaliseChar(const std::u16string& text, size_t position);

// The same mapping for one character.
char16_t normaliseChar(char16_t typed);

// Fills `record` for `position`; returns whether the record is valid.
bool readChar(const std::u16string& text, int64_t position, CharRecord& record);

// The value the tokenizer decides on: the mapped character, else the typed one.
inline char16_t normalisedValue(char16_t typed) {
    if (typed < 0x80) return typed;
    char16_t mapped = normaliseChar(typed);
    return mapped != 0 ? mapped : typed;
}

}  // namespace kestrel
