// Every message text of the parser (statements, expressions and the string
// templates the tokenizer expands), written once. The texts are part of the
// language's user interface and are matched exactly by scripts and tests.
#pragma once

namespace kestrel::msg {

// Expression reduction (parser/expression_parser.cpp).
inline constexpr char16_t kNotOperand[] = u"Error expression(!)";
inline constexpr char16_t kLeadingArithmetic[] = u"Error expression(CallNumberOperator)";
inline constexpr char16_t kBoolExpression[] = u"Error bool expression";
inline constexpr char16_t kTrailingArithmetic[] = u"末尾位置为数值运算符：不允许";
inline constexpr char16_t kExpression[] = u"Error expression";
inline constexpr char16_t kBitToken[] = u"Error expression(BitToken)";
// A string template that the tokenizer could not expand.
inline constexpr char16_t kStringTemplate[] = u"Error string template";

// Statements.

inline constexpr char16_t kSetValue[] = u"Error set value expression";
inline constexpr char16_t kExpressionDefine[] = u"Error expression define";
inline constexpr char16_t kParenExpression[] = u"Error \"()\" expression";
inline constexpr char16_t kBracketNotClosed[] = u"Not found end symbol \")/]\"";
inline constexpr char16_t kBraceNotClosed[] = u"Not found end symbol \"}\"";
inline constexpr char16_t kBraceWrongEnd[] = u"未找到“}”结束符";
inline constexpr char16_t kTernaryNoHead[] = u"Error no head befor \"?\"";
inline constexpr char16_t kTernaryIncomplete[] = u"三元选择定义不完整";
inline constexpr char16_t kUnexpectedToken[] = u"Error unexpected token";
inline constexpr char16_t kNestingTooDeep[] = u"Error nesting too deep";

inline constexpr char16_t kIfNoCondition[] = u"if条件定义不能为空";
inline constexpr char16_t kIfIncomplete[] = u"if定义不完整";
inline constexpr char16_t kIfNoThen[] = u"if内容段定义不能为空";
inline constexpr char16_t kIfNoElse[] = u"else内容段定义不能为空";
inline constexpr char16_t kDoNoBody[] = u"do内容段定义不能为空";
inline constexpr char16_t kDoNoCondition[] = u"do逻辑的while条件验证不能为空";
inline constexpr char16_t kWhileNoCondition[] = u"while条件验证不能为空";
inline constexpr char16_t kWhileNoBody[] = u"while内容段不能为空";
inline constexpr char16_t kWhileBadCondition[] = u"while条件验证格式不正确";

inline constexpr char16_t kForInit[] = u"Error define for loop init params";
inline constexpr char16_t kForTest[] = u"Error define for loop test param";
inline constexpr char16_t kForEnd[] = u"Error define for loop end params";
inline constexpr char16_t kForBody[] = u"Error define for loop body";
inline constexpr char16_t kEachRange[] = u"Error define for each range param";
inline constexpr char16_t kEachRangeEnd[] = u"Error define for each range params";
inline constexpr char16_t kEachBodyEnd[] = u"Error define for each body params";
inline constexpr char16_t kEachBody[] = u"Error define for each body";

inline constexpr char16_t kVarNoName[] = u"Error variable defined: no name";
inline constexpr char16_t kVarInit[] = u"Error variable defined: initilized error";
inline constexpr char16_t kVarIncomplete[] = u"变量定义不完整";
inline constexpr char16_t kTupleFormat[] = u"变量定义格式错误";
inline constexpr char16_t kTupleNoAssign[] = u"元祖变量赋值错误，必须定义初始值";
inline constexpr char16_t kTupleNoValue[] = u"Wraped var define must with value";

inline constexpr char16_t kNewDefine[] = u"Error new object defined";
inline constexpr char16_t kNewNoName[] = u"Please enter class name after 'new'";
inline constexpr char16_t kNewParams[] = u"New object param error";
inline constexpr char16_t kThrowNoValue[] = u"No message found after throw expression";
inline constexpr char16_t kParamAfterComma[] = u"Error param after \",\"";

inline constexpr char16_t kTryBlock[] = u"Error try block define";
inline constexpr char16_t kCatchBlock[] = u"Error catch block define";
inline constexpr char16_t kFinallyBlock[] = u"Error finally block define";

inline constexpr char16_t kSwitchTest[] = u"Error switch test define";
inline constexpr char16_t kSwitchDefine[] = u"Error switch define";
inline constexpr char16_t kSwitchNoBrace[] = u"Error switch body define: not found '{'";
inline constexpr char16_t kSwitchNoCaseValue[] = u"Error switch case item define: case item not found";
inline constexpr char16_t kSwitchNoColon[] = u"Error switch case item define: case item not finished, please append ':'";
inline constexpr char16_t kSwitchBeforeCase[] = u"Error switch case item define";
inline constexpr char16_t kSwitchBody[] = u"Error switch body define";

inline constexpr char16_t kFuncDefine[] = u"Error function define";
inline constexpr char16_t kFuncParams[] = u"Error function params define";
inline constexpr char16_t kFuncBody[] = u"Error function body define";

inline constexpr char16_t kClassNoName[] = u"Can't find class name";
inline constexpr char16_t kClassNoBody[] = u"Can't find class body";
inline constexpr char16_t kClassExtends[] = u"Error class extends define";
inline constexpr char16_t kClassImplements[] = u"Error class implements define";
inline constexpr char16_t kClassProperties[] = u"Error class properties define";
inline constexpr char16_t kClassBodyEnd[] = u"Error class body define";
inline constexpr char16_t kClassMember[] = u"Class body only define var or func ";

inline constexpr char16_t kLambdaNoParams[] = u"Error lambda function params define";
inline constexpr char16_t kLambdaBadParams[] = u"Error lambde function params define";
inline constexpr char16_t kLambdaBody[] = u"Error lambde function body define";

inline constexpr char16_t kImportNoFile[] = u"Error import define: no file name";
inline constexpr char16_t kImportFile[] = u"Error import file defined";
inline constexpr char16_t kImportEndDot[] = u"Error import define: end word is '.'";
inline constexpr char16_t kImportDefine[] = u"Error import define";
inline constexpr char16_t kImportNoField[] = u"Error import define: no select field";
inline constexpr char16_t kImportBadField[] = u"Error import define: error select field";
inline constexpr char16_t kImportEndComma[] = u"Error import define: end word is ','";
inline constexpr char16_t kImportNickname[] = u"Error import define: error field nickname";

}  // namespace kestrel::msg
