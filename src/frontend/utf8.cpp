#include "frontend/utf8.h"

#include <boost/locale/encoding_utf.hpp>

namespace kestrel {

std::u16string fromUtf8(const std::string& text) {
    return boost::locale::conv::utf_to_utf<char16_t>(text, boost::locale::conv::skip);
}

std::string toUtf8(const std::u16string& text) {
    return boost::locale::conv::utf_to_utf<char>(text, boost::locale::conv::skip);
}

}  // namespace kestrel
