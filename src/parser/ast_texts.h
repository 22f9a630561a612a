// The texts of syntax nodes, each stored once for the whole process, so a
// node carries a 32-bit number instead of a string. A text lives while anybody
// uses it: a node made on its own counts once, a tree's arena once for all of
// its nodes. Parsing runs on the main thread only, so no lock is taken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrel {

class KvAstTexts {
public:
    static constexpr uint32_t kEmpty = 0;  // the empty text: always there, never counted

    static KvAstTexts& shared() { return instance_ ? *instance_ : create(); }

    // The number of the text, counting one more user.
    uint32_t acquire(std::u16string_view text);
    // One user fewer; the last one frees the text and its number.
    void release(uint32_t id);

    const std::u16string& text(uint32_t id) const { return entries_[id].text; }
    size_t liveTexts() const { return index_.size(); }

private:
    KvAstTexts();
    static KvAstTexts& create();

    static KvAstTexts* instance_;  // never destroyed: a node may die during exit

    struct Entry {
        std::u16string text;
        uint32_t users = 0;
    };

    std::deque<Entry> entries_;  // a deque: entries never move, so views of their texts stay valid
    std::unordered_map<std::u16string_view, uint32_t> index_;
    std::vector<uint32_t> free_;
};

}  // namespace kestrel
