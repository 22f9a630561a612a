#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/utf8.h"

using namespace kestrel;

TEST(Utf8, RoundTripsChineseAndAstral) {
    std::u16string text = u"打印 x \U0001F600";
    EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(toUtf8(u"秒"), "\xE7\xA7\x92");
}

TEST(Utf8, SkipsInvalidInput) {
    EXPECT_EQ(fromUtf8("a\xFF" "b"), u"ab");
    std::u16string lone = u"x";
    lone += char16_t(0xD800);
    EXPECT_EQ(toUtf8(lone), "x");
}

TEST(Utf8, ValidityCheckRefusesEveryMalformedShape) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain.kv"));
    EXPECT_TRUE(isValidUtf8("\xE7\xA7\x92 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"));
    EXPECT_FALSE(isValidUtf8("x\xFF.kv"));          // never a lead byte
    EXPECT_FALSE(isValidUtf8("\x80"));               // stray continuation
    EXPECT_FALSE(isValidUtf8("\xE7\xA7"));           // cut short at the end
    EXPECT_FALSE(isValidUtf8("\xE7" "a\x92"));       // cut short in the middle
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));           // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));       // overlong, three bytes
    EXPECT_FALSE(isValidUtf8("\xF0\x80\x80\xAF"));   // overlong, four bytes
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));       // an encoded surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));   // above U+10FFFF
}

// Every digit count, both signs and the extremes: the pairs written from the
// end must come out in order, with no digit lost at an odd length.
TEST(DecimalText, MatchesTheLibraryAtEveryLengthAndTheExtremes) {
    std::vector<int64_t> values = {0, 1, 9, 10, 99, 100, 101, 255, 256, 1000, 99999, 100000,
                                   INT32_MAX, INT32_MIN, INT64_MAX, INT64_MIN, INT64_MIN + 1};
    int64_t power = 1;
    for (int digits = 1; digits <= 18; ++digits) {
        power *= 10;
        values.push_back(power - 1);
        values.push_back(power);
        values.push_back(power + 7);
    }
    for (int64_t value : values) {
        for (int64_t v : {value, value == INT64_MIN ? value : -value}) {
            const std::string expected = std::to_string(v);
            EXPECT_EQ(toUtf8(decimalText(v)), expected);
            char16_t units[kMaxDecimalUnits + 2] = {u'#', u'#'};
            char16_t* end = units + kMaxDecimalUnits + 2;
            char16_t* start = decimalTextBefore(v, end);
            EXPECT_GE(start, units + 2) << expected;  // stays inside the room it was promised
            EXPECT_EQ(toUtf8(std::u16string(start, end)), expected);
            EXPECT_EQ(units[0], u'#');
        }
    }
}
