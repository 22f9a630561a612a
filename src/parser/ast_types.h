// The node types of the syntax tree: one list gives each type its fixed number,
// which the compiler and the name-resolution pass rely on, and its printed name.
// Numbers never change; new types are appended above the highest one.
#pragma once

#include <cstdint>

namespace kestrel {

// X(name, number). Types marked "Reserved" are never built by the parser but
// may appear in trees made by later passes.
#define KV_AST_TYPE_LIST(X) \
    X(Program, 4)           \
    X(Null, 5)              \
    X(Number, 6)            \
    X(Bool, 7)              \
    X(String, 8)            \
    X(Var, 9)               \
    X(Ternary, 10)          \
    X(TupleVarDefine, 11)   \
    X(VarDefine, 12)        \
    X(FuncDefine, 13)       \
    X(ClassDefine, 14)      \
    X(New, 15)              \
    X(Throw, 16)            \
    X(Return, 17)           \
    X(Try, 18)              \
    X(If, 19)               \
    X(For, 20)              \
    X(ForEach, 21)          \
    X(DoWhile, 22)          \
    X(While, 23)            \
    X(Switch, 24)           \
    X(Break, 25)            \
    X(Continue, 26)         \
    X(Reserved27, 27)       \
    X(Reserved28, 28)       \
    X(Reserved29, 29)       \
    X(PreIncrement, 30)     \
    X(PostIncrement, 31)    \
    X(PreDecrement, 32)     \
    X(PostDecrement, 33)    \
    X(Assign, 34)           \
    X(BitOp, 35)            \
    X(NumberOp, 36)         \
    X(Reserved37, 37)       \
    X(BoolOp, 38)           \
    X(VarPipe, 39)          \
    X(Reserved40, 40)       \
    X(Reserved41, 41)       \
    X(Map, 42)              \
    X(Brackets, 43)         \
    X(Reserved44, 44)       \
    X(Reserved45, 45)       \
    X(Parens, 46)           \
    X(ParamNames, 47)       \
    X(Params, 48)           \
    X(Block, 49)            \
    X(Reserved50, 50)       \
    X(Reserved51, 51)       \
    X(Reserved52, 52)       \
    X(Reserved53, 53)       \
    X(VarDefineList, 54)    \
    X(Reserved55, 55)       \
    X(Reserved56, 56)       \
    X(Import, 57)           \
    X(NotExpr, 58)          \
    X(CompoundAssign, 59)

enum KvAstType : uint32_t {
#define KV_AST_TYPE_ENUM(name, number) KvAstType_##name = number,
    KV_AST_TYPE_LIST(KV_AST_TYPE_ENUM)
#undef KV_AST_TYPE_ENUM
};

// The name without its prefix ("VarPipe"), or "Unknown" for a number not in the list.
const char* astTypeName(uint32_t type);

}  // namespace kestrel
