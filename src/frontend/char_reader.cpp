// The 34-entry normalisation table and the reader built on it. The table is
// kept sorted by code point so that a lookup is a binary search.
#include "frontend/char_reader.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kestrel {
namespace {

struct Mapping {
    char16_t typed;
    char16_t normalised;
};

constexpr std::array<Mapping, 34> kNormalisation{{
    {0x00D7, u'*'},   // ×
    {0x00F7, u'/'},   // ÷
    {0x2018, u'\''},  // ‘
    {0x2019, u'\''},  // ’
    {0x201C, u'"'},   // “
    {0x201D, u'"'},   // ”
    {0x3001, u'.'},   // 、 (ideographic comma acts as a full stop)
    {0x3002, u'.'},   // 。
    {0x3010, u'['},   // 【
    {0x3011, u']'},   // 】
    {0xFF01, u'!'},
    {0xFF02, u'"'},
    {0xFF03, u'#'},
    {0xFF05, u'%'},
    {0xFF06, u'&'},
    {0xFF07, u'\''},
    {0xFF08, u'('},
    {0xFF09, u')'},
    {0xFF0A, u'*'},
    {0xFF0B, u'+'},
    {0xFF0C, u','},
    {0xFF0D, u'-'},
    {0xFF0F, u'/'},
    {0xFF1C, u'<'},
    {0xFF1D, u'='},
    {0xFF1E, u'>'},
    {0xFF20, u'@'},
    {0xFF3B, u'['},
    {0xFF3D, u']'},
    {0xFF3E, u'^'},
    {0xFF5B, u'{'},
    {0xFF5C, u'|'},
    {0xFF5D, u'}'},
    {0xFF5E, u'~'},
}};

constexpr bool isSortedByTyped() {
    for (size_t i = 1; i < kNormalisation.size(); ++i) {
        if (kNormalisation[i - 1].typed >= kNormalisation[i].typed) return false;
    }
    return true;
}
static_assert(isSortedByTyped(), "the normalisation table must stay sorted for binary search");

}  // namespace

char16_t normaliseChar(char16_t typed) {
    if (typed < kNormalisation.front().typed) return 0;
    auto found = std::lower_bound(kNormalisation.begin(), kNormalisation.end(), typed,
                                  [](const Mapping& m, char16_t c) { return m.typed < c; });
    return (found != kNormalisation.end() && found->typed == typed) ? found->normalised : 0;
}

char16_t normaliseChar(const std::u16string& text, size_t position) {
    return position < text.size() ? normaliseChar(text[position]) : 0;
}

bool readChar(const std::u16string& text, int64_t position, CharRecord& record) {
    if (position < 0 || static_cast<uint64_t>(position) >= text.size()) {
        record = CharRecord{};
        record.position = static_cast<int32_t>(std::max<int64_t>(position, 0));
        return false;
    }
    char16_t typed = text[static_cast<size_t>(position)];
    record.position = static_cast<int32_t>(position);
    record.valid = true;
    record.width = 1;
    record.typed.assign(1, typed);
    char16_t mapped = normaliseChar(typed);
    record.ch = mapped != 0 ? mapped : typed;
    return true;
}

}  // namespace kestrel
