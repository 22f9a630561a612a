// Counting and reuse of the shared node texts.
#include "parser/ast_texts.h"

namespace kestrel {

KvAstTexts* KvAstTexts::instance_ = nullptr;

KvAstTexts& KvAstTexts::create() {
    instance_ = new KvAstTexts;
    return *instance_;
}

KvAstTexts::KvAstTexts() { entries_.emplace_back(); }

uint32_t KvAstTexts::acquire(std::u16string_view text) {
    if (text.empty()) return kEmpty;
    auto found = index_.find(text);
    if (found != index_.end()) {
        ++entries_[found->second].users;
        return found->second;
    }
    uint32_t id;
    if (!free_.empty()) {
        id = free_.back();
        free_.pop_back();
    } else {
        id = static_cast<uint32_t>(entries_.size());
        entries_.emplace_back();
    }
    Entry& entry = entries_[id];
    entry.text.assign(text);
    entry.users = 1;
    index_.emplace(std::u16string_view(entry.text), id);
    return id;
}

void KvAstTexts::release(uint32_t id) {
    if (id == kEmpty) return;
    Entry& entry = entries_[id];
    if (--entry.users > 0) return;
    index_.erase(std::u16string_view(entry.text));
    std::u16string().swap(entry.text);  // a long text gives its memory back at once
    free_.push_back(id);
}

}  // namespace kestrel
