// The hash table behind maps: text keys to value pointers, kept in insertion
// order. Entries live in one array (erased ones leave a hole until the next
// rebuild); an open-addressed index of slot numbers points into it, probed
// linearly, at most half full. The table stores pointers only: who holds a
// reference on a value is the map's business.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

class KvBaseObject;

class KvTextHashTable {
public:
    struct Entry {
        std::u16string key;
        KvBaseObject* value = nullptr;  // none: an erased entry (a hole)
        uint32_t hash = 0;
    };

    static uint32_t hashOf(const std::u16string& key);

    // The value stored under key, or none.
    KvBaseObject* find(const std::u16string& key) const;
    // The place of key's value; a new entry (value none) when key is absent.
    // The reference is valid until the next insert or erase.
    KvBaseObject*& findOrInsert(const std::u16string& key);
    // Takes the entry out and returns its value, or none when key is absent.
    KvBaseObject* erase(const std::u16string& key);
    void clear();

    std::size_t size() const { return live_; }
    bool empty() const { return live_ == 0; }
    // Entries in insertion order, holes included (skip those with no value).
    const std::vector<Entry>& entries() const { return entries_; }

private:
    static constexpr int32_t kEmpty = -1;
    static constexpr int32_t kErased = -2;

    // The index slot holding key, or the slot where it would go (-1 if none).
    std::size_t probe(const std::u16string& key, uint32_t hash, bool& found) const;
    void rebuild(std::size_t capacity);

    std::vector<Entry> entries_;
    std::vector<int32_t> index_;  // entry number, kEmpty or kErased; size a power of two
    std::size_t live_ = 0;
    std::size_t used_ = 0;  // index slots not kEmpty
};

}  // namespace kestrel
