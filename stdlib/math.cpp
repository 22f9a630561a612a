// The "math" module: rounding, powers, roots, trigonometry, the smallest and
// largest of numbers, and a seedable random sequence. A non-number argument
// where a number is needed gives null. floor, ceil and round give integers
// (an int when it fits, else a long); the other functions give doubles.
#include <cmath>
#include <cstdint>
#include <random>

#include "stdlib_runtime.h"

namespace kestrel::stdlib {

namespace {

constexpr double kPi = 3.14159265358979323846;

const KvValueApi& values() {
    return *runtime().values;
}

bool isNumber(KvValue* value) {
    return ext::isNumber(runtime(), value);
}

bool isIntegerKind(KvValue* value) {
    int32_t kind = values().numberKind(value);
    return kind == KV_KIND_INT || kind == KV_KIND_LONG;
}

KvValue* integerResult(int64_t value) {
    if (value >= INT32_MIN && value <= INT32_MAX) return values().newInt(static_cast<int32_t>(value));
    return values().newLong(value);
}

// A whole double as an integer where one holds it; NaN, the infinities and
// values beyond a long stay doubles.
KvValue* wholeResult(double value) {
    if (std::isfinite(value) && value >= -9223372036854775808.0 && value < 9223372036854775808.0) {
        return integerResult(static_cast<int64_t>(value));
    }
    return values().newDouble(value);
}

template <double (*Round)(double)>
KvValue* rounding(const KvArgs* args) {
    KvValue* x = ext::arg(args, 0);
    if (!isNumber(x)) return nullptr;
    if (isIntegerKind(x)) return integerResult(values().toLong(x));
    return wholeResult(Round(values().toDouble(x)));
}

template <double (*Function)(double)>
KvValue* unary(const KvArgs* args) {
    KvValue* x = ext::arg(args, 0);
    return isNumber(x) ? values().newDouble(Function(values().toDouble(x))) : nullptr;
}

double floorOf(double x) { return std::floor(x); }
double ceilOf(double x) { return std::ceil(x); }
double roundOf(double x) { return std::round(x); }
double sqrtOf(double x) { return std::sqrt(x); }
double sinOf(double x) { return std::sin(x); }
double cosOf(double x) { return std::cos(x); }
double logOf(double x) { return std::log(x); }
double expOf(double x) { return std::exp(x); }

KvValue* power(const KvArgs* args) {
    KvValue* base = ext::arg(args, 0);
    KvValue* exponent = ext::arg(args, 1);
    if (!isNumber(base) || !isNumber(exponent)) return nullptr;
    return values().newDouble(std::pow(values().toDouble(base), values().toDouble(exponent)));
}

// Integers stay integers (the magnitude of the smallest int is a long, of
// the smallest long a double); floating kinds give doubles.
KvValue* absolute(const KvArgs* args) {
    KvValue* x = ext::arg(args, 0);
    if (!isNumber(x)) return nullptr;
    if (!isIntegerKind(x)) return values().newDouble(std::fabs(values().toDouble(x)));
    int64_t v = values().toLong(x);
    if (v == INT64_MIN) return values().newDouble(9223372036854775808.0);
    return integerResult(v < 0 ? -v : v);
}

// True when a orders before b; two integers compare exactly.
bool less(KvValue* a, KvValue* b) {
    if (isIntegerKind(a) && isIntegerKind(b)) return values().toLong(a) < values().toLong(b);
    return values().toDouble(a) < values().toDouble(b);
}

// The first extreme number among the arguments (non-numbers are passed
// over); null when there is none. The argument itself is the answer.
template <bool Largest>
KvValue* extreme(const KvArgs* args) {
    KvValue* best = nullptr;
    for (int32_t i = 0; args && i < args->count; ++i) {
        KvValue* x = args->items[i];
        if (!isNumber(x)) continue;
        if (!best || (Largest ? less(best, x) : less(x, best))) best = x;
    }
    return best;
}

KvValue* pi(const KvArgs*) {
    return values().newDouble(kPi);
}

std::mt19937_64& engine() {
    static std::mt19937_64 generator{std::random_device{}()};
    return generator;
}

// 53 random bits scaled into [0, 1).
KvValue* random(const KvArgs*) {
    return values().newDouble(static_cast<double>(engine()() >> 11) * 0x1.0p-53);
}

// seed(n): the same n gives the same sequence of random() from here on.
KvValue* seed(const KvArgs* args) {
    engine().seed(static_cast<uint64_t>(ext::argLong(runtime(), args, 0, 0)));
    return nullptr;
}

const KvFunctionEntry kFunctions[] = {
    {"floor", "floor(x): the largest integer not above x", rounding<floorOf>},
    {"ceil", "ceil(x): the smallest integer not below x", rounding<ceilOf>},
    {"round", "round(x): the nearest integer, halves away from zero", rounding<roundOf>},
    {"sqrt", "sqrt(x)", unary<sqrtOf>},
    {"pow", "pow(base, exponent)", power},
    {"abs", "abs(x)", absolute},
    {"min", "min(x, ...): the smallest number", extreme<false>},
    {"max", "max(x, ...): the largest number", extreme<true>},
    {"sin", "sin(x), x in radians", unary<sinOf>},
    {"cos", "cos(x), x in radians", unary<cosOf>},
    {"log", "log(x): the natural logarithm", unary<logOf>},
    {"exp", "exp(x)", unary<expOf>},
    {"pi", "pi()", pi},
    {"random", "random(): a double in [0, 1)", random},
    {"seed", "seed(n): restarts random() at a repeatable point", seed},
};

const KvModuleDescriptor kMath = {
    KESTREL_EXTENSION_LAYOUT_VERSION, "math: numeric functions",
    kFunctions, sizeof(kFunctions) / sizeof(kFunctions[0]), nullptr, 0,
};

}  // namespace

const KvModuleDescriptor* mathModule() {
    return &kMath;
}

}  // namespace kestrel::stdlib
