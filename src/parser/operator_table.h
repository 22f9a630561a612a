// The operator tables of the expression parser: boolean operators with their
// level (2 binds tightest) and code, and the two levels of arithmetic operators.
// The tables are fixed once built and safe to read from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

struct BoolOperatorInfo {
    int32_t level;
    int32_t code;
};

// Code stored in every arithmetic operator payload.
constexpr int32_t kArithmeticOperatorCode = 9;

// Builds the tables; called once by start-up, harmless to call again.
void loadOperatorTables();

// Level and code of a boolean operator; texts not in the table join their
// operands like "&&" (level 0, code 0).
BoolOperatorInfo boolOperatorInfo(std::u16string_view text);

// True for the six single-character arithmetic operators - + % / * and backslash.
bool isArithmeticOperator(std::u16string_view text);

// 0 for "+" and "-", 1 for "*", "/", "%" and backslash; equal levels group left to right.
int32_t arithmeticLevel(std::u16string_view text);

// The arithmetic operator of a compound assignment ("+=" gives "+"), or empty.
std::u16string compoundAssignmentOperator(std::u16string_view text);

}  // namespace kestrel
