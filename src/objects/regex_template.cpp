// Template parsing and expansion.
#include "objects/regex_template.h"

namespace kestrel {

namespace {

bool oddBackslashesBefore(const std::u16string& text, std::size_t position) {
    std::size_t count = 0;
    while (position > count && text[position - count - 1] == u'\\') {
        ++count;
    }
    return count % 2 == 1;
}

bool isReference(const std::u16string& text, std::size_t i) {
    return text[i] == u'$' && i + 1 < text.size() && text[i + 1] >= u'0' && text[i + 1] <= u'9' &&
           !oddBackslashesBefore(text, i);
}

}  // namespace

KvRegexTemplate::KvRegexTemplate(const std::u16string& text) {
    std::u16string literal;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isReference(text, i)) {
            literal += text[i];
            continue;
        }
        if (!literal.empty()) {
            pieces_.push_back(Piece{std::move(literal), -1});
            literal.clear();
        }
        pieces_.push_back(Piece{std::u16string(), text[i + 1] - u'0'});
        ++i;  // the digit
    }
    if (!literal.empty()) {
        pieces_.push_back(Piece{std::move(literal), -1});
    }
}

void KvRegexTemplate::appendExpansion(std::u16string& out, const std::u16string& subject,
                                      const KvRegexMatch& match) const {
    for (const Piece& piece : pieces_) {
        if (piece.group < 0) {
            out += piece.literal;
        } else {
            match.appendGroup(out, subject, piece.group);
        }
    }
}

}  // namespace kestrel
