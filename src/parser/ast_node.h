// KvAstNode: one node class for every construct; the type number selects the
// construct and the payload shape. Nodes are held by shared pointers; parent links
// never own. Destroying a node releases its subtree without recursion. Nodes
// carry what the source says only; later passes keep their results elsewhere.
// A node made by the parser lives in its tree's arena (ast_arena.h) and links
// to it count nothing; a node made on its own is counted by its shared
// pointers as usual. Either way its text is a number in the shared text store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>

#include "parser/ast_payloads.h"
#include "parser/ast_texts.h"
#include "parser/ast_types.h"

namespace kestrel {

class KvAstNode {
public:
    struct InArena {};

    KvAstNode(uint32_t type, std::unique_ptr<KvAstPayload> payload);
    KvAstNode(uint32_t type, std::u16string text);
    KvAstNode(uint32_t type, const char16_t* text);
    KvAstNode(uint32_t type, uint32_t textId, InArena);  // the arena counts the text
    ~KvAstNode();
    KvAstNode(const KvAstNode&) = delete;
    KvAstNode& operator=(const KvAstNode&) = delete;

    uint32_t type() const { return type_; }
    KvAstPayload* payload() const { return payload_; }
    // The payload in the expected shape, or null when it has another shape or none.
    // Every shape is final, so comparing the exact type answers as a cast
    // would, at a fraction of its cost (the compiler asks on every node).
    template <class Shape>
    Shape* payloadAs() const {
        if constexpr (std::is_final_v<Shape>) {
            return payload_ && typeid(*payload_) == typeid(Shape) ? static_cast<Shape*>(payload_) : nullptr;
        } else {
            return dynamic_cast<Shape*>(payload_);
        }
    }
    std::u16string text() const { return textRef(); }
    const std::u16string& textRef() const { return KvAstTexts::shared().text(textId_); }
    KvAstNode* parent() const { return parent_; }
    uint32_t line() const { return line_; }
    uint32_t start() const { return start_; }
    uint32_t end() const { return end_; }
    uint32_t next() const { return next_; }
    bool inArena() const { return (flags_ & kInArena) != 0; }

    void setPayload(std::unique_ptr<KvAstPayload> payload);
    void setArenaPayload(KvAstPayload* payload);  // built in the arena: released in place
    // The parser turns a bare operator node into the node it heads (a "!" into a NotExpr).
    void setType(uint32_t type) { type_ = static_cast<uint16_t>(type); }
    void setParent(KvAstNode* parent) { parent_ = parent; }
    void setLine(uint32_t line) { line_ = line; }
    void setStart(uint32_t start) { start_ = start; }
    void setEnd(uint32_t end) { end_ = end; }
    void setNext(uint32_t next) { next_ = next; }

private:
    static constexpr uint8_t kPayloadInArena = 2;
    static constexpr uint8_t kInArena = 4;

    void releasePayload();
    void destroyPayload();

    KvAstNode* parent_ = nullptr;
    KvAstPayload* payload_ = nullptr;
    uint32_t line_ = 0;
    uint32_t start_ = 0;
    uint32_t end_ = 0;
    uint32_t next_ = 0;
    uint32_t textId_ = KvAstTexts::kEmpty;
    uint16_t type_;
    uint8_t flags_ = 0;
};

// Makes parent the parent of every node in the list (or of one node).
void adoptChildren(KvAstNode* parent, const KvAstNodeList& list);
void adoptChild(KvAstNode* parent, const KvAstNodePtr& child);

class KvAstArena;

// Turns a run of pending access items into one node: nothing for an empty run,
// the item itself for one, otherwise a new VarPipe over copies of the items
// (which are then cleared from pending). The pipe is made in arena when given.
KvAstNodePtr buildPipe(KvAstNodeList& pending, KvAstArena* arena = nullptr);

// Copies line and start from first, end and next from last.
void spanNodes(KvAstNode& node, const KvAstNode& first, const KvAstNode& last);

}  // namespace kestrel
