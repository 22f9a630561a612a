// Lookup over the keyword list. The map is built on first use from the one
// list and never changes afterwards; the tokenizer asks it for every word.
#include "frontend/keywords.h"

#include <unordered_map>

namespace kestrel {

namespace {

constexpr KeywordInfo kKeywords[] = {
#define KESTREL_KEYWORD_INFO(id, text, spelling, role) \
    {Keyword::id, text, KeywordSpelling::spelling, KeywordRole::role},
    KESTREL_KEYWORDS(KESTREL_KEYWORD_INFO)
#undef KESTREL_KEYWORD_INFO
};

using KeywordIndex = std::unordered_map<std::u16string_view, const KeywordInfo*>;

const KeywordIndex& keywordsByText() {
    static const KeywordIndex map = [] {
        KeywordIndex out;
        for (const KeywordInfo& info : kKeywords) out.emplace(info.text, &info);
        return out;
    }();
    return map;
}

}  // namespace

const KeywordInfo* findKeyword(std::u16string_view text) {
    const auto& map = keywordsByText();
    auto found = map.find(text);
    return found == map.end() ? nullptr : found->second;
}

bool isReservedWord(std::u16string_view text) {
    const KeywordInfo* info = findKeyword(text);
    return info && info->reserved();
}

}  // namespace kestrel
