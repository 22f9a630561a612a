// A parsed path or URL: where its scheme, authority (or drive), path and
// query stand in the normalised text. Used to walk up from a directory.
#pragma once

#include <string>

namespace kestrel {

class PathParts {
public:
    PathParts() = default;
    explicit PathParts(const std::u16string& text) { parse(text); }

    // Normalises the text ("\" before the first "?" becomes "/", outer
    // blanks and tabs trimmed) and finds its parts.
    void parse(const std::u16string& text);

    // The enclosing directory, without a trailing "/"; empty at the top
    // (the parent of D:/a is empty, so a drive's root is never searched).
    std::u16string parent() const;

    const std::u16string& text() const { return text_; }
    bool absolute() const { return absolute_; }
    size_t pathStart() const { return pathStart_; }
    size_t pathEnd() const { return pathEnd_; }
    std::u16string scheme() const { return text_.substr(schemeStart_, schemeLength_); }
    std::u16string authority() const { return text_.substr(authorityStart_, authorityLength_); }
    std::u16string query() const { return text_.substr(queryStart_, queryLength_); }

private:
    std::u16string text_;
    bool absolute_ = false;
    size_t schemeStart_ = 0, schemeLength_ = 0;
    size_t authorityStart_ = 0, authorityLength_ = 0;
    size_t pathStart_ = 0, pathEnd_ = 0;
    size_t queryStart_ = 0, queryLength_ = 0;
};

}  // namespace kestrel
