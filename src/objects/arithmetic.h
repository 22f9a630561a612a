// The two-operand arithmetic of the machine. Numbers combine in the larger of
// their kinds (int < float < long < double); "%" and "\" compute in int for
// int/float and in long for long/double. Integer division by zero is reported
// through the status, never computed; everything else is defined behaviour
// (two's-complement wrapping, MIN / -1 = MIN, MIN % -1 = 0).
#pragma once

#include <cstdint>

namespace kestrel {

class KvBaseObject;
class KvObjNumber;

enum class KvArithOp : int32_t {
    Add,
    Subtract,
    Multiply,
    Divide,
    Modulo,
    IntegerDivide,  // the backslash operator
};

enum class KvArithStatus : int32_t {
    Ok,
    DivideByZero,  // no result; the machine raises its divide-by-zero exception
};

struct KvArithResult {
    KvArithStatus status = KvArithStatus::Ok;
    KvBaseObject* value = nullptr;  // a new number or a shared constant; none on error
};

KvArithResult kvNumberArithmetic(KvArithOp op, const KvObjNumber& left, const KvObjNumber& right);

// Any two values: numbers as above; Add with a string operand concatenates
// the text forms; otherwise Add yields null and the others the integer 0.
// The operands are not released here.
KvArithResult kvArithmetic(KvArithOp op, KvBaseObject* left, KvBaseObject* right);

}  // namespace kestrel
