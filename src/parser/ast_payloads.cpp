// Child hand-out and printable descriptions of every payload shape.
// takeChildren leaves each payload empty but valid; describe never changes it.
#include "parser/ast_payloads.h"

#include <unordered_map>

#include "host/utf8.h"
#include "parser/ast_node.h"

namespace kestrel {

namespace {

void take(KvAstNodePtr& node, std::vector<KvAstNodePtr>& out) {
    if (node) out.push_back(std::move(node));
    node.reset();
}

void take(KvAstChild& node, std::vector<KvAstNodePtr>& out) {
    if (KvAstNodePtr held = node.take()) out.push_back(std::move(held));
}

void takeAll(KvAstNodeList& list, std::vector<KvAstNodePtr>& out) {
    for (auto& node : list) take(node, out);
    list.clear();
}

}  // namespace

// The set only grows by operator texts the tokenizer can produce (and the
// few a test or a later pass names), so it stays tiny for the whole process.
// Parsing runs on the main thread only.
namespace {
constexpr uint32_t kNoOperator = 0;  // singleOperators' zero: not yet numbered
uint32_t singleOperators[128] = {};  // zero before any code runs: no guard on the hot path

std::vector<const std::u16string*>& operatorTextTable() {
    static std::vector<const std::u16string*> table{nullptr};  // number 0 is never handed out
    return table;
}
}  // namespace

const std::vector<const std::u16string*>& KvAstOperatorText::operatorTexts() { return operatorTextTable(); }

KvAstOperatorText::KvAstOperatorText(std::u16string_view text) {
    const bool single = text.size() == 1 && text[0] < 128;
    if (single && singleOperators[text[0]] != kNoOperator) {
        id_ = singleOperators[text[0]];
        return;
    }
    static std::unordered_map<std::u16string, uint32_t> numbers;
    std::vector<const std::u16string*>& table = operatorTextTable();
    auto [at, added] = numbers.emplace(std::u16string(text), static_cast<uint32_t>(table.size()));
    if (added) table.push_back(&at->first);  // map nodes never move
    id_ = at->second;
    if (single) singleOperators[text[0]] = id_;
}

void KvAstChild::set(const KvAstNodePtr& node) {
    if (node.use_count() == 0) {  // nothing to own: null, or a node of an arena
        bits_ = reinterpret_cast<uintptr_t>(node.get());
    } else {
        bits_ = reinterpret_cast<uintptr_t>(new KvAstNodePtr(node)) | kHeld;
    }
}

void KvAstChild::clear() {
    if (bits_ & kHeld) delete reinterpret_cast<KvAstNodePtr*>(bits_ & ~kHeld);
    bits_ = 0;
}

KvAstChild& KvAstChild::operator=(const KvAstChild& other) {
    if (this != &other) {
        KvAstNodePtr keep = other.pointer();  // other may live inside what this link holds
        clear();
        set(keep);
    }
    return *this;
}

KvAstChild& KvAstChild::operator=(KvAstChild&& other) noexcept {
    if (this != &other) {
        clear();
        bits_ = other.bits_;
        other.bits_ = 0;
    }
    return *this;
}

KvAstNodePtr KvAstChild::pointer() const {
    if (bits_ & kHeld) return *reinterpret_cast<const KvAstNodePtr*>(bits_ & ~kHeld);
    return KvAstNodePtr(KvAstNodePtr(), reinterpret_cast<KvAstNode*>(bits_));
}

KvAstNodePtr KvAstChild::take() {
    KvAstNodePtr out;
    if (bits_ & kHeld) {
        auto* held = reinterpret_cast<KvAstNodePtr*>(bits_ & ~kHeld);
        out = std::move(*held);
        delete held;
    } else if (bits_) {
        out = KvAstNodePtr(KvAstNodePtr(), reinterpret_cast<KvAstNode*>(bits_));
    }
    bits_ = 0;
    return out;
}

void KvAstDescription::value(const char* key, const std::u16string& text) {
    values.emplace_back(key, toUtf8(text));
}

void KvAstDescription::names(const char* key, const KvAstNameList& list) {
    std::string joined;
    for (const auto& name : list) {
        if (!joined.empty()) joined += ",";
        joined += toUtf8(name);
    }
    values.emplace_back(key, joined);
}

void KvAstDescription::child(const char* role, const KvAstNodePtr& node) {
    children.emplace_back(role, node.get());
}

void KvAstDescription::childList(const char* role, const KvAstNodeList& list) {
    for (const auto& node : list) child(role, node);
}

void KvAstOneChild::takeChildren(std::vector<KvAstNodePtr>& out) { take(child, out); }
void KvAstOneChild::describe(KvAstDescription& out) const { out.child("", child); }

void KvAstTwoChildren::takeChildren(std::vector<KvAstNodePtr>& out) {
    take(first, out);
    take(second, out);
}
void KvAstTwoChildren::describe(KvAstDescription& out) const {
    out.child("", first);
    out.child("", second);
}

void KvAstThreeChildren::takeChildren(std::vector<KvAstNodePtr>& out) {
    take(first, out);
    take(second, out);
    take(third, out);
}
void KvAstThreeChildren::describe(KvAstDescription& out) const {
    out.child("", first);
    out.child("", second);
    out.child("", third);
}

void KvAstList::takeChildren(std::vector<KvAstNodePtr>& out) { takeAll(items, out); }
void KvAstList::describe(KvAstDescription& out) const { out.childList("", items); }

void KvAstOperator::takeChildren(std::vector<KvAstNodePtr>& out) {
    take(left, out);
    take(right, out);
}
void KvAstOperator::describe(KvAstDescription& out) const {
    out.child("", left);
    out.child("", right);
}

void KvAstDefinition::takeChildren(std::vector<KvAstNodePtr>& out) { take(value, out); }
void KvAstDefinition::describe(KvAstDescription& out) const {
    out.value("name", name);
    out.child("", value);
}

void KvAstMultiDefinition::takeChildren(std::vector<KvAstNodePtr>& out) { take(value, out); }
void KvAstMultiDefinition::describe(KvAstDescription& out) const {
    out.names("names", names);
    out.child("", value);
}

void KvAstFunction::takeChildren(std::vector<KvAstNodePtr>& out) {
    takeAll(body, out);
    take(extra, out);
}
void KvAstFunction::describe(KvAstDescription& out) const {
    out.value("name", name);
    out.names("params", params);
    out.childList("", body);
    if (extra) out.child("extra", extra);
}

void KvAstClass::takeChildren(std::vector<KvAstNodePtr>& out) {
    takeAll(variables, out);
    takeAll(functions, out);
}
void KvAstClass::describe(KvAstDescription& out) const {
    out.value("name", name);
    if (!extends.empty()) out.names("extends", extends);
    if (!implements.empty()) out.names("implements", implements);
    out.childList("", variables);
    out.childList("", functions);
}

void KvAstCallLike::takeChildren(std::vector<KvAstNodePtr>& out) {
    take(target, out);
    takeAll(arguments, out);
}
void KvAstCallLike::describe(KvAstDescription& out) const {
    out.child("", target);
    out.childList("arg", arguments);
}

void KvAstCountedLoop::takeChildren(std::vector<KvAstNodePtr>& out) {
    takeAll(initialisers, out);
    take(test, out);
    takeAll(updates, out);
    take(body, out);
}
void KvAstCountedLoop::describe(KvAstDescription& out) const {
    out.childList("init", initialisers);
    out.child("test", test);
    out.childList("update", updates);
    out.child("body", body);
}

void KvAstEachLoop::takeChildren(std::vector<KvAstNodePtr>& out) {
    take(range, out);
    take(body, out);
}
void KvAstEachLoop::describe(KvAstDescription& out) const {
    out.value("name", name);
    out.child("range", range);
    out.child("body", body);
}

void KvAstTry::takeChildren(std::vector<KvAstNodePtr>& out) {
    take(tryBlock, out);
    take(catchBlock, out);
    take(finallyBlock, out);
    take(catchVar, out);
}
void KvAstTry::describe(KvAstDescription& out) const {
    if (!catchName.empty()) out.value("catch", catchName);
    out.child("try", tryBlock);
    out.child("catch", catchBlock);
    out.child("finally", finallyBlock);
}

void KvAstSwitch::takeChildren(std::vector<KvAstNodePtr>& out) {
    take(test, out);
    for (auto& c : cases) {
        takeAll(c.values, out);
        takeAll(c.statements, out);
    }
    cases.clear();
}
void KvAstSwitch::describe(KvAstDescription& out) const {
    out.child("", test);
    for (const auto& c : cases) {
        if (c.values.empty()) out.child("default", KvAstNodePtr());
        out.childList("case", c.values);
        out.childList("do", c.statements);
    }
}

void KvAstImport::takeChildren(std::vector<KvAstNodePtr>&) {}
void KvAstImport::describe(KvAstDescription& out) const {
    out.values.emplace_back("kind", std::to_string(kind));
    out.names("path", path);
    if (selectAll) out.values.emplace_back("select", "*");
    for (const auto& field : fields) {
        std::string entry = toUtf8(field.first);
        if (!field.second.empty()) entry += " as " + toUtf8(field.second);
        out.values.emplace_back("select", entry);
    }
}

void KvAstNames::takeChildren(std::vector<KvAstNodePtr>&) {}
void KvAstNames::describe(KvAstDescription& out) const { out.names("names", names); }

void KvAstOwnedNode::takeChildren(std::vector<KvAstNodePtr>& out) { take(node, out); }
void KvAstOwnedNode::describe(KvAstDescription& out) const { out.child("", node); }

}  // namespace kestrel
