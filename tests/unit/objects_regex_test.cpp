// Regular expressions below the scripts: the pattern cache compiles each
// text once (a failed compile included), templates parse their references
// once, and a cursor releases what it holds.
#include "objects/regex_pattern.h"
#include "objects/regex_template.h"
#include "objects/regex_value.h"
#include "objects/string_value.h"
#include "objects_test_support.h"

namespace kestrel::testing {
namespace {

using RegexTest = ObjectsTest;

TEST_F(RegexTest, CacheCompilesEachPatternOnce) {
    Ref subject(new KvObjString(u"xxabbcxx"));
    Ref pattern(new KvObjString(u"ab+c(?#only in this test)"));
    int64_t before = kvPatternCompileCount();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(call(subject, u"test", {pattern.get()}).get(), kvTrue());
    }
    Ref cursor = call(subject, u"match", {pattern.get()});
    EXPECT_EQ(cursor->tag(), kTagRegex);
    EXPECT_EQ(kvPatternCompileCount(), before + 1);
}

TEST_F(RegexTest, FailedCompileIsCachedToo) {
    Ref subject(new KvObjString(u"abc"));
    Ref bad(new KvObjString(u"((unclosed in this test"));
    int64_t before = kvPatternCompileCount();
    EXPECT_EQ(call(subject, u"test", {bad.get()}).get(), kvFalse());
    EXPECT_EQ(call(subject, u"match", {bad.get()}).get(), kvNull());
    EXPECT_EQ(call(subject, u"test", {bad.get()}).get(), kvFalse());
    EXPECT_EQ(kvPatternCompileCount(), before + 1);
    EXPECT_EQ(kvCachedPattern(u"((unclosed in this test"), nullptr);
}

TEST_F(RegexTest, CursorHoldsSubjectAndPatternUntilItDies) {
    Ref subject(new KvObjString(u"a1"));
    Ref pattern(new KvObjString(u"[0-9]"));
    {
        Ref cursor = call(subject, u"match", {pattern.get()});
        EXPECT_EQ(subject->refCount(), 2);
        EXPECT_EQ(pattern->refCount(), 2);
    }
    EXPECT_EQ(subject->refCount(), 1);
    EXPECT_EQ(pattern->refCount(), 1);
}

// Expands a template against one match of pattern in subject.
std::u16string expand(const std::u16string& templateText, const std::u16string& pattern,
                      const std::u16string& subject) {
    const pcre2_code* code = kvCachedPattern(pattern);
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    KvRegexMatch match;
    std::u16string out;
    if (kvRegexMatchAt(code, subject, 0, data, match)) {
        KvRegexTemplate(templateText).appendExpansion(out, subject, match);
    }
    pcre2_match_data_free(data);
    return out;
}

TEST_F(RegexTest, TemplateReferences) {
    EXPECT_EQ(expand(u"$2-$1", u"(\\w)(\\w)", u"ab"), u"b-a");
    EXPECT_EQ(expand(u"[$3]", u"(\\w)(\\w)", u"ab"), u"[]") << "beyond the group count";
    EXPECT_EQ(expand(u"[$1][$2]", u"(b)|(a)", u"a"), u"[][a]") << "an unset group";
    EXPECT_EQ(expand(u"$", u"a", u"a"), u"$");
    EXPECT_EQ(expand(u"\\$0", u"a", u"a"), u"\\$0");
    EXPECT_EQ(expand(u"\\\\$0", u"a", u"a"), u"\\\\a");
    EXPECT_EQ(expand(u"\\\\\\$0", u"a", u"a"), u"\\\\\\$0");
    EXPECT_EQ(expand(u"$$0$", u"a", u"a"), u"$a$");
}

TEST_F(RegexTest, MatchFromAnOffset) {
    const pcre2_code* code = kvCachedPattern(u"[0-9]+");
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    KvRegexMatch match;
    std::u16string subject = u"a12b3";
    ASSERT_TRUE(kvRegexMatchAt(code, subject, 3, data, match));
    EXPECT_EQ(match.start(), 4u);
    EXPECT_FALSE(kvRegexMatchAt(code, subject, 5, data, match));
    EXPECT_FALSE(kvRegexMatchAt(code, subject, 6, data, match)) << "an offset past the end";
    pcre2_match_data_free(data);
}

}  // namespace
}  // namespace kestrel::testing
