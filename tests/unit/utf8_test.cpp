#include <gtest/gtest.h>

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
