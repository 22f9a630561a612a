// The normalising character reader: the table's mappings, characters outside
// it, and records at and past the end of the text.
#include <gtest/gtest.h>

#include "frontend/char_reader.h"

using namespace kestrel;

TEST(CharReader, MapsEveryTableEntry) {
    const std::u16string typed = u"（）｛｝［【］】＞＜＇‘’＂“”＝＋－＊×／÷％｜＆～！，。、＾＃＠";
    const std::u16string ascii = u"(){}[[]]><'''\"\"\"=+-**//%|&~!,..^#@";
    ASSERT_EQ(typed.size(), 34u);
    ASSERT_EQ(ascii.size(), 34u);
    for (size_t i = 0; i < typed.size(); ++i) {
        EXPECT_EQ(normaliseChar(typed, i), ascii[i]) << "entry " << i;
    }
}

TEST(CharReader, CharactersOutsideTheTableAreNotMapped) {
    const std::u16string text = u"aＡ１打 \n\u3000\uFF3C";
    for (size_t i = 0; i < text.size(); ++i) EXPECT_EQ(normaliseChar(text, i), 0) << i;
    EXPECT_EQ(normaliseChar(text, text.size()), 0);
    EXPECT_EQ(normaliseChar(text, 1000), 0);
}

TEST(CharReader, RecordKeepsTypedAndNormalised) {
    const std::u16string text = u"a（";
    CharRecord record;
    ASSERT_TRUE(readChar(text, 1, record));
    EXPECT_EQ(record.position, 1);
    EXPECT_EQ(record.width, 1);
    EXPECT_EQ(record.ch, u'(');
    EXPECT_EQ(record.typed, u"（");
    ASSERT_TRUE(readChar(text, 0, record));
    EXPECT_EQ(record.ch, u'a');
    EXPECT_EQ(record.typed, u"a");
}

TEST(CharReader, RecordPastTheEndIsInvalidAndEmpty) {
    const std::u16string text = u"a";
    CharRecord record;
    ASSERT_TRUE(readChar(text, 0, record));
    EXPECT_FALSE(readChar(text, 1, record));
    EXPECT_FALSE(record.valid);
    EXPECT_EQ(record.ch, 0);
    EXPECT_EQ(record.width, 0);
    EXPECT_TRUE(record.typed.empty());
    EXPECT_FALSE(readChar(u"", 0, record));
}
