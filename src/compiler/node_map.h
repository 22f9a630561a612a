// A map from syntax nodes to what a compile pass found for them, for maps
// with an entry per name in the module (millions in a large source): one
// flat array with open addressing and linear probing, so an entry costs no
// allocation of its own. A null key marks a free place; nodes are never null.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kestrel {

class KvAstNode;

template <class Value>
class NodeMap {
public:
    // Sets the entry of node (adding it when missing).
    void set(const KvAstNode* node, const Value& value) {
        if ((size_ + 1) * 4 > places_.size() * 3) grow();
        Place& place = places_[indexOf(node)];
        if (!place.node) {
            place.node = node;
            ++size_;
        }
        place.value = value;
    }
    // The entry of node, or null.
    const Value* find(const KvAstNode* node) const {
        if (places_.empty()) return nullptr;
        const Place& place = places_[indexOf(node)];
        return place.node ? &place.value : nullptr;
    }
    size_t size() const { return size_; }

private:
    struct Place {
        const KvAstNode* node = nullptr;
        Value value{};
    };

    // Where node is, or the free place where it would go: a multiplicative
    // hash whose top bits pick the first place to look.
    size_t indexOf(const KvAstNode* node) const {
        const size_t mask = places_.size() - 1;
        const uint64_t hash = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(node)) * 0x9E3779B97F4A7C15ull;
        size_t at = static_cast<size_t>(hash >> shift_);
        while (places_[at].node && places_[at].node != node) at = (at + 1) & mask;
        return at;
    }
    void grow() {
        std::vector<Place> old = std::move(places_);
        places_.assign(old.empty() ? size_t{64} : old.size() * 2, Place());
        shift_ = 64;
        for (size_t n = places_.size(); n > 1; n >>= 1) --shift_;
        for (const Place& place : old) {
            if (place.node) places_[indexOf(place.node)] = place;
        }
    }

    std::vector<Place> places_;  // a power of two in size, at most three quarters full
    size_t size_ = 0;
    unsigned shift_ = 64;  // 64 - log2 of the size
};

}  // namespace kestrel
