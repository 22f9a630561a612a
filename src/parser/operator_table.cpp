// Operator tables: one list of boolean operators (text, level, code) and the
// arithmetic operator set. Built on first use under the language's static-init guard.
#include "parser/operator_table.h"

#include <string_view>
#include <unordered_map>

namespace kestrel {

namespace {

struct BoolOperatorEntry {
    const char16_t* text;
    BoolOperatorInfo info;
};

constexpr BoolOperatorEntry kBoolOperators[] = {
    {u"&&", {0, 0}}, {u"and", {0, 0}}, {u"||", {0, 1}}, {u"or", {0, 1}},
    {u">", {1, 5}},  {u">=", {1, 6}},  {u"<", {1, 7}},  {u"<=", {1, 8}},
    {u"==", {2, 2}}, {u"!=", {2, 3}},  {u"===", {2, 4}},
};

const std::unordered_map<std::u16string_view, BoolOperatorInfo>& boolTable() {
    static const auto table = [] {
        std::unordered_map<std::u16string_view, BoolOperatorInfo> built;
        for (const auto& entry : kBoolOperators) built.emplace(entry.text, entry.info);
        return built;
    }();
    return table;
}

}  // namespace

void loadOperatorTables() { boolTable(); }

BoolOperatorInfo boolOperatorInfo(std::u16string_view text) {
    const auto& table = boolTable();
    auto found = table.find(text);
    return found == table.end() ? BoolOperatorInfo{0, 0} : found->second;
}

bool isArithmeticOperator(std::u16string_view text) {
    return text.size() == 1 && std::u16string_view(u"-+%/*\\").find(text[0]) != std::u16string_view::npos;
}

int32_t arithmeticLevel(std::u16string_view text) {
    return (text == u"+" || text == u"-") ? 0 : 1;
}

std::u16string compoundAssignmentOperator(std::u16string_view text) {
    if (text == u"+=" || text == u"-=" || text == u"*=" || text == u"%=") return std::u16string(text.substr(0, 1));
    return std::u16string();
}

}  // namespace kestrel
