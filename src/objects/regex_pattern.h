// Compiled regular expressions (PCRE2, 16-bit code units) and single match
// attempts. Every pattern text is compiled once per process: the cache keeps
// the result for the life of the process, a failed compile included, so a
// bad pattern is never retried. Matching is bounded by a match limit, and
// PCRE2 keeps its backtracking frames on the heap, never the native stack.
#pragma once

#ifndef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 16
#endif
#include <pcre2.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

// Backtracking steps allowed per start position: a catastrophic pattern
// gives up (as no match) in a fraction of a second.
constexpr uint32_t kRegexMatchLimit = 1000000;

// The compiled pattern for this text, or none when it does not compile.
const pcre2_code* kvCachedPattern(const std::u16string& pattern);
// How many compiles the cache has run since the process started.
int64_t kvPatternCompileCount();

// One successful match: group g spans offsets[2g] to offsets[2g + 1], both
// PCRE2_UNSET for a group that took no part; count is 1 + the highest group set.
struct KvRegexMatch {
    std::vector<PCRE2_SIZE> offsets;
    int32_t count = 0;

    bool empty() const { return offsets[0] == offsets[1]; }
    PCRE2_SIZE start() const { return offsets[0]; }
    PCRE2_SIZE end() const { return offsets[1]; }
    // Appends the text of group g; nothing when g is out of range or unset.
    void appendGroup(std::u16string& out, const std::u16string& subject, int32_t g) const;
    std::u16string group(const std::u16string& subject, int32_t g) const {
        std::u16string text;
        appendGroup(text, subject, g);
        return text;
    }
};

// Matches code against the whole subject from offset with data as the
// scratch block; false on no match (a limit hit reads as no match).
bool kvRegexMatchAt(const pcre2_code* code, const std::u16string& subject, PCRE2_SIZE offset,
                    pcre2_match_data* data, KvRegexMatch& match);

}  // namespace kestrel
