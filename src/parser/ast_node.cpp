// Construction, payload replacement and worklist-based release of syntax nodes.
// A node's children are freed iteratively, so a left-deep chain of a million
// operators is destroyed without deep native recursion.
#include "parser/ast_node.h"

#include <utility>
#include <vector>

namespace kestrel {

KvAstNode::KvAstNode(uint32_t type, std::unique_ptr<KvAstPayload> payload)
    : type_(type), payload_(std::move(payload)) {}

KvAstNode::KvAstNode(uint32_t type, std::u16string text) : text_(std::move(text)), type_(type) {}

KvAstNode::KvAstNode(uint32_t type, const char16_t* text) : text_(text ? text : u""), type_(type) {}

KvAstNode::~KvAstNode() { releasePayload(); }

void KvAstNode::setPayload(std::unique_ptr<KvAstPayload> payload) {
    releasePayload();
    payload_ = std::move(payload);
}

// Children held only by this subtree are emptied before they die, so each
// destructor sees an empty payload and nothing recurses.
void KvAstNode::releasePayload() {
    if (!payload_) return;
    std::vector<KvAstNodePtr> pending;
    payload_->takeChildren(pending);
    payload_.reset();
    while (!pending.empty()) {
        KvAstNodePtr node = std::move(pending.back());
        pending.pop_back();
        if (node.use_count() == 1 && node->payload_) {
            node->payload_->takeChildren(pending);
            node->payload_.reset();
        }
    }
}

void adoptChildren(KvAstNode* parent, const KvAstNodeList& list) {
    for (const auto& node : list)
        if (node) node->setParent(parent);
}

void adoptChild(KvAstNode* parent, const KvAstNodePtr& child) {
    if (child) child->setParent(parent);
}

void spanNodes(KvAstNode& node, const KvAstNode& first, const KvAstNode& last) {
    node.setLine(first.line());
    node.setStart(first.start());
    node.setEnd(last.end());
    node.setNext(last.next());
}

namespace {

template <class Items>
KvAstNodePtr buildPipeFrom(Items& pending) {
    if (pending.empty()) return nullptr;
    if (pending.size() == 1) {
        KvAstNodePtr only = std::move(pending.front());
        pending.clear();
        return only;
    }
    auto list = std::make_unique<KvAstList>(KvAstNodeList(pending.begin(), pending.end()));
    auto pipe = std::make_shared<KvAstNode>(KvAstType_VarPipe, std::move(list));
    spanNodes(*pipe, *pending.front(), *pending.back());
    for (const auto& item : pending) item->setParent(pipe.get());
    pending.clear();
    return pipe;
}

}  // namespace

KvAstNodePtr buildPipe(KvAstNodeList& pending) { return buildPipeFrom(pending); }
KvAstNodePtr buildPipe(KvAstNodeVector& pending) { return buildPipeFrom(pending); }

}  // namespace kestrel
