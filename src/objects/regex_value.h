// Match cursors (tag 35): one subject string, one cached pattern, the match
// found at creation and the current match. "find" advances, "group" and
// "groups" read the current match, "replace" builds a replaced copy of the
// whole subject. The cursor holds references on its subject and pattern
// strings and owns its PCRE2 match block.
#pragma once

#include "objects/base_object.h"
#include "objects/func_inner_caller.h"
#include "objects/regex_pattern.h"

namespace kestrel {

class KvObjString;

class KvObjRegex final : public KvBaseObject, protected KvFuncInnerCaller {
public:
    // Takes over data; first is the match found from offset 0.
    KvObjRegex(KvObjString* subject, KvObjString* pattern, const pcre2_code* code,
               pcre2_match_data* data, KvRegexMatch first);
    ~KvObjRegex() override;

    KvBaseObject* getBuiltinProperty(int32_t id) override;

    // Script methods; ids in registration order (see registerRegexMembers).
    KvBaseObject* findNextMethod(const KvArgList& args);
    KvBaseObject* replaceMethod(const KvArgList& args);
    KvBaseObject* groupMethod(const KvArgList& args);

private:
    const std::u16string& subjectText() const;
    // Makes match the current one (offsets and group count).
    void takeMatch(KvRegexMatch& match);
    // Replaces every non-empty match of the subject from offset 0, each one
    // made the current match before append(out) adds its replacement; an
    // append that returns false (a callback raised) abandons the result.
    template <class Append>
    KvBaseObject* replaceEach(Append append);
    // Appends the text form of function(this); nothing for null.
    bool appendCallbackResult(std::u16string& out, KvBaseObject* function);

    KvObjString* subject_;
    KvObjString* pattern_;
    const pcre2_code* code_;  // owned by the pattern cache
    pcre2_match_data* data_;
    KvRegexMatch first_;
    KvRegexMatch current_;  // no offsets before the first "find"
    KvRegexMatch scratch_;  // the next match; its storage is reused
    int32_t groupCount_;
    bool firstTaken_ = false;
};

// "test"/"match" on strings: whether pattern matches subject anywhere; the
// cursor over the first match, or none (no match, pattern does not compile).
bool kvRegexTest(const std::u16string& subject, const std::u16string& pattern);
KvBaseObject* kvRegexMatchCursor(KvObjString* subject, KvObjString* pattern);

void registerRegexMembers(KvMemberRegistry& registry);

}  // namespace kestrel
