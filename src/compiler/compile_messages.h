// The compile errors of the compiler layer, each text written once. They are
// reported like parse errors, at the failing node's line and position. Too
// deep nesting is reported in the parser's words (msg::kNestingTooDeep, from
// parser_messages.h, included here), since it is the same limit to a user.
#pragma once

#include "parser/parser_messages.h"

namespace kestrel::msg {

inline constexpr char16_t kParensNotOneValue[] = u"Unknow token \"()\"";
inline constexpr char16_t kChainHeadNotVariable[] = u"loadVar: KvAstType_VarPipe\r\n";
inline constexpr char16_t kInvalidAssignTarget[] = u"Error assign target: the value can't be assigned";
inline constexpr char16_t kTooManyRegisters[] =
    u"Error too many nested switch, for-each, tuple or update expressions";
inline constexpr char16_t kBitOperands[] =
    u"Error bit expression: \"~\" takes one operand after it, the other bit operators one on each side";

}  // namespace kestrel::msg
