// Parsing follows the C library's prefix rules: leading blanks and a sign are
// accepted and parsing stops at the first character that does not fit.
#include "objects/number_literal.h"

#include <cstdlib>
#include <limits>

#include "objects/number_floating.h"
#include "objects/number_integer.h"
#include "objects/shared_constants.h"

namespace kestrel {

namespace {

constexpr std::size_t kMaxFloatIntegerDigits = 6;
constexpr std::size_t kMaxFloatTextAfterPoint = 6;  // the point and five digits
constexpr std::size_t kShortestLongLiteral = 9;

// Decimal integer prefix; saturates instead of overflowing. Code units
// outside ASCII are no digits, blanks or signs, so they end it.
int64_t parseInteger(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i++] == u'-';
    }
    uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    uint64_t magnitude = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        uint64_t digit = static_cast<uint64_t>(text[i] - u'0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

// The C library's reading of the text, non-ASCII code units becoming a
// character that ends any number. Literals are short: no allocation then.
double parseFloating(std::u16string_view text) {
    char shortText[64];
    std::string longText;
    char* ascii = shortText;
    if (text.size() >= sizeof(shortText)) {
        longText.resize(text.size());
        ascii = longText.data();
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        ascii[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '\x01';
    }
    ascii[text.size()] = '\0';
    return std::strtod(ascii, nullptr);
}

}  // namespace

NumberLiteral parseNumberLiteral(std::u16string_view text) {
    NumberLiteral out;
    // The common literal, a few plain digits, in one pass.
    if (!text.empty() && text.size() < kShortestLongLiteral) {
        int32_t value = 0;
        std::size_t i = 0;
        for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) value = value * 10 + (text[i] - u'0');
        if (i == text.size()) {
            out.integer = value;
            return out;
        }
    }
    std::size_t point = text.find(u'.');
    if (point != std::u16string_view::npos) {
        double value = parseFloating(text);
        bool fitsFloat = point <= kMaxFloatIntegerDigits && text.size() - point <= kMaxFloatTextAfterPoint;
        out.kind = fitsFloat ? NumberLiteral::Kind::Float : NumberLiteral::Kind::Double;
        out.floating = fitsFloat ? static_cast<double>(narrowToFloat(value)) : value;
        return out;
    }
    int64_t value = parseInteger(text);
    const bool fitsInt = text.size() < kShortestLongLiteral;
    out.kind = fitsInt ? NumberLiteral::Kind::Int : NumberLiteral::Kind::Long;
    out.integer = fitsInt ? lowBits32(value) : value;
    return out;
}

KvBaseObject* kvNumberFromLiteral(const std::u16string& text) {
    NumberLiteral number = parseNumberLiteral(text);
    switch (number.kind) {
        case NumberLiteral::Kind::Float: return new KvObjFloat(static_cast<float>(number.floating));
        case NumberLiteral::Kind::Double: return new KvObjDouble(number.floating);
        case NumberLiteral::Kind::Int: return kvInt(static_cast<int32_t>(number.integer));
        case NumberLiteral::Kind::Long: break;
    }
    return new KvObjLong(number.integer);
}

}  // namespace kestrel
