#include "shell/startup_output.h"

#include "host/console_queue.h"
#include "host/platform.h"
#include "host/runtime_settings.h"

namespace kestrel {

void startupNotice(const std::u16string& text) {
    if (!runtimeSettings().quiet) consoleWriteDirect(text, platform::kAttributeGreen);
}

void startupError(const std::u16string& text) {
    consoleWriteDirect(text, platform::kAttributeGreen);
}

}  // namespace kestrel
