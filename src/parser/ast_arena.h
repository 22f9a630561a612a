// The memory of one parsed tree: nodes in fixed-size slabs, the hot payload
// shapes bump-allocated beside them, and every node text interned once. The
// arena lives as long as anybody holds a pointer the parser handed out; links
// inside the tree do not count, so the tree is freed in one sweep, without
// recursion and without a count per node.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "parser/ast_node.h"

namespace kestrel {

class KvAstArena {
public:
    KvAstArena() = default;
    ~KvAstArena();
    KvAstArena(const KvAstArena&) = delete;
    KvAstArena& operator=(const KvAstArena&) = delete;

    // A node living in the arena; the pointer does not keep the arena alive.
    KvAstNodePtr node(uint32_t type, std::u16string_view text) {
        const size_t slot = nodeCount_ % kSlabNodes;
        if (slot == 0) addSlab();
        void* at = nodeSlabs_.back().get() + slot * sizeof(KvAstNode);
        auto* made = new (at) KvAstNode(type, intern(text), KvAstNode::InArena{});
        ++nodeCount_;
        return KvAstNodePtr(KvAstNodePtr(), made);  // aliasing an empty owner: counts nothing
    }
    KvAstNodePtr node(uint32_t type) { return node(type, std::u16string_view()); }

    // Gives node a payload built in the arena (the node releases it in place).
    template <class Shape, class... Args>
    Shape* attach(KvAstNode& node, Args&&... args) {
        void* at = allocatePayload(sizeof(Shape), alignof(Shape));
        Shape* payload = new (at) Shape(std::forward<Args>(args)...);
        node.setArenaPayload(payload);
        return payload;
    }

    // The number of a text in the shared store (ast_texts.h), counted once
    // for the arena however many of its nodes carry it.
    uint32_t intern(std::u16string_view text) {
        if (text.empty()) return KvAstTexts::kEmpty;
        if (text.size() == 1 && text[0] < 128 && asciiTexts_[text[0]]) return asciiTexts_[text[0]];
        return internSlow(text);
    }

    // A pointer to a node of this arena that keeps the whole arena alive.
    static KvAstNodePtr owning(const std::shared_ptr<KvAstArena>& arena, const KvAstNodePtr& node) {
        return KvAstNodePtr(arena, node.get());
    }

    size_t nodeCount() const { return nodeCount_; }
    size_t bytesHeld() const;

private:
    void* allocatePayload(size_t size, size_t align);
    void addSlab();
    uint32_t internSlow(std::u16string_view text);

    static constexpr size_t kSlabNodes = 4096;
    static constexpr size_t kPayloadChunk = 256 * 1024;

    std::vector<std::unique_ptr<unsigned char[]>> nodeSlabs_;
    size_t nodeCount_ = 0;
    std::vector<std::unique_ptr<unsigned char[]>> payloadChunks_;
    size_t payloadUsed_ = kPayloadChunk;  // bytes used in the last chunk

    std::unordered_map<std::u16string_view, uint32_t> texts_;  // views of the shared store's texts
    uint32_t asciiTexts_[128] = {};  // one-character texts, the most common by far (0: not yet)
};

}  // namespace kestrel
