// The text table of a compiled module and the empty text of null handles.
#include "vm/instruction_text.h"

namespace kestrel {

const std::u16string& InstructionText::none() {
    static const std::u16string empty;
    return empty;
}

InstructionText TextTable::add(std::u16string_view text) {
    if (text.empty()) return InstructionText();
    auto found = index_.find(text);
    if (found != index_.end()) return InstructionText(found->second);
    const std::u16string& entry = texts_.emplace_back(text);
    index_.emplace(std::u16string_view(entry), &entry);
    return InstructionText(&entry);
}

bool TextTable::owns(const InstructionText& handle) const {
    if (!handle.text_) return true;
    auto found = index_.find(*handle.text_);
    return found != index_.end() && found->second == handle.text_;
}

}  // namespace kestrel
