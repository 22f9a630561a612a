// Each function follows its method's rule exactly, quirks included (see the
// trim rule about mixed tabs and spaces).
#include "objects/string_text.h"

#include "host/utf8.h"
#include "objects/string_limit.h"

#include <algorithm>
#include <cctype>

namespace kestrel {

namespace {

using Size = std::u16string::size_type;

int32_t length32(const std::u16string& text) {
    return static_cast<int32_t>(text.size());
}

std::u16string slice(const std::u16string& text, int32_t from, int32_t count) {
    return text.substr(static_cast<Size>(from), static_cast<Size>(count));
}

// First position not holding c, or -1.
int32_t firstNot(const std::u16string& text, char16_t c) {
    Size p = text.find_first_not_of(c);
    return p == std::u16string::npos ? -1 : static_cast<int32_t>(p);
}

// One past the last position not holding c, or 0.
int32_t endNot(const std::u16string& text, char16_t c) {
    Size p = text.find_last_not_of(c);
    return p == std::u16string::npos ? 0 : static_cast<int32_t>(p) + 1;
}

// Backslashes immediately before position p.
int32_t backslashesBefore(const std::u16string& text, Size p) {
    int32_t count = 0;
    while (p > 0 && text[p - 1] == u'\\') {
        ++count;
        --p;
    }
    return count;
}

template <class Map>
std::u16string mapSingleByte(const std::u16string& text, Map map) {
    std::u16string out = text;
    for (char16_t& c : out) {
        if (c < 0x100) {  // wider code units are left as they are
            c = static_cast<char16_t>(map(static_cast<unsigned char>(c)) & 0xFF);
        }
    }
    return out;
}

}  // namespace

std::u16string textSub(const std::u16string& text, int32_t start, int32_t count) {
    int32_t length = length32(text);
    if (start < 0) {
        start += length;
    }
    if (start < 0 || start >= length) {
        return std::u16string();
    }
    if (count == 0) {
        count = length - start;
    } else if (count < 0) {
        count += length;
    }
    count = std::min(count, length - start);
    return count > 0 ? slice(text, start, count) : std::u16string();
}

std::u16string textRange(const std::u16string& text, int32_t a, int32_t b) {
    int32_t length = length32(text);
    if (b >= length) {
        b = length - 1;
    }
    if (b < 0) {
        b += length;
    }
    if (a < 0) {
        a += length;
    }
    if (b < 0 || a < 0 || a > b) {
        return std::u16string();
    }
    return slice(text, a, b - a + 1);
}

int32_t textIndexOf(const std::u16string& text, const std::u16string& needle, int32_t start) {
    int32_t length = length32(text);
    if (needle.empty() || needle.size() > text.size() || start >= length) {
        return -1;
    }
    if (start < 0) {
        start = std::max(start + length, 0);
    }
    Size p = text.find(needle, static_cast<Size>(start));
    return p == std::u16string::npos ? -1 : static_cast<int32_t>(p);
}

int32_t textLastIndexOf(const std::u16string& text, const std::u16string& needle, int32_t from) {
    int32_t length = length32(text);
    if (needle.empty() || needle.size() > text.size()) {
        return -1;
    }
    int64_t position = from > 0 ? std::min<int64_t>(int64_t{from} - 1, length - 1)
                                : int64_t{length} - 1 + from;
    if (position < 0) {
        return -1;
    }
    Size p = text.rfind(needle, static_cast<Size>(position));
    return p == std::u16string::npos ? -1 : static_cast<int32_t>(p);
}

std::vector<std::u16string> textSplit(const std::u16string& text, const std::u16string& separator,
                                      bool trimParts) {
    std::vector<std::u16string> pieces;
    if (text.empty() || separator.empty()) {
        return pieces;
    }
    Size from = 0;
    for (Size at = text.find(separator); at != std::u16string::npos;
         at = text.find(separator, from)) {
        pieces.push_back(text.substr(from, at - from));
        from = at + separator.size();
    }
    pieces.push_back(text.substr(from));
    if (trimParts) {
        for (std::u16string& piece : pieces) {
            piece = textTrim(piece, true, true);
        }
    }
    return pieces;
}

// Start: the first non-space, replaced by the first non-tab when that comes
// later. End: the earlier of one past the last non-space and one past the
// last non-tab. So a run mixing tabs and spaces may keep some of them.
std::u16string textTrim(const std::u16string& text, bool left, bool right) {
    int32_t start = 0;
    if (left) {
        start = std::max(firstNot(text, u' '), 0);
        start = std::max(start, firstNot(text, u'\t'));
    }
    int32_t end = length32(text);
    if (right) {
        end = std::min(endNot(text, u' '), endNot(text, u'\t'));
    }
    return start < end ? slice(text, start, end - start) : std::u16string();
}

bool textStartsWith(const std::u16string& text, const std::u16string& prefix) {
    return !prefix.empty() && prefix.size() <= text.size() &&
           text.compare(0, prefix.size(), prefix) == 0;
}

bool textEndsWith(const std::u16string& text, const std::u16string& suffix) {
    return !suffix.empty() && suffix.size() <= text.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool textContains(const std::u16string& text, const std::u16string& needle) {
    return !needle.empty() && needle.size() <= text.size() &&
           text.find(needle) != std::u16string::npos;
}

std::u16string textUpper(const std::u16string& text) {
    return mapSingleByte(text, [](unsigned char c) { return std::toupper(c); });
}

std::u16string textLower(const std::u16string& text) {
    return mapSingleByte(text, [](unsigned char c) { return std::tolower(c); });
}

std::u16string textReverse(const std::u16string& text) {
    return std::u16string(text.rbegin(), text.rend());
}

namespace {

// The occurrences a replacement takes, in order and never overlapping:
// the first at or after start; with all, each next one searched right
// after the previous (in the receiver, which is where the search would
// resume after the inserted text); with an end limit, an occurrence is
// held back once its last code unit lies past end. visit(position) sees each.
template <class Visit>
void forEachOccurrence(const std::u16string& text, const TextReplace& request, Size first, Visit visit) {
    const Size width = request.find.size();
    for (Size at = first; at != std::u16string::npos; at = text.find(request.find, at + width)) {
        if (at != first && request.end != 0 && int64_t(at + width) - 1 > request.end) return;
        visit(at);
        if (!request.all) return;
    }
}

// Copies [from, to) to out with every unit equal to unit written as with;
// Width is with's length when known here (-1: any), so the common short
// replacements are plain stores.
template <int Width>
char16_t* replaceEachUnit(const char16_t* from, const char16_t* to, char16_t unit, const std::u16string& with,
                          char16_t* out) {
    const char16_t* units = with.data();
    for (; from != to; ++from) {
        if (*from != unit) {
            *out++ = *from;
        } else if constexpr (Width < 0) {
            out = std::copy(units, units + with.size(), out);
        } else {
            for (int i = 0; i < Width; ++i) *out++ = units[i];
        }
    }
    return out;
}

// Every occurrence of a one-unit needle from first on (up to end, when
// limited): counted, then written in one pass into a result of exact size.
void replaceUnitEverywhere(const std::u16string& text, const TextReplace& request, Size first, std::u16string& out) {
    const char16_t unit = request.find[0];
    const std::u16string& with = request.with;
    const char16_t* units = text.data();
    const Size length = text.size();
    const Size stop = request.end != 0 ? std::min<Size>(length, Size(request.end) + 1) : length;
    const uint64_t found = static_cast<uint64_t>(std::count(units + first, units + stop, unit));
    out.assign(kvJoinedLength(length - found, found * with.size()), u'\0');
    char16_t* write = std::copy(units, units + first, &out[0]);
    switch (with.size()) {
    case 0: write = replaceEachUnit<0>(units + first, units + stop, unit, with, write); break;
    case 1: write = replaceEachUnit<1>(units + first, units + stop, unit, with, write); break;
    case 2: write = replaceEachUnit<2>(units + first, units + stop, unit, with, write); break;
    default: write = replaceEachUnit<-1>(units + first, units + stop, unit, with, write); break;
    }
    std::copy(units + stop, units + length, write);
}

}  // namespace

// The result is made once, at its exact size: a one-unit needle is
// scanned directly; a longer one is searched once to count the occurrences
// and again to write (a replacement as long as the needle overwrites a copy).
bool textReplace(const std::u16string& text, const TextReplace& request, std::u16string& out) {
    int32_t length = length32(text);
    int32_t start = std::max(request.start, 0);
    const Size width = request.find.size();
    if (text.empty() || width == 0 || start >= length) {
        return false;
    }
    const Size first = text.find(request.find, static_cast<Size>(start));
    const bool limited = request.end != 0;
    const int64_t end = request.end;
    if (first == std::u16string::npos || (limited && (end >= length || int64_t(first) > end))) {
        return false;
    }
    const std::u16string& with = request.with;
    if (width == 1 && request.all) {
        replaceUnitEverywhere(text, request, first, out);
        return true;
    }
    if (with.size() == width) {
        out = text;
        char16_t* target = &out[0];
        forEachOccurrence(text, request, first, [&](Size at) { std::copy(with.begin(), with.end(), target + at); });
        return true;
    }
    uint64_t found = 0;
    forEachOccurrence(text, request, first, [&found](Size) { ++found; });
    out.assign(kvJoinedLength(text.size() - found * width, found * with.size()), u'\0');
    char16_t* write = &out[0];
    const char16_t* read = text.data();
    Size from = 0;
    forEachOccurrence(text, request, first, [&](Size at) {
        write = std::copy(read + from, read + at, write);
        write = std::copy(with.begin(), with.end(), write);
        from = at + width;
    });
    std::copy(read + from, read + text.size(), write);
    return true;
}

std::u16string textFormat(const std::u16string& text, const std::vector<std::u16string>& values) {
    std::u16string out = text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::u16string placeholder = u"{" + decimalText(static_cast<int64_t>(i)) + u"}";
        for (Size at = out.find(placeholder); at != std::u16string::npos;) {
            if (backslashesBefore(out, at) % 2 == 1) {
                at = out.find(placeholder, at + placeholder.size());
                continue;
            }
            kvJoinedLength(out.size() - placeholder.size(), values[i].size());
            out.replace(at, placeholder.size(), values[i]);
            at = out.find(placeholder, at + values[i].size());
        }
    }
    return out;
}

}  // namespace kestrel
