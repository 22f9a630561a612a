// The registered string methods: argument conventions applied, then the text
// algorithms. Registration order fixes the ids ("length" 1, "sub" 100, ...).
#include <vector>

#include "objects/list_value.h"
#include "objects/number_literal.h"
#include "objects/regex_value.h"
#include "objects/shared_constants.h"
#include "objects/string_text.h"
#include "objects/string_value.h"

namespace kestrel {

namespace {

std::u16string stripSpaces(const std::u16string& text) {
    std::size_t first = text.find_first_not_of(u' ');
    if (first == std::u16string::npos) {
        return std::u16string();
    }
    return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

template <class Test>
KvBaseObject* anyArgument(const KvArgList& args, Test test) {
    for (int32_t i = 0; i < args.count; ++i) {
        if (test(argText(args, i))) {
            return kvTrue();
        }
    }
    return kvFalse();
}

}  // namespace

KvBaseObject* KvObjString::subMethod(const KvArgList& args) {
    return new KvObjString(textSub(text_, argInt(args, 0, 0), argInt(args, 1, 0)));
}

KvBaseObject* KvObjString::indexOfMethod(const KvArgList& args) {
    return kvInt(textIndexOf(text_, argText(args, 0), argInt(args, 1, 0)));
}

KvBaseObject* KvObjString::lastIndexOfMethod(const KvArgList& args) {
    return kvInt(textLastIndexOf(text_, argText(args, 0), argInt(args, 1, 0)));
}

KvBaseObject* KvObjString::splitMethod(const KvArgList& args) {
    std::u16string separator = argText(args, 0);
    if (separator.empty()) {
        return kvNull();
    }
    auto* list = new KvObjList();
    if (!list) {
        return nullptr;
    }
    for (std::u16string& piece : textSplit(text_, separator, argFlag(args, 1, false))) {
        list->append(new KvObjString(std::move(piece)));
    }
    return list;
}

KvBaseObject* KvObjString::trimMethod(const KvArgList& args) {
    return new KvObjString(textTrim(text_, argFlag(args, 0, true), argFlag(args, 1, true)));
}

KvBaseObject* KvObjString::toNumberMethod(const KvArgList&) {
    return kvNumberFromLiteral(stripSpaces(text_));
}

KvBaseObject* KvObjString::startWithMethod(const KvArgList& args) {
    return anyArgument(args, [this](const std::u16string& p) { return textStartsWith(text_, p); });
}

KvBaseObject* KvObjString::endWithMethod(const KvArgList& args) {
    return anyArgument(args, [this](const std::u16string& s) { return textEndsWith(text_, s); });
}

KvBaseObject* KvObjString::containsMethod(const KvArgList& args) {
    return kvBool(textContains(text_, argText(args, 0)));
}

KvBaseObject* KvObjString::upperMethod(const KvArgList&) {
    return new KvObjString(textUpper(text_));
}

KvBaseObject* KvObjString::lowerMethod(const KvArgList&) {
    return new KvObjString(textLower(text_));
}

// replace(find, with, all = true, start = 0, end = 0)
KvBaseObject* KvObjString::replaceMethod(const KvArgList& args) {
    TextReplace request;
    request.find = argText(args, 0);
    request.with = argText(args, 1);
    request.all = argFlag(args, 2, true);
    request.start = argInt(args, 3, 0);
    request.end = argInt(args, 4, 0);
    std::u16string out;
    if (!textReplace(text_, request, out)) {
        return this;
    }
    return new KvObjString(std::move(out));
}

KvBaseObject* KvObjString::formatMethod(const KvArgList& args) {
    if (args.count <= 0) {
        return this;
    }
    std::vector<std::u16string> values;
    values.reserve(static_cast<std::size_t>(args.count));
    for (int32_t i = 0; i < args.count; ++i) {
        values.push_back(argText(args, i));
    }
    return new KvObjString(textFormat(text_, values));
}

KvBaseObject* KvObjString::reverseMethod(const KvArgList&) {
    return new KvObjString(textReverse(text_));
}

// test(pattern) / match(pattern): the pattern must be a string; a pattern
// that does not compile matches nothing.
KvBaseObject* KvObjString::testMethod(const KvArgList& args) {
    KvBaseObject* pattern = args.at(0);
    if (!pattern || pattern->tag() != kTagString) {
        return kvFalse();
    }
    return kvBool(kvRegexTest(text_, static_cast<KvObjString*>(pattern)->text()));
}

KvBaseObject* KvObjString::matchMethod(const KvArgList& args) {
    KvBaseObject* pattern = args.at(0);
    if (!pattern || pattern->tag() != kTagString) {
        return kvNull();
    }
    KvBaseObject* cursor = kvRegexMatchCursor(this, static_cast<KvObjString*>(pattern));
    return cursor ? cursor : kvNull();
}

void registerStringMembers(KvMemberRegistry& registry) {
    struct Entry {
        const char16_t* name;
        KvBaseObject* (KvObjString::*method)(const KvArgList&);
    };
    static const Entry kMethods[] = {
        {u"sub", &KvObjString::subMethod},
        {u"indexOf", &KvObjString::indexOfMethod},
        {u"lastIndexOf", &KvObjString::lastIndexOfMethod},
        {u"find", &KvObjString::indexOfMethod},
        {u"findLast", &KvObjString::lastIndexOfMethod},
        {u"split", &KvObjString::splitMethod},
        {u"trim", &KvObjString::trimMethod},
        {u"toNumber", &KvObjString::toNumberMethod},
        {u"startWith", &KvObjString::startWithMethod},
        {u"endWith", &KvObjString::endWithMethod},
        {u"contains", &KvObjString::containsMethod},
        {u"upper", &KvObjString::upperMethod},
        {u"lower", &KvObjString::lowerMethod},
        {u"rep", &KvObjString::replaceMethod},
        {u"replace", &KvObjString::replaceMethod},
        {u"fmt", &KvObjString::formatMethod},
        {u"format", &KvObjString::formatMethod},
        {u"revr", &KvObjString::reverseMethod},
        {u"reverse", &KvObjString::reverseMethod},
        {u"test", &KvObjString::testMethod},
        {u"match", &KvObjString::matchMethod},
    };
    registry.registerProperty(kTagString, u"length");
    for (const Entry& entry : kMethods) {
        registry.registerMethod(kTagString, entry.name, kvMethod(entry.method));
    }
}

}  // namespace kestrel
