// Source text decoding: a file's bytes become one UTF-16 text whatever their
// encoding (detected with uchardet, converted with ICU, Boost.Locale as the
// fallback). An empty result means "nothing read"; decoding never throws.
#pragma once

#include <cstddef>
#include <string>

namespace kestrel {

// The whole file decoded; empty when it cannot be queried, opened or read.
std::u16string readSourceFile(const std::u16string& path);

// Well-formed UTF-8 with at least one multi-byte sequence decodes as UTF-8;
// anything else with the charset that detectCharset finds.
std::u16string decodeAuto(const char* bytes, size_t length);

// The charset name uchardet reports, or empty when it finds none.
std::string detectCharset(const char* bytes, size_t length);

// Decodes with a named charset. An empty name or "ASCII" takes each byte as
// one code unit; "GB..." reads as GBK; a UTF-8 byte-order mark is skipped; a
// leading U+FEFF left by any converter is dropped; an unknown charset gives
// the empty text.
std::u16string decodeBytes(const char* bytes, size_t length, const std::string& charset);

}  // namespace kestrel
