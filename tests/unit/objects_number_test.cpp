// Numbers: the arithmetic table with its integer edge cases, division by
// zero reporting, equality and ordering across kinds, conversions, texts,
// byte forms, literal parsing and the number script methods.
#include <cmath>
#include <cstdio>
#include <limits>

#include "objects/arithmetic.h"
#include "objects/bit_operations.h"
#include "objects/bytes_value.h"
#include "objects/number_floating.h"
#include "objects/number_integer.h"
#include "objects/number_literal.h"
#include "vm/machine_messages.h"
#include "objects/string_value.h"
#include "objects_test_support.h"

namespace kestrel::testing {
namespace {

KvBaseObject* makeLong(int64_t v) { return new KvObjLong(v); }
KvBaseObject* makeFloat(float v) { return new KvObjFloat(v); }
KvBaseObject* makeDouble(double v) { return new KvObjDouble(v); }

KvObjNumber* num(const Ref& r) { return static_cast<KvObjNumber*>(r.get()); }

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int64_t kLongMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kLongMax = std::numeric_limits<int64_t>::max();

class ArithmeticTest : public ObjectsTest {
protected:
    // Runs op on two owned operands and holds the result.
    Ref apply(KvArithOp op, KvBaseObject* left, KvBaseObject* right) {
        Ref l(left), r(right);
        KvArithResult result = kvArithmetic(op, l.get(), r.get());
        EXPECT_EQ(result.status, KvArithStatus::Ok);
        return Ref(result.value);
    }
    KvArithStatus status(KvArithOp op, KvBaseObject* left, KvBaseObject* right) {
        Ref l(left), r(right);
        KvArithResult result = kvArithmetic(op, l.get(), r.get());
        Ref held(result.value);
        return result.status;
    }
};

TEST_F(ArithmeticTest, IntDivisionRemainderAndFloatDivision) {
    Ref q = apply(KvArithOp::Divide, kvInt(7), kvInt(2));
    EXPECT_EQ(q.get(), kvInt(3));
    Ref f = apply(KvArithOp::Divide, makeFloat(7.0f), kvInt(2));
    EXPECT_EQ(num(f)->kind(), kKindFloat);
    EXPECT_EQ(num(f)->toDouble(), 3.5);
    Ref r = apply(KvArithOp::Modulo, kvInt(-7), kvInt(2));
    EXPECT_EQ(r.get(), kvInt(-1)) << "the remainder takes the left operand's sign";
    Ref m = apply(KvArithOp::Modulo, makeFloat(7.5f), kvInt(2));
    EXPECT_EQ(m.get(), kvInt(1)) << "% on floats computes on the int values";
    Ref backslash = apply(KvArithOp::IntegerDivide, makeDouble(7.9), kvInt(2));
    EXPECT_EQ(num(backslash)->kind(), kKindLong);
    EXPECT_EQ(num(backslash)->toLong(), 3);
}

TEST_F(ArithmeticTest, ResultKindIsTheLargerKind) {
    Ref sum = apply(KvArithOp::Add, makeFloat(1.5f), makeFloat(1.25f));
    EXPECT_EQ(num(sum)->kind(), kKindFloat);
    EXPECT_EQ(sum.text(), "2.750000");
    Ref mixed = apply(KvArithOp::Add, makeFloat(2.5f), makeLong(123456789));
    EXPECT_EQ(num(mixed)->kind(), kKindLong);
    EXPECT_EQ(num(mixed)->toLong(), 123456791);
    Ref wide = apply(KvArithOp::Multiply, kvInt(3), makeDouble(0.5));
    EXPECT_EQ(num(wide)->kind(), kKindDouble);
    EXPECT_EQ(num(wide)->toDouble(), 1.5);
}

TEST_F(ArithmeticTest, IntegersWrapInTwosComplement) {
    Ref sum = apply(KvArithOp::Add, kvInt(kIntMax), kvInt(1));
    EXPECT_EQ(num(sum)->toInt(), kIntMin);
    Ref diff = apply(KvArithOp::Subtract, kvInt(kIntMin), kvInt(1));
    EXPECT_EQ(num(diff)->toInt(), kIntMax);
    Ref product = apply(KvArithOp::Multiply, kvInt(65536), kvInt(65536));
    EXPECT_EQ(product.get(), kvInt(0));
    Ref longSum = apply(KvArithOp::Add, makeLong(kLongMax), kvInt(1));
    EXPECT_EQ(num(longSum)->toLong(), kLongMin);
    Ref longProduct = apply(KvArithOp::Multiply, makeLong(kLongMin), kvInt(-1));
    EXPECT_EQ(num(longProduct)->toLong(), kLongMin);
}

TEST_F(ArithmeticTest, MinimumByMinusOneNeverTraps) {
    Ref q = apply(KvArithOp::Divide, kvInt(kIntMin), kvInt(-1));
    EXPECT_EQ(num(q)->toInt(), kIntMin);
    Ref r = apply(KvArithOp::Modulo, kvInt(kIntMin), kvInt(-1));
    EXPECT_EQ(r.get(), kvInt(0));
    Ref bq = apply(KvArithOp::IntegerDivide, makeLong(kLongMin), makeLong(-1));
    EXPECT_EQ(num(bq)->toLong(), kLongMin);
    Ref br = apply(KvArithOp::Modulo, makeLong(kLongMin), makeLong(-1));
    EXPECT_EQ(num(br)->toLong(), 0);
}

TEST_F(ArithmeticTest, IntegerDivisionByZeroIsReported) {
    for (KvArithOp op : {KvArithOp::Divide, KvArithOp::Modulo, KvArithOp::IntegerDivide}) {
        EXPECT_EQ(status(op, kvInt(1), kvInt(0)), KvArithStatus::DivideByZero);
        EXPECT_EQ(status(op, makeLong(1), kvInt(0)), KvArithStatus::DivideByZero);
    }
    EXPECT_EQ(status(KvArithOp::Modulo, makeFloat(3.0f), makeFloat(0.5f)),
              KvArithStatus::DivideByZero) << "0.5 becomes the int 0";
    EXPECT_EQ(status(KvArithOp::IntegerDivide, makeDouble(3.0), makeDouble(0.9)),
              KvArithStatus::DivideByZero);
    EXPECT_EQ(std::u16string(kDivideByZeroMessage), u"Divide by zero");
}

TEST_F(ArithmeticTest, FloatingDivisionByZeroFollowsIeee) {
    char expected[16];
    std::snprintf(expected, sizeof expected, "%f", std::numeric_limits<double>::infinity());
    Ref inf = apply(KvArithOp::Divide, makeDouble(1.0), kvInt(0));
    EXPECT_EQ(inf.text(), expected);
    Ref nan = apply(KvArithOp::Divide, makeFloat(0.0f), makeFloat(0.0f));
    EXPECT_TRUE(num(nan)->isNaN());
    EXPECT_TRUE(nan->toBool()) << "NaN counts as true";
}

TEST_F(ArithmeticTest, BackslashAndPercentTakeTheLargerKind) {
    Ref q = apply(KvArithOp::IntegerDivide, kvInt(1), makeLong(4294967296));
    EXPECT_EQ(num(q)->kind(), kKindLong);
    EXPECT_EQ(num(q)->toLong(), 0);
    Ref r = apply(KvArithOp::Modulo, kvInt(5), makeLong(4294967296));
    EXPECT_EQ(num(r)->toLong(), 5);
}

TEST_F(ArithmeticTest, NonNumberOperands) {
    Ref text(new KvObjString(u"a"));
    Ref concat = apply(KvArithOp::Add, kvInt(1), new KvObjString(u"b"));
    EXPECT_EQ(concat.text(), "1b");
    Ref zero = apply(KvArithOp::Multiply, kvInt(3), new KvObjString(u"x"));
    EXPECT_EQ(zero.get(), kvInt(0));
    Ref none = apply(KvArithOp::Add, kvTrue(), kvInt(1));
    EXPECT_EQ(none.get(), kvNull());
    Ref trailing = apply(KvArithOp::Add, new KvObjString(u"n="), kvNull());
    EXPECT_EQ(trailing.text(), "n=");
}

using NumberCompareTest = ObjectsTest;

TEST_F(NumberCompareTest, EqualsAcrossKinds) {
    Ref three(kvInt(3));
    Ref threeFloat(makeFloat(3.0f));
    Ref threeLong(makeLong(3));
    Ref threeDouble(makeDouble(3.0));
    EXPECT_EQ(call(three, u"equals", {threeFloat.get()}).get(), kvTrue());
    EXPECT_EQ(call(threeFloat, u"equals", {three.get()}).get(), kvTrue());
    EXPECT_TRUE(threeLong->equals(threeDouble.get()));
    EXPECT_TRUE(threeDouble->equals(three.get()));
    Ref other(makeDouble(3.1));
    EXPECT_FALSE(three->equals(other.get()));
}

TEST_F(NumberCompareTest, ComparisonDomainFollowsTheTable) {
    // 16777217 is not a float: int against float compares in float.
    Ref big(kvInt(16777217));
    Ref f(makeFloat(16777216.0f));
    EXPECT_TRUE(big->equals(f.get()));
    Ref d(makeDouble(16777216.0));
    EXPECT_FALSE(big->equals(d.get()));
    Ref l(makeLong(16777217));
    EXPECT_TRUE(l->equals(f.get())) << "a long reaches float through double";
}

TEST_F(NumberCompareTest, NaNIsNeverEqualNorOrdered) {
    Ref nan(makeDouble(std::nan("")));
    Ref one(kvInt(1));
    EXPECT_FALSE(nan->equals(nan.get()));
    EXPECT_FALSE(num(nan)->lessThan(num(one)));
    EXPECT_FALSE(num(one)->lessThan(num(nan)));
}

TEST_F(NumberCompareTest, LessThanAcrossKinds) {
    Ref one(kvInt(1));
    Ref oneAndHalf(makeDouble(1.5));
    Ref two(makeLong(2));
    EXPECT_TRUE(num(one)->lessThan(num(oneAndHalf)));
    EXPECT_FALSE(num(oneAndHalf)->lessThan(num(one)));
    EXPECT_TRUE(num(oneAndHalf)->lessThan(num(two)));
    EXPECT_FALSE(num(two)->lessThan(num(two)));
}

TEST_F(NumberCompareTest, CompareIsTheTruncatedDifference) {
    Ref five(kvInt(5));
    EXPECT_EQ(five->compare(kvInt(3)), 2);
    EXPECT_EQ(five->compare(kvInt(5)), 0);
    Ref big(makeDouble(10.75));
    EXPECT_EQ(big->compare(kvInt(3)), 7);
    EXPECT_EQ(call(five, u"compare", {kvInt(9)}).text(), "-4");
}

TEST_F(NumberCompareTest, CompareNeverHidesTheOrder) {
    Ref a(makeFloat(1.5f));
    Ref b(makeFloat(1.2f));
    EXPECT_EQ(a->compare(b.get()), 1) << "a difference below one still orders";
    EXPECT_EQ(b->compare(a.get()), -1);
    Ref huge(makeLong(3000000000));
    EXPECT_EQ(huge->compare(kvInt(0)), 1) << "the difference does not fit 32 bits";
    EXPECT_EQ(kvInt(0)->compare(huge.get()), -1);
    Ref extreme(makeLong(kLongMin));
    Ref top(makeLong(kLongMax));
    EXPECT_EQ(extreme->compare(top.get()), -1);
    Ref two(makeLong(2));
    Ref twoAndHalf(makeFloat(2.5f));
    EXPECT_GT(twoAndHalf->compare(two.get()), 0) << "computed as longs the difference is 0";
    Ref text(new KvObjString(u"1"));
    EXPECT_EQ(kvInt(5)->compare(text.get()), -1);
}

TEST_F(NumberCompareTest, CompareIsZeroExactlyWhenEqual) {
    Ref big(kvInt(16777217));
    Ref f(makeFloat(16777216.0f));
    ASSERT_TRUE(big->equals(f.get()));
    EXPECT_EQ(big->compare(f.get()), 0);
    EXPECT_EQ(f->compare(big.get()), 0);
    Ref l(makeLong(16777217));
    EXPECT_EQ(l->compare(f.get()), 0);
    Ref d(makeDouble(16777216.0));
    EXPECT_FALSE(big->equals(d.get()));
    EXPECT_EQ(big->compare(d.get()), 1);
    Ref nan(makeDouble(std::nan("")));
    EXPECT_NE(nan->compare(nan.get()), 0);
}

class BitOperationTest : public ObjectsTest {
protected:
    // op on two owned operands, as text.
    std::string bits(KvBitOp op, KvBaseObject* left, KvBaseObject* right) {
        Ref l(left), r(right);
        Ref result(kvBitOperation(op, l.get(), r.get()));
        return toUtf8(result->toString());
    }
    std::string kindOf(KvBitOp op, KvBaseObject* left, KvBaseObject* right) {
        Ref l(left), r(right);
        Ref result(kvBitOperation(op, l.get(), r.get()));
        return num(result)->kind() == kKindLong ? "long" : num(result)->kind() == kKindInt ? "int" : "other";
    }
};

TEST_F(BitOperationTest, ShiftCountsAreMaskedToTheWidth) {
    EXPECT_EQ(bits(KvBitOp::ShiftLeft, kvInt(1), kvInt(31)), "-2147483648");
    EXPECT_EQ(bits(KvBitOp::ShiftLeft, kvInt(1), kvInt(32)), "1");
    EXPECT_EQ(bits(KvBitOp::ShiftLeft, kvInt(1), kvInt(-1)), "-2147483648") << "-1 masks to 31";
    EXPECT_EQ(bits(KvBitOp::ShiftLeft, makeLong(1), kvInt(63)), std::to_string(kLongMin));
    EXPECT_EQ(bits(KvBitOp::ShiftLeft, makeLong(1), kvInt(64)), "1");
    EXPECT_EQ(bits(KvBitOp::ShiftRight, kvInt(kIntMin), kvInt(31)), "-1");
    EXPECT_EQ(bits(KvBitOp::ShiftRight, makeLong(kLongMin), kvInt(63)), "-1");
    EXPECT_EQ(bits(KvBitOp::ShiftRight, kvInt(kIntMax), kvInt(30)), "1");
    EXPECT_EQ(bits(KvBitOp::ShiftLeft, kvInt(-1), kvInt(4)), "-16");
}

TEST_F(BitOperationTest, KindsTruncationAndNonNumbers) {
    EXPECT_EQ(kindOf(KvBitOp::And, kvInt(3), makeFloat(1.5f)), "int");
    EXPECT_EQ(kindOf(KvBitOp::And, kvInt(3), makeDouble(1.5)), "long");
    EXPECT_EQ(kindOf(KvBitOp::Or, makeLong(1), kvInt(2)), "long");
    EXPECT_EQ(bits(KvBitOp::Xor, makeDouble(-7.9), kvInt(0)), "-7");
    EXPECT_EQ(bits(KvBitOp::And, makeDouble(std::nan("")), kvInt(-1)), "0");
    EXPECT_EQ(bits(KvBitOp::Or, new KvObjString(u"1"), kvInt(1)), "0");
    Ref text(new KvObjString(u"x"));
    EXPECT_EQ(kvBitNot(text.get()), kvInt(0));
    Ref big(makeDouble(1e300));
    Ref inverted(kvBitNot(big.get()));
    EXPECT_EQ(toUtf8(inverted->toString()), std::to_string(~kLongMax)) << "saturates, then inverts";
}

using NumberConversionTest = ObjectsTest;

TEST_F(NumberConversionTest, FloatingToIntegerTruncatesAndSaturates) {
    Ref pos(makeDouble(3.99));
    Ref neg(makeDouble(-3.99));
    EXPECT_EQ(call(pos, u"toInt").get(), kvInt(3));
    EXPECT_EQ(num(neg)->toInt(), -3);
    Ref huge(makeDouble(1e20));
    Ref tiny(makeDouble(-1e20));
    EXPECT_EQ(num(huge)->toInt(), kIntMax);
    EXPECT_EQ(num(tiny)->toInt(), kIntMin);
    EXPECT_EQ(num(huge)->toLong(), kLongMax);
    Ref enormous(makeFloat(1e30f));
    EXPECT_EQ(num(enormous)->toLong(), kLongMax);
    Ref nan(makeFloat(std::nanf("")));
    EXPECT_EQ(num(nan)->toInt(), 0);
    EXPECT_EQ(num(nan)->toLong(), 0);
    Ref inf(makeDouble(-std::numeric_limits<double>::infinity()));
    EXPECT_EQ(num(inf)->toLong(), kLongMin);
}

TEST_F(NumberConversionTest, IntegerConversionsKeepLowBits) {
    Ref l(makeLong(4294967297));
    EXPECT_EQ(num(l)->toInt(), 1);
    Ref negative(kvInt(-5));
    EXPECT_EQ(num(negative)->toLong(), -5);
    Ref back(makeDouble(1e300));
    EXPECT_TRUE(std::isinf(num(back)->toFloat()));
}

TEST_F(NumberConversionTest, ScriptMethodsMakeTheirKinds) {
    Ref value(makeFloat(2.5f));
    Ref asLong = call(value, u"toLong");
    Ref asDouble = call(value, u"toDouble");
    Ref asFloat = call(kvInt(7), u"toFloat");
    EXPECT_EQ(num(asLong)->kind(), kKindLong);
    EXPECT_EQ(num(asDouble)->kind(), kKindDouble);
    EXPECT_EQ(asFloat.text(), "7.000000");
    EXPECT_EQ(call(value, u"toInt", {kvInt(9)}).get(), kvInt(2)) << "extra arguments are ignored";
}

TEST_F(NumberConversionTest, AssignFromNeedsTheSameKind) {
    Ref target(makeLong(1));
    Ref source(makeLong(99));
    Ref other(kvInt(5));
    EXPECT_TRUE(num(target)->assignFrom(num(source)));
    EXPECT_EQ(num(target)->toLong(), 99);
    EXPECT_FALSE(num(target)->assignFrom(num(other)));
    EXPECT_EQ(num(target)->toLong(), 99);
}

using NumberTextTest = ObjectsTest;

TEST_F(NumberTextTest, TextForms) {
    Ref f(makeFloat(1.5f));
    EXPECT_EQ(f.text(), "1.500000");
    EXPECT_EQ(kvInt(100)->toString(), u"100");
    Ref min(makeLong(kLongMin));
    EXPECT_EQ(min.text(), "-9223372036854775808");
    Ref d(makeDouble(-0.25));
    EXPECT_EQ(d->detailString(4), u"-0.250000");
    Ref i(kvInt(kIntMin));
    EXPECT_EQ(i.text(), "-2147483648");
}

TEST_F(NumberTextTest, LongTextsAreComplete) {
    for (double value : {1e24, -1e30, 1e308, std::nan(""), -std::numeric_limits<double>::infinity()}) {
        char expected[400];
        std::snprintf(expected, sizeof expected, "%f", value);
        Ref d(makeDouble(value));
        EXPECT_EQ(d.text(), expected);
    }
    Ref maxFloat(makeFloat(std::numeric_limits<float>::max()));
    EXPECT_EQ(maxFloat.text().size(), 46u);
}

TEST_F(NumberTextTest, BytesAreLittleEndian) {
    Ref i(kvInt(0x01020304));
    Ref bytes = call(i, u"bytes");
    auto* b = static_cast<KvObjBytes*>(bytes.get());
    ASSERT_EQ(b->length(), 4u);
    EXPECT_EQ(b->data()[0], 0x04);
    EXPECT_EQ(b->data()[3], 0x01);
    Ref l(makeLong(-2));
    Ref longBytes = call(l, u"toBytes");
    auto* lb = static_cast<KvObjBytes*>(longBytes.get());
    ASSERT_EQ(lb->length(), 8u);
    EXPECT_EQ(lb->data()[0], 0xFE);
    EXPECT_EQ(lb->data()[7], 0xFF);
    Ref f(makeFloat(1.0f));
    Ref floatBytes = call(f, u"bytes");
    auto* fb = static_cast<KvObjBytes*>(floatBytes.get());
    EXPECT_EQ(fb->data()[3], 0x3F);
    EXPECT_EQ(fb->data()[2], 0x80);
}

TEST_F(NumberTextTest, TruthOfNumbers) {
    Ref negZero(makeDouble(-0.0));
    Ref smallFloat(makeFloat(0.001f));
    Ref zeroLong(makeLong(0));
    EXPECT_FALSE(negZero->toBool());
    EXPECT_TRUE(smallFloat->toBool());
    EXPECT_FALSE(zeroLong->toBool());
}

using NumberLiteralTest = ObjectsTest;

TEST_F(NumberLiteralTest, KindsByLength) {
    struct Case {
        const char16_t* text;
        int32_t kind;
        const char* shown;
    };
    const Case cases[] = {
        {u"3.5", kKindFloat, "3.500000"},
        {u"3.141593", kKindDouble, "3.141593"},
        {u"123456.12345", kKindFloat, "123456.125000"},
        {u"1234567.5", kKindDouble, "1234567.500000"},
        {u"12345678", kKindInt, "12345678"},
        {u"123456789", kKindLong, "123456789"},
        {u"9223372036854775807", kKindLong, "9223372036854775807"},
        {u"-12345678", kKindLong, "-12345678"},
        {u"00000012", kKindInt, "12"},
        {u"0", kKindInt, "0"},
        {u" 7", kKindInt, "7"},
        {u"7 ", kKindInt, "7"},
        {u"1e5", kKindInt, "1"},
        // Longer than any short buffer the floating reader keeps for literals.
        {u"1.0000000000000000000000000000000000000000000000000000000000000000000000000000000001", kKindDouble,
         "1.000000"},
    };
    for (const Case& c : cases) {
        Ref value(kvNumberFromLiteral(c.text));
        EXPECT_EQ(num(value)->kind(), c.kind) << c.shown;
        EXPECT_EQ(value.text(), c.shown);
    }
}

TEST_F(NumberLiteralTest, BadTextsGiveZeroOfTheirKind) {
    Ref word(kvNumberFromLiteral(u"abc"));
    EXPECT_EQ(word.get(), kvInt(0));
    Ref dotted(kvNumberFromLiteral(u"x.y"));
    EXPECT_EQ(num(dotted)->kind(), kKindFloat);
    EXPECT_EQ(dotted.text(), "0.000000");
    Ref tooBig(kvNumberFromLiteral(u"99999999999999999999999"));
    EXPECT_EQ(num(tooBig)->toLong(), kLongMax) << "saturates rather than overflowing";
    Ref wide(kvNumberFromLiteral(u"１２"));
    EXPECT_EQ(wide.get(), kvInt(0));
    EXPECT_EQ(kvNumberFromLiteral(u"255"), kvInt(255)) << "small ints are the shared ones";
}

// The reading the compiler emits from agrees with the value "toNumber" makes.
TEST_F(NumberLiteralTest, ReadingWithoutAValueAgreesWithTheValue) {
    for (const char16_t* text : {u"12", u"99999999", u"123456789", u"2.5", u"3.141593", u"-4", u"x", u"1.5.5"}) {
        const NumberLiteral literal = parseNumberLiteral(text);
        Ref value(kvNumberFromLiteral(text));
        const int32_t kinds[] = {kKindInt, kKindLong, kKindFloat, kKindDouble};
        EXPECT_EQ(num(value)->kind(), kinds[static_cast<int>(literal.kind)]);
        if (literal.kind == NumberLiteral::Kind::Int || literal.kind == NumberLiteral::Kind::Long) {
            EXPECT_EQ(num(value)->toLong(), literal.integer);
        } else {
            EXPECT_EQ(num(value)->toDouble(), literal.floating);
        }
    }
}

}  // namespace
}  // namespace kestrel::testing
