#include "host/runtime_settings.h"

#include <cstdlib>

#include "host/utf8.h"

namespace kestrel {

namespace {

RuntimeSettings readSettings() {
    RuntimeSettings settings;
    settings.maxStringLength = environmentLimit("KESTREL_MAX_STRING", RuntimeSettings::kLongestString);
    return settings;
}

}  // namespace

RuntimeSettings& runtimeSettings() {
    static RuntimeSettings settings = readSettings();
    return settings;
}

int64_t environmentLimit(const char* name, int64_t fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    int64_t value = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') return fallback;
        const int digit = *c - '0';
        if (value > (fallback - digit) / 10) return fallback;
        value = value * 10 + digit;
    }
    return value > 0 ? value : fallback;
}

std::u16string versionString() {
    const RuntimeSettings& s = runtimeSettings();
    return decimalText(s.versionMajor) + u"." + decimalText(s.versionMinor) + u"." +
           decimalText(s.versionPatch) + u" Internal version";
}

std::u16string versionLine() { return u"[Kestrel " + versionString() + u"]"; }

}  // namespace kestrel
