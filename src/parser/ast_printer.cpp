// Tree printers over an explicit work stack: a left-deep chain of a million
// operators prints without native recursion. Output is UTF-8.
#include "parser/ast_printer.h"

#include <algorithm>
#include <vector>

#include "host/utf8.h"

namespace kestrel {

namespace {

constexpr size_t kMaxIndentDepth = 64;

// Node text in UTF-8 with line breaks and tabs written as escapes, so each
// node stays on one line of output.
std::string printable(const std::u16string& text) {
    std::string out;
    for (char ch : toUtf8(text)) {
        switch (ch) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += ch;
        }
    }
    return out;
}

KvAstDescription describe(const KvAstNode& node) {
    KvAstDescription description;
    if (node.payload()) node.payload()->describe(description);
    return description;
}

std::string joinValues(const KvAstDescription& description) {
    std::string out;
    for (const auto& value : description.values) {
        if (!out.empty()) out += " ";
        out += value.first + "=" + value.second;
    }
    return out;
}

bool isOperatorNode(const KvAstNode& node) {
    switch (node.type()) {
    case KvAstType_NumberOp:
    case KvAstType_BoolOp:
    case KvAstType_BitOp:
    case KvAstType_CompoundAssign:
    case KvAstType_NotExpr:
        return true;
    default:
        return false;
    }
}

// The head of a node in compact form.
std::string compactLabel(const KvAstNode& node, const KvAstDescription& description) {
    const std::string text = printable(node.textRef());
    switch (node.type()) {
    case KvAstType_Var:
        return node.payload() ? text + ":" : text;
    case KvAstType_Number:
    case KvAstType_Null:
    case KvAstType_Bool:
        return text;
    case KvAstType_String:
        return "\"" + text + "\"";
    default:
        break;
    }
    if (isOperatorNode(node)) return text;
    std::string label = astTypeName(node.type());
    std::string values = joinValues(description);
    return values.empty() ? label : label + "[" + values + "]";
}

struct CompactItem {
    const KvAstNode* node;
    std::string text;  // printed as is when node is null
};

void expandCompact(const KvAstNode& node, std::vector<CompactItem>& stack) {
    KvAstDescription description = describe(node);
    std::string label = compactLabel(node, description);
    if (!node.payload()) {
        stack.push_back({nullptr, label});
        return;
    }
    if (node.type() == KvAstType_Var) {  // a map entry: key: value
        stack.push_back({description.children.front().second, ""});
        stack.push_back({nullptr, label});
        return;
    }
    stack.push_back({nullptr, ")"});
    for (size_t k = description.children.size(); k-- > 0;) {
        const auto& child = description.children[k];
        if (child.second) {
            stack.push_back({child.second, ""});
        } else {
            stack.push_back({nullptr, "-"});
        }
        std::string prefix = child.first.empty() ? "" : child.first + ":";
        if (k > 0) prefix = ", " + prefix;
        if (!prefix.empty()) stack.push_back({nullptr, prefix});
    }
    stack.push_back({nullptr, label + "("});
}

}  // namespace

std::string compactAst(const KvAstNode* root) {
    if (!root) return "-";
    std::string out;
    std::vector<CompactItem> stack{{root, ""}};
    while (!stack.empty()) {
        CompactItem item = std::move(stack.back());
        stack.pop_back();
        if (item.node) {
            expandCompact(*item.node, stack);
        } else {
            out += item.text;
        }
    }
    return out;
}

std::string dumpAst(const KvAstNode& root) {
    struct Entry {
        const KvAstNode* node;
        size_t depth;
        std::string role;
    };
    std::string out;
    std::vector<Entry> stack{{&root, 0, ""}};
    while (!stack.empty()) {
        Entry entry = std::move(stack.back());
        stack.pop_back();
        // Deep chains keep a bounded indent (and state their depth) so output stays linear.
        out.append(std::min(entry.depth, kMaxIndentDepth) * 2, ' ');
        if (entry.depth > kMaxIndentDepth) out += "[depth " + std::to_string(entry.depth) + "] ";
        if (!entry.role.empty()) out += entry.role + ": ";
        if (!entry.node) {
            out += "-\n";
            continue;
        }
        const KvAstNode& node = *entry.node;
        KvAstDescription description = describe(node);
        out += astTypeName(node.type());
        if (!node.textRef().empty() || node.type() == KvAstType_String)
            out += " \"" + printable(node.textRef()) + "\"";
        std::string values = joinValues(description);
        if (!values.empty()) out += " " + values;
        out += " line:" + std::to_string(node.line()) + "\n";
        for (size_t k = description.children.size(); k-- > 0;)
            stack.push_back({description.children[k].second, entry.depth + 1, description.children[k].first});
    }
    return out;
}

}  // namespace kestrel
