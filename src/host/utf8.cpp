#include "host/utf8.h"

#include <boost/locale/encoding_utf.hpp>

namespace kestrel {

std::u16string fromUtf8(const std::string& text) {
    return boost::locale::conv::utf_to_utf<char16_t>(text, boost::locale::conv::skip);
}

std::string toUtf8(const std::u16string& text) {
    return boost::locale::conv::utf_to_utf<char>(text, boost::locale::conv::skip);
}

// The length of the sequence a lead byte opens and the range its second
// byte must fall in (which rules out overlong forms and surrogates); 0 when
// the byte cannot open a sequence.
static int sequenceLength(unsigned char lead, unsigned char& low, unsigned char& high) {
    low = 0x80;
    high = 0xBF;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
        return 4;
    }
    return 0;
}

bool isValidUtf8(const std::string& text) {
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        unsigned char low = 0, high = 0;
        int length = sequenceLength(static_cast<unsigned char>(text[i]), low, high);
        if (length == 0 || size - i < static_cast<std::size_t>(length)) return false;
        for (int k = 1; k < length; ++k) {
            auto byte = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if (k == 1 ? (byte < low || byte > high) : (byte < 0x80 || byte > 0xBF)) return false;
        }
        i += static_cast<std::size_t>(length);
    }
    return true;
}

// Digits from the last one back, two at a time (half the divisions), so no
// reversal and no growing string.
char16_t* decimalTextBefore(int64_t value, char16_t* end) {
    static const char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char16_t* at = end;
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    while (magnitude >= 100) {
        const auto pair = static_cast<std::size_t>(magnitude % 100) * 2;
        magnitude /= 100;
        *--at = static_cast<char16_t>(kPairs[pair + 1]);
        *--at = static_cast<char16_t>(kPairs[pair]);
    }
    if (magnitude >= 10) {
        const auto pair = static_cast<std::size_t>(magnitude) * 2;
        *--at = static_cast<char16_t>(kPairs[pair + 1]);
        *--at = static_cast<char16_t>(kPairs[pair]);
    } else {
        *--at = static_cast<char16_t>(u'0' + magnitude);
    }
    if (value < 0) *--at = u'-';
    return at;
}

std::u16string decimalText(int64_t value) {
    char16_t units[kMaxDecimalUnits];
    char16_t* end = units + kMaxDecimalUnits;
    return std::u16string(decimalTextBefore(value, end), end);
}

}  // namespace kestrel
