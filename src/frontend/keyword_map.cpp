// Storage for the localized keyword map. Written only during start-up on the
// main thread, so it carries no lock.
#include "frontend/keyword_map.h"

namespace kestrel {

void KeywordMap::insert(const std::u16string& spelling, const std::u16string& word) {
    words_[spelling] = word;
}

void KeywordMap::clear() { words_.clear(); }

const std::u16string* KeywordMap::lookup(std::u16string_view spelling) const {
    if (words_.empty()) return nullptr;  // the usual case: no language pack loaded
    auto found = words_.find(spelling);
    return found == words_.end() ? nullptr : &found->second;
}

KeywordMap& keywordMap() {
    static KeywordMap map;
    return map;
}

}  // namespace kestrel
