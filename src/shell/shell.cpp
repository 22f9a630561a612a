#include "shell/shell.h"

#include <cstdio>
#include <iostream>
#include <new>
#include <string>

#include "host/console_queue.h"
#include "objects/string_limit.h"
#include "host/platform.h"
#include "shell/startup.h"
#include "loader/module_loader.h"
#include "loader/run_module.h"

namespace kestrel {

int runReportingOutOfMemory(const std::function<int()>& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        // The frames that were running have released what they held while
        // the exception passed through them.
        try {
            consoleQueue().flush();
        } catch (const std::exception&) {
            // the queue could not take the flush either: the message still goes out
        }
        std::fprintf(stderr, "%s\n", kOutOfMemoryMessage);
        std::fflush(stderr);
        return 1;
    } catch (const KvStringTooLong& tooLong) {
        consoleQueue().flush();
        std::fprintf(stderr, "%s\n", tooLong.what());
        std::fflush(stderr);
        return 1;
    }
}

int runScriptFile(const std::u16string& path, bool waitOnFailure) {
    initializeRuntime();
    ScriptRunResult result = runScriptPath(path);
    if (result == ScriptRunResult::LoadFailed) {
        consoleWrite(u"[Source] " + path + u"\r\nFaild loaded file \"" + path + u"\"\r\n",
                     kLevelNormal);
        if (waitOnFailure) waitForKey();
        return 1;
    }
    return result == ScriptRunResult::Uncaught ? 1 : 0;
}

void waitForKey() {
    char key = 0;
    std::cin >> key;
}

}  // namespace kestrel
