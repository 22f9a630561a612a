#include "host/runtime_settings.h"

#include "host/utf8.h"

namespace kestrel {

RuntimeSettings& runtimeSettings() {
    static RuntimeSettings settings;
    return settings;
}

std::u16string versionString() {
    const RuntimeSettings& s = runtimeSettings();
    return decimalText(s.versionMajor) + u"." + decimalText(s.versionMinor) + u"." +
           decimalText(s.versionPatch) + u" Internal version";
}

std::u16string versionLine() { return u"[Kestrel " + versionString() + u"]"; }

}  // namespace kestrel
