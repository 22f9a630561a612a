// Replacement templates of the match cursor's "replace": "$d" (d a decimal
// digit) stands for the text of group d; a "$" preceded by an odd number of
// backslashes, or the last code unit of the template, is literal. Backslashes
// are always kept as written. A template is parsed once per "replace".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "objects/regex_pattern.h"

namespace kestrel {

class KvRegexTemplate {
public:
    explicit KvRegexTemplate(const std::u16string& text);

    // Appends the template with each reference replaced by its group's text
    // (the empty text for a group out of range or unset).
    void appendExpansion(std::u16string& out, const std::u16string& subject,
                         const KvRegexMatch& match) const;

private:
    struct Piece {
        std::u16string literal;
        int32_t group = -1;  // -1: a literal piece
    };
    std::vector<Piece> pieces_;
};

}  // namespace kestrel
