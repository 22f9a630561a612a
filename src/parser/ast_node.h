// KvAstNode: one node class for every construct; the type number selects the
// construct and the payload shape. Nodes are held by shared pointers; parent links
// never own. Destroying a node releases its subtree without recursion. Nodes
// carry what the source says only; later passes keep their results elsewhere.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "parser/ast_payloads.h"
#include "parser/ast_types.h"

namespace kestrel {

class KvAstNode {
public:
    KvAstNode(uint32_t type, std::unique_ptr<KvAstPayload> payload);
    KvAstNode(uint32_t type, std::u16string text);
    KvAstNode(uint32_t type, const char16_t* text);
    ~KvAstNode();
    KvAstNode(const KvAstNode&) = delete;
    KvAstNode& operator=(const KvAstNode&) = delete;

    uint32_t type() const { return type_; }
    KvAstPayload* payload() const { return payload_.get(); }
    // The payload in the expected shape, or null when it has another shape or none.
    template <class Shape>
    Shape* payloadAs() const { return dynamic_cast<Shape*>(payload_.get()); }
    std::u16string text() const { return text_; }
    const std::u16string& textRef() const { return text_; }
    KvAstNode* parent() const { return parent_; }
    uint32_t line() const { return line_; }
    uint32_t start() const { return start_; }
    uint32_t end() const { return end_; }
    uint32_t next() const { return next_; }

    void setPayload(std::unique_ptr<KvAstPayload> payload);
    void setParent(KvAstNode* parent) { parent_ = parent; }
    void setLine(uint32_t line) { line_ = line; }
    void setStart(uint32_t start) { start_ = start; }
    void setEnd(uint32_t end) { end_ = end; }
    void setNext(uint32_t next) { next_ = next; }

private:
    void releasePayload();

    KvAstNode* parent_ = nullptr;
    std::u16string text_;
    uint32_t line_ = 0;
    uint32_t start_ = 0;
    uint32_t end_ = 0;
    uint32_t next_ = 0;
    uint32_t type_;
    std::unique_ptr<KvAstPayload> payload_;
};

// Makes parent the parent of every node in the list (or of one node).
void adoptChildren(KvAstNode* parent, const KvAstNodeList& list);
void adoptChild(KvAstNode* parent, const KvAstNodePtr& child);

// Turns a run of pending access items into one node: nothing for an empty run,
// the item itself for one, otherwise a new VarPipe over copies of the items
// (which are then cleared from pending).
KvAstNodePtr buildPipe(KvAstNodeList& pending);
KvAstNodePtr buildPipe(KvAstNodeVector& pending);

// Copies line and start from first, end and next from last.
void spanNodes(KvAstNode& node, const KvAstNode& first, const KvAstNode& last);

}  // namespace kestrel
