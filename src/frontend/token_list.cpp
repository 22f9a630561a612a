// Where token texts live: most are the source as typed, so they cost nothing
// beyond the record; the rest go to one pool string, and the rare spelling
// that is not in the source (a mapped word inside template code) to a side table.
#include "frontend/token.h"

namespace kestrel {

bool TokenList::isSourceSlice(std::u16string_view text, int32_t start, int32_t end) const {
    if (start < 0 || end < start || static_cast<size_t>(end) > source_.size()) return false;
    if (static_cast<size_t>(end - start) != text.size()) return false;
    if (text.data() == source_.data() + start) return true;  // cut from the source itself
    return std::u16string_view(source_).substr(static_cast<size_t>(start), text.size()) == text;
}

void TokenList::append(TokenKind kind, std::u16string_view text, int32_t start, int32_t end, int32_t line,
                       std::u16string_view spelling) {
    Token token;
    token.kind = kind;
    token.line = line;
    token.start = start;
    token.end = end;
    token.textLength = static_cast<uint32_t>(text.size());
    if (isSourceSlice(text, start, end)) {
        token.textAt = static_cast<uint32_t>(start);
    } else {
        token.flags |= kTextInPool;
        token.textAt = static_cast<uint32_t>(pool_.size());
        pool_.append(text);
    }
    if (!spelling.empty()) {
        if (isSourceSlice(spelling, start, end)) {
            token.flags |= kSpelled;
        } else {
            token.flags |= kSpelledAside;
            asideSpellings_.emplace(tokens_.size(), std::u16string(spelling));
        }
    }
    tokens_.push_back(token);
}

std::u16string_view TokenList::spelling(const Token& token) const {
    if (token.flags & kSpelled)
        return std::u16string_view(source_).substr(static_cast<size_t>(token.start),
                                                   static_cast<size_t>(token.end - token.start));
    if (token.flags & kSpelledAside) {
        auto found = asideSpellings_.find(static_cast<size_t>(&token - tokens_.data()));
        if (found != asideSpellings_.end()) return found->second;
    }
    return std::u16string_view();
}

void TokenList::clear() {
    tokens_.clear();
    pool_.clear();
    asideSpellings_.clear();
}

size_t TokenList::bytesHeld() const {
    size_t bytes = tokens_.capacity() * sizeof(Token);
    if (!pool_.empty()) bytes += pool_.capacity() * sizeof(char16_t);  // an empty pool holds nothing on the heap
    for (const auto& entry : asideSpellings_) bytes += sizeof(entry) + entry.second.capacity() * sizeof(char16_t);
    return bytes;
}

}  // namespace kestrel
