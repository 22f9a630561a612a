// The text handles of instructions and the table that holds their texts:
// sharing, the empty handle, stability while the table grows and moves,
// and taking an instruction's text into another module.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vm/instruction.h"

namespace kestrel {
namespace {

TEST(InstructionText, EqualTextsShareOneEntryAndEmptyTakesNone) {
    TextTable table;
    InstructionText a = table.add(u"name");
    InstructionText b = table.add(std::u16string(u"na") + u"me");
    EXPECT_EQ(&a.str(), &b.str());
    EXPECT_EQ(table.size(), 1u);
    InstructionText none = table.add(u"");
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.size(), 0u);
    EXPECT_EQ(table.size(), 1u);
    EXPECT_TRUE(Instruction().text.empty());
    EXPECT_EQ(Instruction().text, u"");
    const std::u16string& asString = a;  // existing readers take a string
    EXPECT_EQ(asString, u"name");
}

// Long and short texts (inside and outside the string's own buffer) keep
// their handles while the table grows and after it is moved.
TEST(InstructionText, HandlesSurviveGrowthAndMoves) {
    TextTable table;
    std::vector<InstructionText> handles;
    for (int i = 0; i < 5000; ++i) {
        std::u16string text = i % 2 ? u"t" : u"a text longer than any short-string buffer ";
        for (char c : std::to_string(i)) text += static_cast<char16_t>(c);
        handles.push_back(table.add(text));
    }
    TextTable moved(std::move(table));
    TextTable assigned;
    assigned = std::move(moved);
    for (int i = 0; i < 5000; ++i) {
        std::string digits = std::to_string(i);
        const std::u16string& text = handles[static_cast<size_t>(i)];
        ASSERT_GE(text.size(), digits.size());
        EXPECT_EQ(text.back(), static_cast<char16_t>(digits.back())) << i;
        EXPECT_TRUE(assigned.owns(handles[static_cast<size_t>(i)]));
        EXPECT_EQ(&assigned.add(text).str(), &text) << i;  // found, not added again
    }
    EXPECT_EQ(assigned.size(), 5000u);
}

// A compiled module moved as a whole keeps its instructions' texts; an
// instruction copied into another module's list takes its text along.
TEST(InstructionText, ModulesMoveWithTheirTextsAndCopiesAdoptThem) {
    CompiledModule first;
    Instruction named;
    named.opcode = Opcode::MemberRef;
    named.text = first.texts.add(u"size");
    first.code.push_back(named);
    first.code.push_back(Instruction());
    CompiledModule second = std::move(first);
    EXPECT_EQ(second.code[0].text, u"size");
    EXPECT_TRUE(second.texts.owns(second.code[0].text));

    CompiledModule other;
    Instruction copy = second.code[0];
    EXPECT_FALSE(other.texts.owns(copy.text));
    copy.text = other.texts.adopt(copy.text);
    EXPECT_TRUE(other.texts.owns(copy.text));
    EXPECT_NE(&copy.text.str(), &second.code[0].text.str());
    EXPECT_EQ(copy.text, second.code[0].text);
    EXPECT_TRUE(other.texts.owns(second.code[1].text));  // the empty handle belongs anywhere
}

}  // namespace
}  // namespace kestrel
