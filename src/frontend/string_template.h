// String templates: a string literal holding "{{expr}}" is rewritten at
// tokenizing time into string-buffer code whose tokens replace it; a plain
// string only has its escapes decoded. Generated tokens carry the string's position.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frontend/token.h"

namespace kestrel {

class Tokenizer;

// Templates inside templates deeper than this are refused (expandString
// returns false), so hostile input cannot exhaust the stack.
constexpr int kMaxTemplateDepth = 32;

// Appends the string token whose raw content `raw` stands at start..end
// (escapes decoded), or the tokens of its generated code, to `owner`'s list.
// False when tokenizing the generated code failed.
bool expandString(Tokenizer& owner, std::u16string_view raw, int32_t start, int32_t end, int32_t line);

// The string-buffer code that a template text becomes.
std::u16string templateCode(std::u16string_view text);

// Decodes \r \t \n \a \b \v \f \{ \} \xHH \oOO; any other escape keeps both
// characters; a backslash at the very end is dropped. Never grows the text.
std::u16string unescape(std::u16string_view text);

// The text without leading and trailing tabs (blanks stay).
std::u16string trimTabs(std::u16string_view text);

}  // namespace kestrel
