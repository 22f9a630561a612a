// The process-wide pattern cache and the match call.
#include "objects/regex_pattern.h"

#include <unordered_map>

namespace kestrel {

namespace {

struct PatternCache {
    std::unordered_map<std::u16string, pcre2_code*> compiled;  // none: did not compile
    int64_t compileCount = 0;
};

// Never destroyed: compiled patterns live as long as the process.
PatternCache& patternCache() {
    static PatternCache* cache = new PatternCache();
    return *cache;
}

pcre2_code* compilePattern(const std::u16string& pattern) {
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    return pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), 0,
                         &errorCode, &errorOffset, nullptr);
}

pcre2_match_context* matchContext() {
    static pcre2_match_context* context = [] {
        pcre2_match_context* made = pcre2_match_context_create(nullptr);
        if (made) {
            pcre2_set_match_limit(made, kRegexMatchLimit);
        }
        return made;
    }();
    return context;
}

}  // namespace

const pcre2_code* kvCachedPattern(const std::u16string& pattern) {
    PatternCache& cache = patternCache();
    auto found = cache.compiled.find(pattern);
    if (found != cache.compiled.end()) {
        return found->second;
    }
    ++cache.compileCount;
    pcre2_code* code = compilePattern(pattern);
    cache.compiled.emplace(pattern, code);
    return code;
}

int64_t kvPatternCompileCount() {
    return patternCache().compileCount;
}

void KvRegexMatch::appendGroup(std::u16string& out, const std::u16string& subject,
                               int32_t g) const {
    if (g < 0 || g >= count) {
        return;
    }
    PCRE2_SIZE from = offsets[2 * static_cast<std::size_t>(g)];
    PCRE2_SIZE to = offsets[2 * static_cast<std::size_t>(g) + 1];
    if (from == PCRE2_UNSET || to == PCRE2_UNSET || from > to || to > subject.size()) {
        return;  // a group that took no part in the match
    }
    out.append(subject, from, to - from);
}

bool kvRegexMatchAt(const pcre2_code* code, const std::u16string& subject, PCRE2_SIZE offset,
                    pcre2_match_data* data, KvRegexMatch& match) {
    if (!code || !data || offset > subject.size()) {
        return false;
    }
    int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(),
                         offset, 0, data, matchContext());
    if (rc <= 0) {
        return false;  // no match, a limit hit, or (never here) too small a block
    }
    const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(data);
    match.count = rc;
    match.offsets.assign(vector, vector + 2 * static_cast<std::size_t>(rc));
    return true;
}

}  // namespace kestrel
