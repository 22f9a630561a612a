// Construction, payload replacement and worklist-based release of syntax nodes.
// A node's children are freed iteratively, so a left-deep chain of a million
// operators is destroyed without deep native recursion.
#include "parser/ast_node.h"

#include <utility>
#include <vector>

#include "parser/ast_arena.h"

namespace kestrel {

KvAstNode::KvAstNode(uint32_t type, std::unique_ptr<KvAstPayload> payload)
    : payload_(payload.release()), type_(static_cast<uint16_t>(type)) {}

KvAstNode::KvAstNode(uint32_t type, std::u16string text)
    : textId_(KvAstTexts::shared().acquire(text)), type_(static_cast<uint16_t>(type)) {}

KvAstNode::KvAstNode(uint32_t type, const char16_t* text) : KvAstNode(type, std::u16string(text ? text : u"")) {}

KvAstNode::KvAstNode(uint32_t type, uint32_t textId, InArena)
    : textId_(textId), type_(static_cast<uint16_t>(type)), flags_(kInArena) {}

KvAstNode::~KvAstNode() {
    releasePayload();
    if (!inArena()) KvAstTexts::shared().release(textId_);
}

void KvAstNode::setPayload(std::unique_ptr<KvAstPayload> payload) {
    releasePayload();
    payload_ = payload.release();
}

void KvAstNode::setArenaPayload(KvAstPayload* payload) {
    releasePayload();
    payload_ = payload;
    flags_ |= kPayloadInArena;
}

void KvAstNode::destroyPayload() {
    if (!payload_) return;
    if (flags_ & kPayloadInArena) {
        payload_->~KvAstPayload();  // its memory belongs to the arena
    } else {
        delete payload_;
    }
    payload_ = nullptr;
    flags_ &= static_cast<uint8_t>(~kPayloadInArena);
}

// Children held only by this subtree are emptied before they die, so each
// destructor sees an empty payload and nothing recurses. Links between arena
// nodes own nothing, so an arena node's payload is simply dropped.
void KvAstNode::releasePayload() {
    if (!payload_) return;
    if (flags_ & kInArena) {
        destroyPayload();
        return;
    }
    std::vector<KvAstNodePtr> pending;
    payload_->takeChildren(pending);
    destroyPayload();
    while (!pending.empty()) {
        KvAstNodePtr node = std::move(pending.back());
        pending.pop_back();
        if (node.use_count() == 1 && node->payload_ && !node->inArena()) {
            node->payload_->takeChildren(pending);
            node->destroyPayload();
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

KvAstNodePtr buildPipe(KvAstNodeList& pending, KvAstArena* arena) {
    if (pending.empty()) return nullptr;
    if (pending.size() == 1) {
        KvAstNodePtr only = std::move(pending.front());
        pending.clear();
        return only;
    }
    KvAstNodeList items;
    items.swap(pending);  // the pending list is left empty
    KvAstNodePtr pipe;
    if (arena) {
        pipe = arena->node(KvAstType_VarPipe);
        arena->attach<KvAstList>(*pipe, std::move(items));
    } else {
        pipe = std::make_shared<KvAstNode>(KvAstType_VarPipe, std::make_unique<KvAstList>(std::move(items)));
    }
    auto* list = pipe->payloadAs<KvAstList>();
    spanNodes(*pipe, *list->items.front(), *list->items.back());
    for (const auto& item : list->items) item->setParent(pipe.get());
    return pipe;
}

}  // namespace kestrel
