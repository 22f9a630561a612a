// Strings: every registered method through the member lookup, with the edge
// cases of their rules (negative positions, empty needles, the trim quirk,
// escaped placeholders), brackets, bytes, ordering and literal unescaping.
#include <algorithm>

#include "objects/bytes_value.h"
#include "objects/list_value.h"
#include "objects/number_floating.h"
#include "objects/number_integer.h"
#include "objects/string_text.h"
#include "objects/string_value.h"
#include "objects_test_support.h"

namespace kestrel::testing {
namespace {

class StringTest : public ObjectsTest {
protected:
    // Holds a new string for the test's duration.
    KvBaseObject* s(const std::u16string& text) {
        held_.emplace_back(new KvObjString(text));
        return held_.back().get();
    }
    // Holds a number; ints outside -1..255 are new values too.
    KvBaseObject* n(int32_t value) {
        held_.emplace_back(kvInt(value));
        return held_.back().get();
    }
    std::string run(const std::u16string& text, const std::u16string& method,
                    std::initializer_list<KvBaseObject*> args = {}) {
        return call(s(text), method, args).text();
    }

    void TearDown() override {
        held_.clear();
        ObjectsTest::TearDown();
    }

private:
    std::vector<Ref> held_;
};

std::vector<std::string> pieces(const Ref& list) {
    std::vector<std::string> out;
    auto* l = static_cast<KvObjList*>(list.get());
    for (std::size_t i = 0; i < l->size(); ++i) {
        out.push_back(toUtf8(l->item(i)->toString()));
    }
    return out;
}

using Pieces = std::vector<std::string>;

TEST_F(StringTest, Sub) {
    EXPECT_EQ(run(u"abcdef", u"sub", {kvInt(2)}), "cdef");
    EXPECT_EQ(run(u"abcdef", u"sub", {kvInt(2), kvInt(2)}), "cd");
    EXPECT_EQ(run(u"abcdef", u"sub", {n(-2)}), "ef");
    EXPECT_EQ(run(u"abcdef", u"sub", {kvInt(1), n(-2)}), "bcde");
    EXPECT_EQ(run(u"abc", u"sub", {kvInt(5)}), "");
    EXPECT_EQ(run(u"abc", u"sub", {kvInt(0), kvInt(10)}), "abc");
    EXPECT_EQ(run(u"abc", u"sub", {n(-7)}), "") << "below -length reads as empty";
    EXPECT_EQ(run(u"abc", u"sub", {kvInt(1), n(-5)}), "");
    EXPECT_EQ(run(u"abc", u"sub", {s(u"1")}), "abc") << "a text is not a numeric argument";
    EXPECT_EQ(run(u"", u"sub"), "");
}

TEST_F(StringTest, IndexOfAndFind) {
    EXPECT_EQ(call(s(u"hello"), u"indexOf", {s(u"l")}).get(), kvInt(2));
    EXPECT_EQ(call(s(u"hello"), u"indexOf", {s(u"l"), kvInt(3)}).get(), kvInt(3));
    EXPECT_EQ(call(s(u"hello"), u"indexOf", {s(u"l"), kvInt(4)}).get(), kvInt(-1));
    EXPECT_EQ(call(s(u"hello"), u"indexOf", {s(u"")}).get(), kvInt(-1));
    EXPECT_EQ(call(s(u"hello"), u"find", {s(u"lo"), n(-2)}).get(), kvInt(3));
    EXPECT_EQ(call(s(u"hello"), u"find", {s(u"h"), n(-99)}).get(), kvInt(0));
    EXPECT_EQ(call(s(u"hi"), u"find", {s(u"high")}).get(), kvInt(-1));
    EXPECT_EQ(call(s(u"a1"), u"find", {kvInt(1)}).get(), kvInt(1)) << "the needle is a text form";
}

TEST_F(StringTest, LastIndexOfAndFindLast) {
    EXPECT_EQ(call(s(u"hello"), u"lastIndexOf", {s(u"l")}).get(), kvInt(3));
    EXPECT_EQ(call(s(u"hello"), u"lastIndexOf", {s(u"l"), kvInt(3)}).get(), kvInt(2));
    EXPECT_EQ(call(s(u"hello"), u"findLast", {s(u"l"), kvInt(99)}).get(), kvInt(3));
    EXPECT_EQ(call(s(u"hello"), u"findLast", {s(u"l"), n(-2)}).get(), kvInt(2));
    EXPECT_EQ(call(s(u"hello"), u"findLast", {s(u"h"), n(-9)}).get(), kvInt(-1));
    EXPECT_EQ(call(s(u"hello"), u"findLast", {s(u"")}).get(), kvInt(-1));
}

TEST_F(StringTest, Split) {
    EXPECT_EQ(call(s(u"a,b"), u"split", {s(u"")}).get(), kvNull());
    EXPECT_EQ(call(s(u"a,b"), u"split").get(), kvNull());
    EXPECT_EQ(pieces(call(s(u""), u"split", {s(u",")})), Pieces{});
    EXPECT_EQ(pieces(call(s(u"a,"), u"split", {s(u",")})), (Pieces{"a", ""}));
    EXPECT_EQ(pieces(call(s(u"a,,b"), u"split", {s(u",")})), (Pieces{"a", "", "b"}));
    EXPECT_EQ(pieces(call(s(u",a"), u"split", {s(u",")})), (Pieces{"", "a"}));
    EXPECT_EQ(pieces(call(s(u"a::b::c"), u"split", {s(u"::")})), (Pieces{"a", "b", "c"}));
    EXPECT_EQ(pieces(call(s(u" a , b "), u"split", {s(u","), kvTrue()})), (Pieces{"a", "b"}));
    EXPECT_EQ(pieces(call(s(u"abc"), u"split", {s(u"x")})), Pieces{"abc"});
}

TEST_F(StringTest, TrimAndItsTabSpaceRule) {
    EXPECT_EQ(run(u"  ab  ", u"trim"), "ab");
    EXPECT_EQ(run(u"\t\tab\t", u"trim"), "ab");
    EXPECT_EQ(run(u"\t x", u"trim"), " x") << "a tab then a space keeps the space";
    EXPECT_EQ(run(u" \tx", u"trim"), "\tx") << "and a space then a tab keeps the tab";
    EXPECT_EQ(run(u"x\t ", u"trim"), "x\t");
    EXPECT_EQ(run(u"  ab  ", u"trim", {kvFalse()}), "  ab");
    EXPECT_EQ(run(u"  ab  ", u"trim", {kvTrue(), kvFalse()}), "ab  ");
    EXPECT_EQ(run(u"  ab  ", u"trim", {kvNull(), kvNull()}), "ab") << "null flags take defaults";
    EXPECT_EQ(run(u"   ", u"trim"), "");
    EXPECT_EQ(run(u"\t\t", u"trim"), "");
    EXPECT_EQ(run(u"\n a \n", u"trim"), "\n a \n") << "only spaces and tabs";
}

TEST_F(StringTest, ToNumber) {
    Ref f = call(s(u" 3.5 "), u"toNumber");
    EXPECT_EQ(static_cast<KvObjNumber*>(f.get())->kind(), kKindFloat);
    EXPECT_EQ(f.text(), "3.500000");
    EXPECT_EQ(call(s(u"42"), u"toNumber").get(), kvInt(42));
    Ref l = call(s(u"123456789"), u"toNumber");
    EXPECT_EQ(static_cast<KvObjNumber*>(l.get())->kind(), kKindLong);
    Ref d = call(s(u"3.1415926"), u"toNumber");
    EXPECT_EQ(static_cast<KvObjNumber*>(d.get())->kind(), kKindDouble);
    EXPECT_EQ(call(s(u"hello"), u"toNumber").get(), kvInt(0));
    EXPECT_EQ(call(s(u""), u"toNumber").get(), kvInt(0));
}

TEST_F(StringTest, StartEndContains) {
    EXPECT_EQ(call(s(u"hello"), u"startWith", {s(u"x"), s(u"he")}).get(), kvTrue());
    EXPECT_EQ(call(s(u"hello"), u"startWith").get(), kvFalse());
    EXPECT_EQ(call(s(u"hello"), u"startWith", {s(u"")}).get(), kvFalse());
    EXPECT_EQ(call(s(u"hello"), u"startWith", {kvNull()}).get(), kvFalse());
    EXPECT_EQ(call(s(u"he"), u"startWith", {s(u"hello")}).get(), kvFalse());
    EXPECT_EQ(call(s(u"hello"), u"endWith", {s(u"llo")}).get(), kvTrue());
    EXPECT_EQ(call(s(u"hello"), u"endWith", {s(u"hell")}).get(), kvFalse());
    EXPECT_EQ(call(s(u"hello"), u"contains", {s(u"ell")}).get(), kvTrue());
    EXPECT_EQ(call(s(u"hello"), u"contains", {s(u"")}).get(), kvFalse());
    EXPECT_EQ(call(s(u"hello"), u"contains").get(), kvFalse());
}

TEST_F(StringTest, UpperLowerReverse) {
    EXPECT_EQ(run(u"Hello, 世界", u"upper"), "HELLO, 世界");
    EXPECT_EQ(run(u"ÀBC", u"lower"), "Àbc") << "outside ASCII the C-style mapping leaves it";
    EXPECT_EQ(run(u"abc", u"reverse"), "cba");
    EXPECT_EQ(run(u"abc", u"revr"), "cba");
    EXPECT_EQ(run(u"", u"reverse"), "");
}

TEST_F(StringTest, Replace) {
    EXPECT_EQ(run(u"hello", u"replace", {s(u"l"), s(u"L")}), "heLLo");
    EXPECT_EQ(run(u"hello", u"replace", {s(u"l"), s(u"L"), kvFalse()}), "heLlo");
    EXPECT_EQ(run(u"aaaa", u"rep", {s(u"a"), s(u"aa")}), "aaaaaaaa") << "search resumes after the insert";
    EXPECT_EQ(run(u"abab", u"rep", {s(u"ab"), s(u"")}), "");
    EXPECT_EQ(run(u"a-b-c-d", u"replace", {s(u"-"), s(u"+"), kvTrue(), kvInt(2)}), "a-b+c+d");
    EXPECT_EQ(run(u"a-b-c-d", u"replace", {s(u"-"), s(u"+"), kvTrue(), kvInt(0), kvInt(3)}),
              "a+b+c-d");
    EXPECT_EQ(run(u"a-b-c-d", u"replace", {s(u"-"), s(u"=="), kvTrue(), kvInt(0), kvInt(3)}),
              "a==b==c-d") << "end moves with the growth";
}

TEST_F(StringTest, ReplaceOverlappingAndSelfContainingPatterns) {
    EXPECT_EQ(run(u"aaaa", u"replace", {s(u"aa"), s(u"b")}), "bb") << "occurrences never overlap";
    EXPECT_EQ(run(u"aaa", u"replace", {s(u"aa"), s(u"b")}), "ba");
    EXPECT_EQ(run(u"abab", u"replace", {s(u"aba"), s(u"x")}), "xb");
    EXPECT_EQ(run(u"xax", u"replace", {s(u"a"), s(u"aa")}), "xaax") << "the inserted pattern is not searched";
    EXPECT_EQ(run(u"ab", u"replace", {s(u"ab"), s(u"abab")}), "abab");
    EXPECT_EQ(run(u"aaaa", u"replace", {s(u"aa"), s(u"a"), kvTrue(), kvInt(0), kvInt(2)}), "aaa")
        << "the second occurrence reaches past end";
    EXPECT_EQ(run(u"aXa", u"replace", {s(u"a"), kvNull()}), "X") << "null replaces with nothing";
}

// The rule as written: replace in a working copy, resume after the insert,
// move end by the growth. The one-pass version must agree everywhere.
std::u16string replaceStepByStep(const std::u16string& text, const TextReplace& r) {
    const int64_t length = static_cast<int64_t>(text.size());
    const int64_t start = std::max(r.start, 0);
    if (text.empty() || r.find.empty() || start >= length) return text;
    size_t at = text.find(r.find, static_cast<size_t>(start));
    int64_t end = r.end;
    if (at == std::u16string::npos || (r.end != 0 && (end >= length || int64_t(at) > end))) return text;
    std::u16string out = text;
    for (;;) {
        out.replace(at, r.find.size(), r.with);
        end += int64_t(r.with.size()) - int64_t(r.find.size());
        if (!r.all) break;
        at = out.find(r.find, at + r.with.size());
        if (at == std::u16string::npos || (r.end != 0 && int64_t(at + r.find.size()) - 1 > end)) break;
    }
    return out;
}

TEST_F(StringTest, ReplaceAgreesWithTheStepByStepRule) {
    const std::u16string texts[] = {u"a", u"aaaa", u"abaabab", u"xaxaax", u"babababa", u"aabbaabb"};
    const std::u16string finds[] = {u"a", u"aa", u"ab", u"aba", u"b", u"x"};
    const std::u16string withs[] = {u"", u"a", u"aa", u"b", u"xyz"};
    int compared = 0;
    for (const auto& text : texts)
        for (const auto& find : finds)
            for (const auto& with : withs)
                for (bool all : {true, false})
                    for (int32_t start = -2; start < 6; ++start)
                        for (int32_t end = -1; end < 8; ++end) {
                            TextReplace request{find, with, all, start, end};
                            std::u16string out;
                            std::u16string got = textReplace(text, request, out) ? out : text;
                            ASSERT_EQ(got, replaceStepByStep(text, request))
                                << toUtf8(text) << " " << toUtf8(find) << " " << toUtf8(with) << " " << all
                                << " " << start << " " << end;
                            ++compared;
                        }
    EXPECT_GT(compared, 10000);
}

// Longer texts over a small alphabet that includes both halves of a
// surrogate pair: every needle of one or two units and replacements of
// every short length (the one-unit needle has its own writer per length).
TEST_F(StringTest, ReplaceAgreesWithTheStepByStepRuleOnLongerTexts) {
    const char16_t alphabet[] = {u'a', u'b', 0xD83D, 0xDE00};
    const std::u16string finds[] = {u"a", std::u16string(1, 0xD83D), std::u16string(1, 0xDE00), u"ab",
                                    std::u16string{0xD83D, 0xDE00}, std::u16string{0xDE00, 0xD83D}};
    const std::u16string withs[] = {u"", u"x", u"xy", u"xyz", u"wxyz", std::u16string{0xD83D, 0xDE01}};
    uint32_t seed = 7;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int round = 0; round < 60; ++round) {
        std::u16string text;
        for (uint32_t i = 0, n = 1 + next() % 40; i < n; ++i) text += alphabet[next() % 4];
        for (const auto& find : finds)
            for (const auto& with : withs)
                for (bool all : {true, false}) {
                    const int32_t start = static_cast<int32_t>(next() % 8) - 2;
                    const int32_t end = round % 3 == 0 ? 0 : static_cast<int32_t>(next() % 45) - 2;
                    TextReplace request{find, with, all, start, end};
                    std::u16string out;
                    std::u16string got = textReplace(text, request, out) ? out : text;
                    ASSERT_EQ(got, replaceStepByStep(text, request))
                        << round << " " << find.size() << " " << with.size() << " " << all << " " << start << " "
                        << end;
                }
    }
}

TEST_F(StringTest, ReplaceAtTheEndsAndAcrossSurrogatePairs) {
    EXPECT_EQ(run(u"xabx", u"replace", {s(u"x"), s(u"yy")}), "yyabyy");
    EXPECT_EQ(run(u"x", u"replace", {s(u"x"), s(u"")}), "") << "the whole text goes";
    EXPECT_EQ(run(u"xx", u"replace", {s(u"x"), s(u"x")}), "xx");
    EXPECT_EQ(run(u"a\U0001F600b", u"replace", {s(u"\U0001F600"), s(u"-")}), "a-b");
    // Code units, not characters: half a pair is a needle like any other.
    std::u16string out;
    ASSERT_TRUE(textReplace(u"\U0001F600\U0001F600", TextReplace{std::u16string(1, 0xDE00), u"", true, 0, 0}, out));
    EXPECT_EQ(out, (std::u16string{0xD83D, 0xD83D}));
    ASSERT_TRUE(textReplace(u"aaaa", TextReplace{u"a", u"bc", true, 1, 2}, out));
    EXPECT_EQ(out, u"abcbca") << "one-unit needle between start and end";
}

TEST_F(StringTest, ReplaceReturnsTheReceiverWhenNothingChanges) {
    KvBaseObject* hello = s(u"hello");
    EXPECT_EQ(call(hello, u"replace", {s(u"x"), s(u"y")}).get(), hello);
    EXPECT_EQ(call(hello, u"replace", {s(u""), s(u"y")}).get(), hello) << "empty find";
    EXPECT_EQ(call(hello, u"replace", {s(u"l"), s(u"y"), kvTrue(), kvInt(5)}).get(), hello);
    EXPECT_EQ(call(hello, u"replace", {s(u"l"), s(u"y"), kvTrue(), kvInt(0), kvInt(5)}).get(), hello);
    EXPECT_EQ(call(hello, u"replace", {s(u"o"), s(u"y"), kvTrue(), kvInt(0), kvInt(2)}).get(), hello);
    KvBaseObject* empty = s(u"");
    EXPECT_EQ(call(empty, u"replace", {s(u"a"), s(u"b")}).get(), empty);
}

TEST_F(StringTest, Format) {
    EXPECT_EQ(run(u"{0}-{1}", u"format", {kvInt(1), s(u"b")}), "1-b");
    EXPECT_EQ(run(u"\\{0}", u"format", {kvInt(5)}), "\\{0}") << "one backslash escapes";
    EXPECT_EQ(run(u"\\\\{0}", u"fmt", {kvInt(5)}), "\\\\5") << "two do not";
    EXPECT_EQ(run(u"{0}{0}|{1}", u"fmt", {s(u"x"), kvNull()}), "xx|");
    EXPECT_EQ(run(u"{1}", u"fmt", {kvInt(1)}), "{1}");
    KvBaseObject* receiver = s(u"{0}");
    EXPECT_EQ(call(receiver, u"format").get(), receiver);
    Ref f(new KvObjFloat(1.5f));
    EXPECT_EQ(run(u"{0}", u"format", {f.get()}), "1.500000");
}

TEST_F(StringTest, TestAndMatchAreRegistered) {
    EXPECT_EQ(call(s(u"abc"), u"test").get(), kvFalse());
    EXPECT_EQ(call(s(u"abc"), u"match").get(), kvNull());
}

TEST_F(StringTest, EqualsCompareAndTexts) {
    EXPECT_EQ(call(s(u"abc"), u"equals", {s(u"abc")}).get(), kvTrue());
    EXPECT_EQ(call(s(u"abc"), u"equals", {s(u"abd")}).get(), kvFalse());
    EXPECT_LT(s(u"abc")->compare(s(u"abd")), 0);
    EXPECT_LT(s(u"ab")->compare(s(u"abc")), 0) << "a proper prefix sorts first";
    EXPECT_EQ(s(u"abc")->compare(s(u"abc")), 0);
    EXPECT_GT(s(u"b")->compare(s(u"abc")), 0);
    EXPECT_EQ(s(u"abc")->compare(kvInt(1)), -1);
    EXPECT_EQ(toUtf8(s(u"a\"b")->detailString(3)), "\"a\"b\"");
    EXPECT_EQ(run(u"x", u"debugString"), "\"x\"");
}

TEST_F(StringTest, LengthCountsCodeUnits) {
    KvBaseObject* text = s(u"a\U0001F600");
    KvMemberLookup length = lookupMember(*text, u"length");
    ASSERT_EQ(length.code, kBindBuiltinProperty);
    EXPECT_EQ(text->getBuiltinProperty(length.record->id), kvInt(3));
}

TEST_F(StringTest, BytesAreUtf8) {
    Ref bytes = call(s(u"é"), u"bytes");
    auto* b = static_cast<KvObjBytes*>(bytes.get());
    ASSERT_EQ(b->length(), 2u);
    EXPECT_EQ(b->data()[0], 0xC3);
    EXPECT_EQ(b->data()[1], 0xA9);
    EXPECT_EQ(call(s(u""), u"bytes").get(), kvNull());
    std::u16string lone = u"a";
    lone += char16_t(0xDC00);
    Ref skipped = call(s(lone), u"toBytes");
    EXPECT_EQ(static_cast<KvObjBytes*>(skipped.get())->length(), 1u);
}

TEST_F(StringTest, BracketRanges) {
    auto range = [this](const std::u16string& text, KvBaseObject* a, KvBaseObject* b) {
        KvBaseObject* items[] = {a, b};
        KvBaseObject* owner = s(text);
        EXPECT_TRUE(owner->canSubscriptRange());
        EXPECT_FALSE(owner->canSubscript());
        return Ref(owner->getRange(KvArgList{2, items})).text();
    };
    EXPECT_EQ(range(u"abcdef", kvInt(1), kvInt(2)), "bc");
    EXPECT_EQ(range(u"abcdef", kvInt(1), kvInt(-1)), "bcdef");
    EXPECT_EQ(range(u"abcdef", n(-2), kvInt(99)), "ef");
    EXPECT_EQ(range(u"abcdef", kvInt(3), kvInt(1)), "");
    EXPECT_EQ(range(u"abcdef", kvInt(0), n(-9)), "");
    EXPECT_EQ(range(u"abcdef", n(-9), kvInt(2)), "") << "below -length reads as empty";
    EXPECT_EQ(range(u"abcdef", kvNull(), kvNull()), "abcdef") << "defaults 0 and -1";
    EXPECT_EQ(range(u"", kvInt(0), kvInt(0)), "");
}

TEST_F(StringTest, ConcatenationAndLiteralUnescaping) {
    Ref joined(kvConcat(s(u"n="), kvInt(5)));
    EXPECT_EQ(joined.text(), "n=5");
    Ref left(kvConcat(kvTrue(), s(u"!")));
    EXPECT_EQ(left.text(), "true!");
    EXPECT_EQ(kvUnescapeLiteral(u"\\\"\\\""), u"\"\"");
    EXPECT_EQ(kvUnescapeLiteral(u"a\\\\b"), u"a\\b");
    EXPECT_EQ(kvUnescapeLiteral(u"\\q"), u"q");
    EXPECT_EQ(kvUnescapeLiteral(u"end\\"), u"end\\") << "a final backslash stays";
    EXPECT_EQ(kvUnescapeLiteral(u"\\\\\\"), u"\\\\");
}

// Integer operands are written without a text of their own: every kind and
// sign, on either side, both sides numbers, and a float for contrast.
TEST_F(StringTest, ConcatenationWithIntegersOnEitherSide) {
    auto joined = [](KvBaseObject* a, KvBaseObject* b) { return Ref(kvConcat(a, b)).text(); };
    EXPECT_EQ(joined(s(u"k"), n(199999)), "k199999");
    EXPECT_EQ(joined(n(-1), s(u"|")), "-1|");
    EXPECT_EQ(joined(s(u""), n(INT32_MIN)), "-2147483648");
    Ref big(new KvObjLong(INT64_MIN));
    Ref large(new KvObjLong(5000000000));
    EXPECT_EQ(joined(big.get(), s(u"!")), "-9223372036854775808!");
    EXPECT_EQ(joined(s(u"x"), large.get()), "x5000000000");
    EXPECT_EQ(joined(s(u"k"), kvInt(0)), "k0");
    Ref half(new KvObjDouble(0.5));
    EXPECT_EQ(joined(s(u"f"), half.get()), "f" + toUtf8(half->toString()));
}

TEST_F(StringTest, TextAlgorithmsOnTheirOwn) {
    EXPECT_EQ(textSplit(u"x", u",", false), std::vector<std::u16string>{u"x"});
    EXPECT_EQ(textTrim(u" \t \t", true, true), u"\t ") << "mixed runs keep their middle";
    std::u16string out;
    ASSERT_TRUE(textReplace(u"abc", TextReplace{u"b", u"x", true, -5, 0}, out))
        << "a negative start searches from the beginning";
    EXPECT_EQ(out, u"axc");
}

}  // namespace
}  // namespace kestrel::testing
