// The process-wide map from localized spellings to built-in words, filled by
// the language-pack loader at start-up and read by the tokenizer whenever it
// cuts a word. Later insertions of the same spelling overwrite earlier ones.
#pragma once

#include <map>
#include <functional>
#include <string>
#include <string_view>

namespace kestrel {

class KeywordMap {
public:
    void insert(const std::u16string& spelling, const std::u16string& word);
    void clear();
    // The built-in word for `spelling`, or null when the spelling is not mapped.
    const std::u16string* lookup(std::u16string_view spelling) const;
    bool empty() const { return words_.empty(); }
    const std::map<std::u16string, std::u16string, std::less<>>& entries() const { return words_; }

private:
    std::map<std::u16string, std::u16string, std::less<>> words_;
};

// The one map of the process.
KeywordMap& keywordMap();

}  // namespace kestrel
