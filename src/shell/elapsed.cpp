#include "shell/elapsed.h"

#include "host/utf8.h"
#include "host/console_queue.h"
#include "host/platform.h"

namespace kestrel {

std::u16string formatElapsed(int64_t milliseconds) {
    if (milliseconds < 10000) return decimalText(milliseconds) + u" ms";
    if (milliseconds < 60000) return decimalText(milliseconds / 1000) + u" 秒";
    return decimalText(milliseconds / 60000) + u"分" + decimalText((milliseconds / 1000) % 60) + u"秒";
}

void printElapsed(int64_t& timer, bool newline, const std::u16string& label) {
    int64_t now = platform::monotonicMillis();
    int64_t elapsed = now - timer;
    timer = now;
    consoleWrite(u"[" + label + u"] " + formatElapsed(elapsed) + (newline ? u"\r\n" : u""),
                 kLevelNormal);
    timer = platform::monotonicMillis();  // printing is not part of the next measurement
}

}  // namespace kestrel
