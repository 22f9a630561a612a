#include "host/path_parts.h"

namespace kestrel {

static std::u16string normalise(const std::u16string& raw) {
    std::u16string text = raw;
    size_t query = text.find(u'?');
    for (size_t i = 0; i < text.size() && i < query; ++i)
        if (text[i] == u'\\') text[i] = u'/';
    size_t first = text.find_first_not_of(u" \t");
    if (first == std::u16string::npos) return {};
    size_t last = text.find_last_not_of(u" \t");
    return text.substr(first, last - first + 1);
}

void PathParts::parse(const std::u16string& raw) {
    *this = PathParts();
    text_ = normalise(raw);
    if (text_.empty()) return;

    size_t query = text_.find(u'?');
    size_t schemeMark = text_.find(u"://");
    size_t driveMark = text_.find(u":/");
    if (schemeMark != std::u16string::npos && schemeMark < query) {
        absolute_ = true;
        schemeLength_ = schemeMark;
        authorityStart_ = schemeMark + 3;
        size_t slash = text_.find(u'/', authorityStart_);
        if (slash == std::u16string::npos || slash > query) {
            size_t at = query == std::u16string::npos ? text_.size() : query;
            text_ = text_.substr(0, at) + u'/' + text_.substr(at);
            if (query != std::u16string::npos) ++query;
            slash = text_.find(u'/', authorityStart_);
        }
        authorityLength_ = slash - authorityStart_;
        pathStart_ = slash;
    } else if (driveMark != std::u16string::npos && driveMark < query) {
        absolute_ = true;
        authorityLength_ = driveMark;
        pathStart_ = driveMark + 2;
    } else if (text_[0] == u'/') {
        absolute_ = true;
        size_t first = text_.find_first_not_of(u'/');
        pathStart_ = first == std::u16string::npos ? text_.size() : first;
    }
    if (query != std::u16string::npos) {
        queryStart_ = query + 1;
        queryLength_ = text_.size() - queryStart_;
        pathEnd_ = query;
    } else {
        pathEnd_ = text_.size();
    }
}

std::u16string PathParts::parent() const {
    if (pathEnd_ == 0 || pathEnd_ - 1 < pathStart_) return {};
    long i = static_cast<long>(pathEnd_) - 1;
    while (i >= 0 && text_[i] == u'/') --i;  // a trailing run of "/"
    while (i >= 0 && text_[i] != u'/') --i;  // the last "/" before the name
    if (i < 0) return {};
    long j = i;
    while (j >= 0 && text_[j] == u'/') --j;
    if (j < 0) return text_.substr(0, static_cast<size_t>(i) + 1);
    if (static_cast<size_t>(j) < pathStart_) return {};
    return text_.substr(0, static_cast<size_t>(j) + 1);
}

}  // namespace kestrel
