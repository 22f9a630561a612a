// Source decoding: byte-order marks, UTF-16, GBK, the ASCII path, charsets
// whose UTF-8 form is long, unknown charsets, and missing or empty files.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "frontend/decode.h"
#include "host/utf8.h"
#include "temp_file_util.h"

using namespace kestrel;
using kestrel::testing::ScratchDirectory;

namespace {

const std::string kUtf8Source = "打印（1，2）\nvar 名字 = \"你好\"\n";
const std::u16string kWideSource = u"打印（1，2）\nvar 名字 = \"你好\"\n";

std::u16string decode(const std::string& bytes) { return decodeAuto(bytes.data(), bytes.size()); }

std::string utf16Bytes(const std::u16string& text, bool bigEndian) {
    std::string bytes;
    for (char16_t unit : text) {
        char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

}  // namespace

TEST(Decode, Utf8WithAndWithoutByteOrderMarkGiveTheSameText) {
    EXPECT_EQ(decode(kUtf8Source), kWideSource);
    EXPECT_EQ(decode("\xEF\xBB\xBF" + kUtf8Source), kWideSource);
}

TEST(Decode, Utf16WithByteOrderMarkInBothOrders) {
    const std::u16string text = u"var x = \"数\"\n";
    EXPECT_EQ(decode("\xFF\xFE" + utf16Bytes(text, false)), text);
    EXPECT_EQ(decode("\xFE\xFF" + utf16Bytes(text, true)), text);
}

TEST(Decode, ByteOrderMarkLeftByAnExplicitCharsetIsDropped) {
    const std::u16string text = u"x = 1";
    std::string le = "\xFF\xFE" + utf16Bytes(text, false);
    std::string be = "\xFE\xFF" + utf16Bytes(text, true);
    EXPECT_EQ(decodeBytes(le.data(), le.size(), "UTF-16LE"), text);
    EXPECT_EQ(decodeBytes(be.data(), be.size(), "UTF-16BE"), text);
    std::string utf32 = std::string("\xFF\xFE\0\0x\0\0\0", 8);
    EXPECT_EQ(decodeBytes(utf32.data(), utf32.size(), "UTF-32LE"), u"x");
}

TEST(Decode, GbkIsDetectedAndGbNamesDecodeAsGbk) {
    // "打印（1，2）" and a line of common words in GBK.
    const std::string gbk =
        "\xB4\xF2\xD3\xA1\xA3\xA8\x31\xA3\xAC\x32\xA3\xA9\n"
        "\xC4\xE3\xBA\xC3\xCA\xC0\xBD\xE7\xA3\xAC\xD6\xD0\xB9\xFA\xC8\xCB\xC3\xF1\n";
    EXPECT_EQ(detectCharset(gbk.data(), gbk.size()).compare(0, 2, "GB"), 0);
    EXPECT_EQ(decode(gbk), u"打印（1，2）\n你好世界，中国人民\n");
    EXPECT_EQ(decodeBytes(gbk.data(), 12, "gb2312"), u"打印（1，2）");
    EXPECT_EQ(decodeBytes(gbk.data(), 12, "GB18030"), u"打印（1，2）");
}

TEST(Decode, ShortUtf8WithFewMultiByteCharactersIsUtf8WhateverTheGuess) {
    // Curly quotes among ASCII: the detector alone takes this for a single-byte charset.
    const std::string quoted = "print(\xE2\x80\x9Ckey={{a}}\xE2\x80\x9D)\n";
    EXPECT_EQ(decode(quoted), u"print(\u201Ckey={{a}}\u201D)\n");
    EXPECT_EQ(decode("\xC3\xA9"), u"\u00E9");
    EXPECT_EQ(decode("a \xF0\x9F\x98\x80 b"), u"a \U0001F600 b");
}

TEST(Decode, MalformedUtf8FollowsTheDetector) {
    // An overlong form, an encoded surrogate, a truncated sequence and a lone
    // continuation byte are not UTF-8: the detector's guess decides, as for
    // any other text, and the byte-by-byte fallback never fails.
    for (const std::string& bytes : {std::string("ab\xC0\xAF"), std::string("ab\xED\xA0\x80"),
                                    std::string("ab\xE2\x80"), std::string("ab\x80")}) {
        EXPECT_EQ(decode(bytes), decodeBytes(bytes.data(), bytes.size(), detectCharset(bytes.data(), bytes.size())));
    }
}

TEST(Decode, AsciiAndUndetectedTextIsTakenByteByByte) {
    const std::string ascii = "var x = 1\n";
    EXPECT_EQ(decode(ascii), u"var x = 1\n");
    // No byte-order mark is looked for on the byte-by-byte paths.
    const std::string marked = "\xEF\xBB\xBF" "ab";
    EXPECT_EQ(decodeBytes(marked.data(), marked.size(), "ascii"), u"\u00EF\u00BB\u00BF" u"ab");
    EXPECT_EQ(decodeBytes(marked.data(), marked.size(), ""), u"\u00EF\u00BB\u00BF" u"ab");
}

TEST(Decode, LongUtf8FormsAreNotTruncated) {
    // Each 0x80 byte is the euro sign, three bytes in UTF-8: more than twice the input.
    const std::string euros(5000, '\x80');
    std::u16string text = decodeBytes(euros.data(), euros.size(), "windows-1252");
    EXPECT_EQ(text, std::u16string(5000, u'\u20AC'));
}

TEST(Decode, UnknownCharsetReadsAsEmptyText) {
    const std::string bytes = "abc";
    EXPECT_EQ(decodeBytes(bytes.data(), bytes.size(), "no-such-charset"), u"");
}

TEST(Decode, LoneByteOrderMarkAndEmptyInput) {
    EXPECT_EQ(decode("\xEF\xBB\xBF"), u"");
    EXPECT_EQ(decodeBytes("\xEF\xBB\xBF", 3, "UTF-8"), u"");
    EXPECT_EQ(decode(""), u"");
    EXPECT_EQ(decodeBytes(nullptr, 0, "UTF-8"), u"");
}

TEST(Decode, InvalidInputNeverFails) {
    const std::string bad("a\xC3\x28\xFF\0b\xED\xA0\x80z", 10);  // bad sequence, NUL, encoded surrogate
    std::u16string text = decodeBytes(bad.data(), bad.size(), "UTF-8");
    EXPECT_EQ(text.front(), u'a');
    EXPECT_EQ(text.back(), u'z');
}

TEST(ReadSourceFile, ReadsAndDecodesAWholeFile) {
    ScratchDirectory dir;
    EXPECT_EQ(readSourceFile(dir.write("bom.kv", "\xEF\xBB\xBF" + kUtf8Source)), kWideSource);
    EXPECT_EQ(readSourceFile(dir.write("plain.kv", kUtf8Source)), kWideSource);
    EXPECT_EQ(readSourceFile(dir.write("名字.kv", "x")), u"x");
}

TEST(ReadSourceFile, MissingEmptyAndDirectoryPathsGiveEmptyText) {
    ScratchDirectory dir;
    EXPECT_EQ(readSourceFile(dir.pathOf("missing.kv")), u"");
    EXPECT_EQ(readSourceFile(dir.write("empty.kv", "")), u"");
    EXPECT_EQ(readSourceFile(dir.write("bom-only.kv", "\xEF\xBB\xBF")), u"");
    EXPECT_EQ(readSourceFile(dir.path()), u"");
    EXPECT_EQ(readSourceFile(u""), u"");
}
