// Open addressing with linear probing over an insertion-ordered entry array.
#include "objects/text_hash_table.h"

#include <cstring>

namespace kestrel {

// FNV-1a over the code units, then a final mix so the low bits (the ones
// the index uses) depend on every unit.
uint32_t KvTextHashTable::hashOf(const std::u16string& key) {
    uint32_t h = 2166136261u;
    for (char16_t unit : key) {
        h = (h ^ static_cast<uint32_t>(unit)) * 16777619u;
    }
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

namespace {

// Equal texts, compared as memory (the key comparison of every probe).
inline bool sameText(const std::u16string& a, const std::u16string& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
}

}  // namespace

std::size_t KvTextHashTable::probe(const std::u16string& key, uint32_t hash, bool& found) const {
    found = false;
    const std::size_t mask = index_.size() - 1;
    std::size_t firstErased = index_.size();
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        int32_t slot = index_[i];
        if (slot == kEmpty) return firstErased < index_.size() ? firstErased : i;
        if (slot == kErased) {
            if (firstErased == index_.size()) firstErased = i;
            continue;
        }
        const Entry& entry = entries_[static_cast<std::size_t>(slot)];
        if (entry.hash == hash && sameText(entry.key, key)) {
            found = true;
            return i;
        }
    }
}

KvBaseObject* KvTextHashTable::find(const std::u16string& key) const {
    if (live_ == 0) return nullptr;
    bool found = false;
    std::size_t i = probe(key, hashOf(key), found);
    return found ? entries_[static_cast<std::size_t>(index_[i])].value : nullptr;
}

KvBaseObject*& KvTextHashTable::findOrInsert(const std::u16string& key) {
    const uint32_t hash = hashOf(key);
    bool found = false;
    std::size_t i = 0;
    if (!index_.empty()) {
        i = probe(key, hash, found);
        if (found) return entries_[static_cast<std::size_t>(index_[i])].value;
    }
    // At most half the index in use, and no more entries (holes too) than slots.
    if (index_.empty() || (used_ + 1) * 2 > index_.size() || entries_.size() + 1 > index_.size()) {
        std::size_t capacity = 8;
        while (capacity < (live_ + 1) * 4) capacity *= 2;
        rebuild(capacity);
        i = probe(key, hash, found);  // the place moved with the index
    }
    entries_.push_back(Entry{key, nullptr, hash});  // may run out of memory: the index is untouched yet
    if (index_[i] == kEmpty) ++used_;
    index_[i] = static_cast<int32_t>(entries_.size() - 1);
    ++live_;
    return entries_.back().value;
}

KvBaseObject* KvTextHashTable::erase(const std::u16string& key) {
    if (live_ == 0) return nullptr;
    bool found = false;
    std::size_t i = probe(key, hashOf(key), found);
    if (!found) return nullptr;
    Entry& entry = entries_[static_cast<std::size_t>(index_[i])];
    KvBaseObject* value = entry.value;
    entry.value = nullptr;
    entry.key = std::u16string();
    index_[i] = kErased;
    --live_;
    return value;
}

void KvTextHashTable::clear() {
    entries_.clear();
    index_.clear();
    live_ = 0;
    used_ = 0;
}

// Drops the holes from the entry array and indexes what is left anew.
void KvTextHashTable::rebuild(std::size_t capacity) {
    std::vector<Entry> kept;
    kept.reserve(capacity / 2 + 1);  // room for every entry until the next rebuild: no moves between
    for (Entry& entry : entries_) {
        if (entry.value) kept.push_back(std::move(entry));
    }
    entries_.swap(kept);
    index_.assign(capacity, kEmpty);
    const std::size_t mask = capacity - 1;
    for (std::size_t n = 0; n < entries_.size(); ++n) {
        std::size_t i = entries_[n].hash & mask;
        while (index_[i] != kEmpty) i = (i + 1) & mask;
        index_[i] = static_cast<int32_t>(n);
    }
    used_ = entries_.size();
}

}  // namespace kestrel
