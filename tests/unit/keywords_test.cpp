// The keyword list: exactly the words the tokenizer reserves, and the words
// that begin a statement, each found by its text.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "frontend/keywords.h"
#include "tokenizer_test_util.h"

namespace kestrel::testing {
namespace {

std::set<std::string> wordsWhere(bool (*keep)(const KeywordInfo&)) {
    std::set<std::string> out;
#define KESTREL_KEYWORD_TEXT(name, spelled, spelling, role)         \
    {                                                                \
        const KeywordInfo* info = findKeyword(spelled);              \
        EXPECT_NE(info, nullptr);                                    \
        if (info) {                                                  \
            EXPECT_EQ(info->id, Keyword::name);                      \
            if (keep(*info)) out.insert(toUtf8(info->text));         \
        }                                                            \
    }
    KESTREL_KEYWORDS(KESTREL_KEYWORD_TEXT)
#undef KESTREL_KEYWORD_TEXT
    return out;
}

TEST(Keywords, ReservedWordsAreTheTokenizersKeywords) {
    const std::set<std::string> reserved = {"var", "func", "return", "class", "interface", "protocal", "extends",
                                            "implements", "this", "super", "const", "let", "if", "else", "while",
                                            "for", "in", "do", "switch", "break", "try", "catch", "throw", "new",
                                            "import", "select"};
    EXPECT_EQ(wordsWhere([](const KeywordInfo& info) { return info.reserved(); }), reserved);
    for (const std::string& word : reserved) {
        EXPECT_EQ(describe(fromUtf8(word)), std::vector<std::string>{"Keyword:" + word});
    }
    EXPECT_EQ(describe(u"continue"), std::vector<std::string>{"Identifier:continue"});
    EXPECT_EQ(findKeyword(u"While"), nullptr);  // case matters
}

TEST(Keywords, StatementWords) {
    const std::set<std::string> statements = {"if", "do", "while", "for", "var", "break", "continue", "new",
                                              "throw", "return", "try", "switch", "func", "class", "import"};
    EXPECT_EQ(wordsWhere([](const KeywordInfo& info) { return info.beginsStatement(); }), statements);
}

}  // namespace
}  // namespace kestrel::testing
