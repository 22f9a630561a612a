#include "host/utf8.h"

#include <boost/locale/encoding_utf.hpp>

namespace kestrel {

std::u16string fromUtf8(const std::string& text) {
    return boost::locale::conv::utf_to_utf<char16_t>(text, boost::locale::conv::skip);
}

std::string toUtf8(const std::u16string& text) {
    return boost::locale::conv::utf_to_utf<char>(text, boost::locale::conv::skip);
}

std::u16string decimalText(int64_t value) {
    char16_t digits[24];
    int n = 0;
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits[n++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    std::u16string text;
    text.reserve(static_cast<std::size_t>(n) + 1);
    if (value < 0) {
        text += u'-';
    }
    while (n > 0) {
        text += digits[--n];
    }
    return text;
}

}  // namespace kestrel
