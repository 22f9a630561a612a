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

// Non-ASCII code units become a character that ends any number.
std::string asciiText(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        out += c < 0x80 ? static_cast<char>(c) : '\x01';
    }
    return out;
}

// Decimal integer prefix; saturates instead of overflowing.
int64_t parseInteger(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i++] == '-';
    }
    uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    uint64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        uint64_t digit = static_cast<uint64_t>(text[i] - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

double parseFloating(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

}  // namespace

KvBaseObject* kvNumberFromLiteral(const std::u16string& text) {
    std::string ascii = asciiText(text);
    std::size_t point = ascii.find('.');
    if (point != std::string::npos) {
        double value = parseFloating(ascii);
        bool fitsFloat = point <= kMaxFloatIntegerDigits &&
                         ascii.size() - point <= kMaxFloatTextAfterPoint;
        if (fitsFloat) {
            return new KvObjFloat(narrowToFloat(value));
        }
        return new KvObjDouble(value);
    }
    int64_t value = parseInteger(ascii);
    if (ascii.size() < kShortestLongLiteral) {
        return kvInt(lowBits32(value));
    }
    return new KvObjLong(value);
}

}  // namespace kestrel
