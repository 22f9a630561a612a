// The compile errors, each text written once. They are reported like parse
// errors, at the failing node's line and position.
#pragma once

namespace kestrel::msg {

inline constexpr char16_t kParensNotOneValue[] = u"Unknow token \"()\"";
inline constexpr char16_t kChainHeadNotVariable[] = u"loadVar: KvAstType_VarPipe\r\n";
inline constexpr char16_t kInvalidAssignTarget[] = u"Error assign target: the value can't be assigned";
inline constexpr char16_t kTooManyRegisters[] = u"Error too many nested switch or update expressions";

}  // namespace kestrel::msg
