// Decoding of whole files. The intermediate UTF-8 buffer is sized by asking
// the converter, so no charset can truncate the text or make us read past
// what the converter wrote.
#include "frontend/decode.h"

#include <uchardet/uchardet.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include <boost/locale/encoding.hpp>

#include "host/file_io.h"
#include "host/utf8.h"

namespace kestrel {
namespace {

constexpr size_t kMaxConvertible = static_cast<size_t>(std::numeric_limits<int32_t>::max());

std::u16string bytesAsCodeUnits(const char* bytes, size_t length) {
    std::u16string text(length, u'\0');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<unsigned char>(bytes[i]);
    return text;
}

std::string upperCased(const std::string& name) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool startsWithUtf8Bom(const char* bytes, size_t length) {
    return length > 2 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
           static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF;
}

// One ICU conversion into `target`; returns the length ICU needs or wrote.
int32_t convertWithIcu(const std::string& charset, const char* bytes, int32_t length,
                       std::string& target, UErrorCode& status) {
    status = U_ZERO_ERROR;
    return ucnv_convert("utf8", charset.c_str(), &target[0], static_cast<int32_t>(target.size()), bytes,
                        length, &status);
}

// The input as UTF-8 through ICU; empty when ICU does not know the charset or
// produced nothing. A first guess too small is retried at the size ICU asks
// for (no charset needs more than three UTF-8 bytes per input byte).
std::string toUtf8WithIcu(const std::string& charset, const char* bytes, size_t length) {
    if (length > kMaxConvertible / 3) return std::string();
    auto sourceLength = static_cast<int32_t>(length);
    std::string target(length * 2 + 16, '\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t written = convertWithIcu(charset, bytes, sourceLength, target, status);
    if (status == U_BUFFER_OVERFLOW_ERROR && written > 0) {
        target.assign(static_cast<size_t>(written) + 1, '\0');
        written = convertWithIcu(charset, bytes, sourceLength, target, status);
    }
    if (U_FAILURE(status) || written <= 0) return std::string();
    target.resize(std::min(static_cast<size_t>(written), target.size()));
    return target;
}

// The fallback reads the input up to its first zero byte; an unknown charset
// reads as empty text rather than escaping as an exception.
std::u16string decodeWithBoost(const std::string& charset, const char* bytes, size_t length) {
    const char* end = static_cast<const char*>(std::memchr(bytes, 0, length));
    if (end == nullptr) end = bytes + length;
    try {
        // Through UTF-8: the installed Boost.Locale converts to char and
        // wchar_t only, and wide text here is always UTF-16.
        return fromUtf8(boost::locale::conv::to_utf<char>(bytes, end, charset, boost::locale::conv::skip));
    } catch (const boost::locale::conv::invalid_charset_error&) {
        return std::u16string();
    } catch (const boost::locale::conv::conversion_error&) {
        return std::u16string();
    }
}

std::u16string withoutLeadingBom(std::u16string text) {
    if (!text.empty() && text[0] == u'\uFEFF') text.erase(0, 1);
    return text;
}

// The charset to hand the converters: every "GB..." name reads as GBK.
std::string converterCharset(const std::string& charset, const std::string& upper) {
    return upper.compare(0, 2, "GB") == 0 ? std::string("GBK") : charset;
}

// The length of the well-formed UTF-8 sequence at bytes[0] (1 for ASCII),
// or 0 when it is malformed: overlong forms, surrogates and code points
// above U+10FFFF are malformed.
size_t utf8SequenceLength(const unsigned char* bytes, size_t available) {
    const unsigned char lead = bytes[0];
    if (lead < 0x80) return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (available < length || bytes[1] < low || bytes[1] > high) return 0;
    for (size_t i = 2; i < length; ++i) {
        if (bytes[i] < 0x80 || bytes[i] > 0xBF) return 0;
    }
    return length;
}

// True when the bytes are well-formed UTF-8 holding at least one multi-byte
// sequence: text that no single-byte charset guess should override.
bool isMultiByteUtf8(const char* bytes, size_t length) {
    const auto* at = reinterpret_cast<const unsigned char*>(bytes);
    bool multiByte = false;
    for (size_t i = 0; i < length;) {
        size_t step = utf8SequenceLength(at + i, length - i);
        if (step == 0) return false;
        multiByte = multiByte || step > 1;
        i += step;
    }
    return multiByte;
}

}  // namespace

std::u16string decodeBytes(const char* bytes, size_t length, const std::string& charset) {
    if (bytes == nullptr || length == 0) return std::u16string();
    const std::string upper = upperCased(charset);
    if (charset.empty() || upper == "ASCII") return bytesAsCodeUnits(bytes, length);
    const std::string name = converterCharset(charset, upper);
    const char* start = bytes;
    size_t remaining = length;
    if (startsWithUtf8Bom(bytes, length)) {
        start += 3;
        remaining -= 3;
        if (remaining == 0) return std::u16string();
    }
    std::string utf8 = toUtf8WithIcu(name, start, remaining);
    if (!utf8.empty()) return withoutLeadingBom(fromUtf8(utf8));
    return withoutLeadingBom(decodeWithBoost(name, bytes, length));
}

std::string detectCharset(const char* bytes, size_t length) {
    uchardet_t detector = uchardet_new();
    if (detector == nullptr) return std::string();
    std::string name;
    if (uchardet_handle_data(detector, bytes, length) == 0) {
        uchardet_data_end(detector);
        const char* detected = uchardet_get_charset(detector);
        if (detected != nullptr) name = detected;
    }
    uchardet_delete(detector);
    return name;
}

// The detector guesses from statistics and can take a short UTF-8 text (a few
// curly quotes among ASCII) for a single-byte charset; bytes that are
// well-formed multi-byte UTF-8 are read as UTF-8 whatever it guesses.
std::u16string decodeAuto(const char* bytes, size_t length) {
    if (bytes != nullptr && isMultiByteUtf8(bytes, length)) return decodeBytes(bytes, length, "UTF-8");
    return decodeBytes(bytes, length, detectCharset(bytes, length));
}

std::u16string readSourceFile(const std::u16string& path) {
    const std::optional<std::string> bytes = readFileBytes(path);
    if (!bytes) return std::u16string();
    return decodeAuto(bytes->data(), bytes->size());
}

}  // namespace kestrel
