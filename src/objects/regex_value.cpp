// Match cursors: creation from "match", the cursor members and "replace".
#include "objects/regex_value.h"

#include "objects/native_result.h"
#include "objects/regex_template.h"
#include "objects/string_value.h"

namespace kestrel {

namespace {
constexpr int32_t kGroupsProperty = 1;
constexpr int32_t kCountProperty = 2;
}  // namespace

KvObjRegex::KvObjRegex(KvObjString* subject, KvObjString* pattern, const pcre2_code* code,
                       pcre2_match_data* data, KvRegexMatch first)
    : subject_(subject), pattern_(pattern), code_(code), data_(data), first_(std::move(first)),
      groupCount_(first_.count) {
    setTag(kTagRegex);
    subject_->addRef();
    pattern_->addRef();
}

KvObjRegex::~KvObjRegex() {
    pcre2_match_data_free(data_);
    subject_->release();
    pattern_->release();
}

const std::u16string& KvObjRegex::subjectText() const {
    return subject_->text();
}

void KvObjRegex::takeMatch(KvRegexMatch& match) {
    groupCount_ = match.count;
    current_.offsets.swap(match.offsets);
    current_.count = match.count;
}

KvBaseObject* KvObjRegex::getBuiltinProperty(int32_t id) {
    if (id == kGroupsProperty) {
        if (current_.offsets.empty()) {
            return resultNull();
        }
        return resultNew(new KvObjString(current_.group(subjectText(), 0)));
    }
    if (id == kCountProperty) {
        return kvInt(groupCount_);
    }
    return KvBaseObject::getBuiltinProperty(id);
}

// find(): the first call takes the match found at creation; each later one
// matches from the end of the current match and is true only when that
// match is not empty.
KvBaseObject* KvObjRegex::findNextMethod(const KvArgList&) {
    if (!firstTaken_) {
        firstTaken_ = true;
        KvRegexMatch first = first_;
        takeMatch(first);
        return resultBool(true);
    }
    if (current_.offsets.empty() ||
        !kvRegexMatchAt(code_, subjectText(), current_.end(), data_, scratch_)) {
        return resultBool(false);
    }
    bool advanced = !scratch_.empty();
    takeMatch(scratch_);
    return resultBool(advanced);
}

// group(n): the text of group n of the current match; empty when there is
// none, n is out of range or the group took no part in the match.
KvBaseObject* KvObjRegex::groupMethod(const KvArgList& args) {
    int32_t n = argInt(args, 0, 0);
    return resultNew(new KvObjString(current_.group(subjectText(), n)));
}

template <class Append>
KvBaseObject* KvObjRegex::replaceEach(Append append) {
    const std::u16string& subject = subjectText();
    std::u16string out;
    PCRE2_SIZE at = 0;
    KvRegexMatch match;
    while (kvRegexMatchAt(code_, subject, at, data_, match) && !match.empty()) {
        PCRE2_SIZE start = match.start() < at ? at : match.start();
        PCRE2_SIZE end = match.end() < at ? at : match.end();
        out.append(subject, at, start - at);
        takeMatch(match);
        if (!append(out)) {
            return resultNull();
        }
        if (end == at) {
            break;  // a match that ends where the scan stood cannot advance it
        }
        at = end;
    }
    out.append(subject, at, std::u16string::npos);
    return resultNew(new KvObjString(std::move(out)));
}

bool KvObjRegex::appendCallbackResult(std::u16string& out, KvBaseObject* function) {
    KvBaseObject* argument[1] = {this};
    KvArgList call{1, argument};
    KvValueRef result = callFunction(function, call);
    if (callbackRaised()) return false;
    if (result->tag() != kTagNull) {
        out += result->toString();
    }
    return true;
}

// replace(r): r a callable (called with this cursor per match), a template
// string, null (the empty text) or any other value (its text form).
KvBaseObject* KvObjRegex::replaceMethod(const KvArgList& args) {
    KvBaseObject* replacement = args.at(0);
    if (!replacement) {
        return resultNull();
    }
    if (isCallback(replacement)) {
        addRef();  // the cursor outlives whatever the callbacks do with it
        KvBaseObject* result = replaceEach(
            [this, replacement](std::u16string& out) { return appendCallbackResult(out, replacement); });
        dropKeepAlive();
        return result;
    }
    if (replacement->tag() == kTagString) {
        KvRegexTemplate parsed(replacement->toString());
        return replaceEach([this, &parsed](std::u16string& out) {
            parsed.appendExpansion(out, subjectText(), current_);
            return true;
        });
    }
    std::u16string fixed = replacement->toString();  // null: the empty text
    return replaceEach([&fixed](std::u16string& out) {
        out += fixed;
        return true;
    });
}

bool kvRegexTest(const std::u16string& subject, const std::u16string& pattern) {
    const pcre2_code* code = kvCachedPattern(pattern);
    if (!code) {
        return false;
    }
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    KvRegexMatch match;
    bool found = kvRegexMatchAt(code, subject, 0, data, match);
    pcre2_match_data_free(data);
    return found;
}

KvBaseObject* kvRegexMatchCursor(KvObjString* subject, KvObjString* pattern) {
    const pcre2_code* code = kvCachedPattern(pattern->text());
    if (!code) {
        return nullptr;
    }
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    KvRegexMatch first;
    KvBaseObject* cursor = nullptr;
    if (kvRegexMatchAt(code, subject->text(), 0, data, first)) {
        cursor = new KvObjRegex(subject, pattern, code, data, std::move(first));
    }
    if (!cursor) {
        pcre2_match_data_free(data);  // no match, or no memory for the cursor
    }
    return cursor;
}

void registerRegexMembers(KvMemberRegistry& registry) {
    struct Entry {
        const char16_t* name;
        KvBaseObject* (KvObjRegex::*method)(const KvArgList&);
    };
    static const Entry kMethods[] = {
        {u"find", &KvObjRegex::findNextMethod},
        {u"replace", &KvObjRegex::replaceMethod},
        {u"group", &KvObjRegex::groupMethod},
    };
    registry.registerProperty(kTagRegex, u"groups");
    registry.registerProperty(kTagRegex, u"count");
    for (const Entry& entry : kMethods) {
        registry.registerMethod(kTagRegex, entry.name, kvMethod(entry.method));
    }
}

}  // namespace kestrel
