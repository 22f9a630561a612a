// Language packs and the start-up JSON reader: the maps one pack fills, the
// reader's refusals (nesting, trailing text), and the shipped Chinese pack,
// whose spellings must cover every keyword and action and never collide.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "frontend/keyword_map.h"
#include "frontend/tokenizer.h"
#include "host/utf8.h"
#include "shell/json_file.h"
#include "shell/language_packs.h"
#include "tokenizer_test_util.h"
#include "vm/builtin_names.h"

using namespace kestrel;

namespace {

// The keyword set of the tokenizer, as a script writes it.
const char* const kKeywords[] = {
    "var",   "func",   "return", "class", "interface", "protocal", "extends",
    "implements", "this", "super", "const", "let",     "if",       "else",
    "while", "for",    "in",     "do",    "switch",    "break",    "try",
    "catch", "throw",  "new",    "import", "select"};

Json::Value parsed(const std::string& text) {
    Json::Value document;
    EXPECT_TRUE(parseJsonText(text, document)) << text;
    return document;
}

const std::u16string* mapped(const std::u16string& spelling) { return keywordMap().lookup(spelling); }

class LanguagePack : public ::testing::Test {
protected:
    void TearDown() override { clearLanguagePacks(); }
};

}  // namespace

TEST(JsonFile, AcceptsAnyDocumentAndRefusesTrailingText) {
    Json::Value document;
    EXPECT_TRUE(parseJsonText("{}", document));
    EXPECT_TRUE(parseJsonText(" 12 ", document));
    EXPECT_TRUE(parseJsonText("null", document));
    EXPECT_TRUE(document.isNull());
    EXPECT_FALSE(parseJsonText("", document));
    EXPECT_FALSE(parseJsonText("{} x", document));
    EXPECT_FALSE(parseJsonText("[1,", document));
    EXPECT_TRUE(document.isNull()) << "a refused text leaves no partial document";
}

TEST(JsonFile, NestingBeyondTheLimitIsRefusedNotRecursedInto) {
    auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    Json::Value document;
    EXPECT_TRUE(parseJsonText(nested(kJsonNestingLimit - 1), document));
    EXPECT_FALSE(parseJsonText(nested(kJsonNestingLimit + 1), document));
    EXPECT_FALSE(parseJsonText(std::string(1 << 20, '['), document));
    EXPECT_FALSE(parseJsonText(std::string(1 << 20, '{'), document));
}

TEST(JsonFile, TextOfAMemberNeverThrows) {
    Json::Value value = parsed(R"({"s": "中文", "n": 3, "b": true, "a": [1], "o": {}, "z": null})");
    EXPECT_EQ(jsonText(value["s"]), u"中文");
    EXPECT_EQ(jsonText(value["n"]), u"3");
    EXPECT_EQ(jsonText(value["b"]), u"true");
    EXPECT_EQ(jsonText(value["a"]), u"");
    EXPECT_EQ(jsonText(value["o"]), u"");
    EXPECT_EQ(jsonText(value["z"]), u"");
    EXPECT_EQ(jsonText(value["missing"]), u"");
}

TEST_F(LanguagePack, KeywordsActionsAndObjectsFillTheirMaps) {
    applyLanguagePack(parsed(R"({
        "keywords": {"if": {"name": ["甲如果", 1, "乙如果"]}, "else": {"name": "甲否则"}},
        "actions": {"print": {"name": "甲打印"}},
        "objects": {"List": {"name": ["甲列表"],
                             "properties": {"length": {"name": "甲长度"}},
                             "methods": {"append": {"name": "甲追加"}}}}})"));
    ASSERT_NE(mapped(u"甲如果"), nullptr);
    EXPECT_EQ(*mapped(u"甲如果"), u"if");
    EXPECT_EQ(*mapped(u"乙如果"), u"if");
    EXPECT_EQ(*mapped(u"甲否则"), u"else");
    EXPECT_EQ(*mapped(u"甲打印"), u"print");
    EXPECT_EQ(actionMap().at(u"甲打印"), u"print");
    EXPECT_EQ(actionMap().count(u"甲如果"), 0u) << "keywords are not actions";
    EXPECT_EQ(objectNameMap().at(u"甲列表"), u"List");
    EXPECT_EQ(objectNameMap().at(u"List.甲长度"), u"length");
    EXPECT_EQ(objectNameMap().at(u"List.甲追加"), u"append");
    EXPECT_EQ(mapped(u"甲列表"), nullptr) << "object names are not read by the tokenizer";
}

// The fuzz target starts every input from no packs.
TEST_F(LanguagePack, ClearingForgetsEveryMap) {
    applyLanguagePack(parsed(R"({"keywords": {"if": {"name": "甲如果"}}, "actions": {"print": {"name": "甲打印"}},
                                 "objects": {"List": {"name": "甲列表", "methods": {"append": {"name": "甲追加"}}}}})"));
    clearLanguagePacks();
    EXPECT_TRUE(keywordMap().empty());
    EXPECT_TRUE(actionMap().empty());
    EXPECT_TRUE(objectNameMap().empty());
    EXPECT_TRUE(languagePacks().empty());
}

TEST_F(LanguagePack, ActionsOverrideKeywordsAndLaterPacksOverrideEarlier) {
    applyLanguagePack(parsed(R"({"actions": {"print": {"name": "丙说"}},
                                 "keywords": {"if": {"name": "丙说"}}})"));
    EXPECT_EQ(*mapped(u"丙说"), u"print") << "actions are applied after keywords";
    applyLanguagePack(parsed(R"({"keywords": {"while": {"name": "丙说"}}})"));
    EXPECT_EQ(*mapped(u"丙说"), u"while");
}

TEST_F(LanguagePack, MalformedMembersAreSkipped) {
    for (const char* text : {"[]", "\"x\"", "7", "null", R"({"keywords": [1], "actions": "a", "objects": 5})",
                             R"({"keywords": {"if": "丁如果", "else": {"name": 5}, "do": {"name": {}}}})",
                             R"({"objects": {"List": {"name": {}, "properties": [], "methods": {"get": "丁取"}}}})"}) {
        applyLanguagePack(parsed(text));
    }
    EXPECT_TRUE(keywordMap().empty());
    EXPECT_EQ(objectNameMap().count(u"List.丁取"), 0u);
}

TEST_F(LanguagePack, LocalizedPunctuationAndLiteralsTakeTheirKinds) {
    applyLanguagePack(parsed(R"({"keywords": {"{": {"name": "开始"}, "}": {"name": "结束"},
                                              "true": {"name": "戊真"}, "if": {"name": "戊如果"}}})"));
    TokenList tokens = kestrel::testing::tokenizeText(u"戊如果 戊真 开始 结束");
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(kestrel::testing::describe(tokens),
              (std::vector<std::string>{"Keyword:if", "Bool:true", "OpenBrace:{", "CloseBrace:}"}));
    EXPECT_EQ(tokens.spelling(tokens[0]), u"戊如果");
    EXPECT_EQ(tokens.spelling(tokens[2]), u"开始");
}

// The shipped pack, read as start-up reads it (relative to tests/unit).
class ShippedChinesePack : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(readJsonFile(u"../../lang/CHS.json", pack_), JsonFileResult::Parsed);
        ASSERT_TRUE(pack_.isObject());
    }
    void TearDown() override { keywordMap().clear(); }

    // Every spelling of every entry of a section, with the built-in word.
    std::vector<std::pair<std::u16string, std::u16string>> spellings(const Json::Value& section) const {
        std::vector<std::pair<std::u16string, std::u16string>> out;
        for (const std::string& word : section.getMemberNames()) {
            const Json::Value& name = section[word]["name"];
            EXPECT_TRUE(name.isString() || name.isArray()) << word;
            if (name.isString()) out.emplace_back(fromUtf8(name.asString()), fromUtf8(word));
            for (const Json::Value& element : name.isArray() ? name : Json::Value(Json::arrayValue)) {
                EXPECT_TRUE(element.isString()) << word;
                out.emplace_back(fromUtf8(element.asString()), fromUtf8(word));
            }
        }
        return out;
    }

    Json::Value pack_;
};

TEST_F(ShippedChinesePack, CoversEveryKeywordAndAction) {
    for (const char* keyword : kKeywords)
        EXPECT_TRUE(pack_["keywords"].isMember(keyword)) << "no spelling for " << keyword;
    for (int32_t i = 0; i < kBuiltinCount; ++i)
        EXPECT_TRUE(pack_["actions"].isMember(toUtf8(builtinName(i)))) << "no spelling for " << toUtf8(builtinName(i));
    for (const char* object : {"String", "Number", "List", "Map", "Bytes", "Exception"})
        EXPECT_TRUE(pack_["objects"].isMember(object)) << "no spelling for " << object;
}

TEST_F(ShippedChinesePack, NoSpellingIsClaimedByTwoWords) {
    std::map<std::u16string, std::u16string> owner;  // spelling -> built-in word
    auto claim = [&](const std::u16string& spelling, const std::u16string& word) {
        EXPECT_FALSE(spelling.empty()) << toUtf8(word);
        auto [at, fresh] = owner.emplace(spelling, word);
        EXPECT_TRUE(fresh) << toUtf8(spelling) << " is both " << toUtf8(at->second) << " and " << toUtf8(word);
    };
    for (const auto& [spelling, word] : spellings(pack_["keywords"])) claim(spelling, word);
    for (const auto& [spelling, word] : spellings(pack_["actions"])) claim(spelling, word);
    for (const auto& [spelling, word] : spellings(pack_["objects"])) claim(spelling, word);
    const Json::Value& objects = pack_["objects"];
    for (const std::string& object : objects.getMemberNames()) {
        std::set<std::u16string> members;
        for (const char* section : {"properties", "methods"}) {
            if (!objects[object].isMember(section)) continue;
            for (const auto& [spelling, member] : spellings(objects[object][section])) {
                EXPECT_TRUE(members.insert(spelling).second) << object << "." << toUtf8(spelling) << " twice";
                EXPECT_EQ(owner.count(spelling), 0u)
                    << object << "." << toUtf8(member) << ": " << toUtf8(spelling)
                    << " would be read as a keyword or action";
            }
        }
    }
}

TEST_F(ShippedChinesePack, EveryKeywordSpellingTokenizesAsItsKeyword) {
    applyLanguagePack(pack_);
    for (const auto& [spelling, word] : spellings(pack_["keywords"])) {
        TokenList tokens = kestrel::testing::tokenizeText(spelling);
        ASSERT_EQ(tokens.size(), 1u) << toUtf8(spelling) << " is not one word";
        EXPECT_EQ(tokens.text(0), word);
        EXPECT_EQ(tokens.spelling(tokens[0]), spelling);
    }
    for (const auto& [spelling, word] : spellings(pack_["actions"])) {
        TokenList tokens = kestrel::testing::tokenizeText(spelling + u"()");
        ASSERT_FALSE(tokens.empty());
        EXPECT_EQ(tokens[0].kind, TokenKind::Identifier);
        EXPECT_EQ(tokens.text(0), word);
    }
}
