// Slab and chunk bookkeeping of the tree arena, and text interning.
// Nodes are destroyed in creation order; each releases its own payload, and
// since links between arena nodes own nothing, no destructor reaches further.
#include "parser/ast_arena.h"

namespace kestrel {

KvAstArena::~KvAstArena() {
    KvAstTexts& store = KvAstTexts::shared();
    size_t left = nodeCount_;
    for (auto& slab : nodeSlabs_) {
        auto* nodes = reinterpret_cast<KvAstNode*>(slab.get());
        const size_t count = left < kSlabNodes ? left : kSlabNodes;
        for (size_t i = 0; i < count; ++i) nodes[i].~KvAstNode();
        left -= count;
    }
    for (const auto& text : texts_) store.release(text.second);
}

void KvAstArena::addSlab() { nodeSlabs_.emplace_back(new unsigned char[sizeof(KvAstNode) * kSlabNodes]); }

void* KvAstArena::allocatePayload(size_t size, size_t align) {
    size_t at = (payloadUsed_ + align - 1) & ~(align - 1);
    if (at + size > kPayloadChunk) {
        payloadChunks_.emplace_back(new unsigned char[kPayloadChunk]);
        at = 0;
    }
    payloadUsed_ = at + size;
    return payloadChunks_.back().get() + at;
}

uint32_t KvAstArena::internSlow(std::u16string_view text) {
    auto found = texts_.find(text);
    if (found != texts_.end()) return found->second;
    KvAstTexts& store = KvAstTexts::shared();
    const uint32_t id = store.acquire(text);
    texts_.emplace(std::u16string_view(store.text(id)), id);
    if (text.size() == 1 && text[0] < 128) asciiTexts_[text[0]] = id;
    return id;
}

size_t KvAstArena::bytesHeld() const {
    size_t bytes = nodeSlabs_.size() * kSlabNodes * sizeof(KvAstNode) + payloadChunks_.size() * kPayloadChunk;
    for (const auto& text : texts_) bytes += sizeof(std::u16string) + text.first.size() * sizeof(char16_t);
    return bytes;
}

}  // namespace kestrel
