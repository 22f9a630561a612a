// Immutable UTF-16 strings (tag 3). Methods never change the receiver: each
// returns a new string, a shared constant, or the receiver itself where its
// rule says so. Lengths and positions count UTF-16 code units.
#pragma once

#include <string>

#include "objects/base_object.h"
#include "objects/string_limit.h"

namespace kestrel {

class KvObjString final : public KvBaseObject {
public:
    // Throws KvStringTooLong past the longest string (string_limit.h).
    explicit KvObjString(std::u16string text) : text_(std::move(text)) {
        kvCheckStringLength(text_.size());
        setTag(kTagString);
    }

    const std::u16string& text() const { return text_; }
    // The one exception to immutability: the machine appends to a string
    // whose only holders are about to see the longer text anyway (s = s + x).
    void appendText(const std::u16string& more) {
        kvJoinedLength(text_.size(), more.size());
        text_ += more;
    }

    std::u16string toString() const override { return text_; }
    std::u16string detailString(int32_t indent) const override;
    KvBaseObject* toBytes() override;
    bool equals(KvBaseObject* other) const override;
    int32_t compare(KvBaseObject* other) const override;
    KvBaseObject* getBuiltinProperty(int32_t id) override;
    bool canSubscriptRange() const override { return true; }
    KvBaseObject* getRange(const KvArgList& args) override;

    // Script methods; ids in registration order (see registerStringMembers).
    KvBaseObject* subMethod(const KvArgList& args);
    KvBaseObject* indexOfMethod(const KvArgList& args);
    KvBaseObject* lastIndexOfMethod(const KvArgList& args);
    KvBaseObject* splitMethod(const KvArgList& args);
    KvBaseObject* trimMethod(const KvArgList& args);
    KvBaseObject* toNumberMethod(const KvArgList& args);
    KvBaseObject* startWithMethod(const KvArgList& args);
    KvBaseObject* endWithMethod(const KvArgList& args);
    KvBaseObject* containsMethod(const KvArgList& args);
    KvBaseObject* upperMethod(const KvArgList& args);
    KvBaseObject* lowerMethod(const KvArgList& args);
    KvBaseObject* replaceMethod(const KvArgList& args);
    KvBaseObject* formatMethod(const KvArgList& args);
    KvBaseObject* reverseMethod(const KvArgList& args);
    KvBaseObject* testMethod(const KvArgList& args);
    KvBaseObject* matchMethod(const KvArgList& args);

private:
    std::u16string text_;
};

// The + of the machine with a string operand: left's text form, then right's.
KvBaseObject* kvConcat(KvBaseObject* left, KvBaseObject* right);

// String constant text as the machine first loads it: each backslash that is
// not the last code unit is dropped and the code unit after it kept as is.
std::u16string kvUnescapeLiteral(const std::u16string& text);

void registerStringMembers(KvMemberRegistry& registry);

}  // namespace kestrel
