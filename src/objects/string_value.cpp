// String value basics: text forms, bytes, ordering, "length", brackets,
// concatenation and literal unescaping.
#include "objects/string_value.h"

#include <string_view>

#include "host/utf8.h"
#include "objects/bytes_value.h"
#include "objects/number.h"
#include "objects/shared_constants.h"
#include "objects/string_text.h"

namespace kestrel {

namespace {
constexpr int32_t kLengthProperty = 1;
}

std::u16string KvObjString::detailString(int32_t) const {
    return u"\"" + text_ + u"\"";
}

KvBaseObject* KvObjString::toBytes() {
    if (text_.empty()) {
        return nullptr;
    }
    std::string utf8 = toUtf8(text_);
    return new KvObjBytes(reinterpret_cast<const uint8_t*>(utf8.data()),
                          static_cast<uint32_t>(utf8.size()));
}

bool KvObjString::equals(KvBaseObject* other) const {
    return other && other->tag() == kTagString &&
           static_cast<KvObjString*>(other)->text_ == text_;
}

int32_t KvObjString::compare(KvBaseObject* other) const {
    if (!other || other->tag() != kTagString) {
        return -1;
    }
    int order = text_.compare(static_cast<KvObjString*>(other)->text_);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

KvBaseObject* KvObjString::getBuiltinProperty(int32_t id) {
    if (id == kLengthProperty) {
        return kvInt(static_cast<int32_t>(text_.size()));
    }
    return KvBaseObject::getBuiltinProperty(id);
}

// s[a, b]: only answered with two or more bracket arguments.
KvBaseObject* KvObjString::getRange(const KvArgList& args) {
    return new KvObjString(textRange(text_, argInt(args, 0, 0), argInt(args, 1, -1)));
}

namespace {

// Room for an integer operand's digits, so "k" + i makes no text but the result.
struct DecimalUnits {
    char16_t units[kMaxDecimalUnits];
};

// A string operand's own text, read in place; an integer's digits, written
// into digits; any other value's text form, made once into spare.
std::u16string_view operandText(KvBaseObject* value, std::u16string& spare, DecimalUnits& digits) {
    if (!value) return spare;
    if (value->tag() == kTagString) return static_cast<KvObjString*>(value)->text();
    if (value->tag() == kTagNumber) {
        const auto* number = static_cast<const KvObjNumber*>(value);
        if (number->isIntegerKind()) {
            char16_t* end = digits.units + kMaxDecimalUnits;
            const char16_t* start = decimalTextBefore(number->toLong(), end);
            return std::u16string_view(start, static_cast<std::size_t>(end - start));
        }
    }
    spare = value->toString();
    return spare;
}

}  // namespace

// The length is checked before the joined text is made, in one allocation.
KvBaseObject* kvConcat(KvBaseObject* left, KvBaseObject* right) {
    std::u16string leftSpare, rightSpare;
    DecimalUnits leftDigits, rightDigits;
    const std::u16string_view first = operandText(left, leftSpare, leftDigits);
    const std::u16string_view second = operandText(right, rightSpare, rightDigits);
    std::u16string text;
    text.reserve(kvJoinedLength(first.size(), second.size()));
    text.append(first).append(second);
    return new KvObjString(std::move(text));
}

std::u16string kvUnescapeLiteral(const std::u16string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            ++i;  // keep the escaped code unit, whatever it is
        }
        out += text[i];
    }
    return out;
}

}  // namespace kestrel
