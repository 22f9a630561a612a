// The text operand of an instruction (a member or class name, a string
// constant, a call's expression) as an 8-byte handle into the text table of
// the compiled module that holds the instruction. Most instructions carry no
// text, so a handle is null then and reads as the empty text; equal texts
// of one module share one entry. A handle is valid only together with its
// module: instructions never move to another module's list without their
// texts being added to that module's table.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kestrel {

class InstructionText {
public:
    InstructionText() = default;

    const std::u16string& str() const { return text_ ? *text_ : none(); }
    // Existing readers take the text as a string.
    operator const std::u16string&() const { return str(); }  // NOLINT(google-explicit-constructor)
    bool empty() const { return !text_ || text_->empty(); }
    size_t size() const { return text_ ? text_->size() : 0; }

    friend bool operator==(const InstructionText& a, const InstructionText& b) { return a.str() == b.str(); }
    friend bool operator!=(const InstructionText& a, const InstructionText& b) { return !(a == b); }
    friend bool operator==(const InstructionText& a, std::u16string_view b) { return a.str() == b; }
    friend bool operator!=(const InstructionText& a, std::u16string_view b) { return a.str() != b; }

private:
    friend class TextTable;
    explicit InstructionText(const std::u16string* text) : text_(text) {}
    static const std::u16string& none();

    const std::u16string* text_ = nullptr;  // an entry of the owning module's table, or null
};

static_assert(sizeof(InstructionText) == sizeof(void*), "a text handle is one pointer");

// The texts of one compiled module. Entries never move (a deque keeps its
// elements in place as it grows, and moving the table moves its blocks), so
// handles stay valid for as long as the table lives.
class TextTable {
public:
    TextTable() = default;
    TextTable(TextTable&&) = default;
    TextTable& operator=(TextTable&&) = default;
    TextTable(const TextTable&) = delete;  // handles would still point into the original
    TextTable& operator=(const TextTable&) = delete;

    // The handle of text, adding it when the table does not hold it yet;
    // the empty text is the null handle and takes no entry.
    InstructionText add(std::u16string_view text);
    // The same text held by this table: what an instruction taken from
    // another module's list needs before it joins this module's list.
    InstructionText adopt(const InstructionText& foreign) { return add(foreign.str()); }
    // Whether the handle is null or points into this table.
    bool owns(const InstructionText& handle) const;
    size_t size() const { return texts_.size(); }

private:
    std::deque<std::u16string> texts_;
    std::unordered_map<std::u16string_view, const std::u16string*> index_;  // views into texts_
};

}  // namespace kestrel
