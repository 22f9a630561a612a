#include "shell/shell.h"

#include <cstdio>
#include <iostream>
#include <new>
#include <string>

#include "host/console_queue.h"
#include "shell/elapsed.h"
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

int runInteractive() {
    consoleWriteDirect(u" * 可以直接输入Kestrel表达式和命令做测试\r\n", platform::kAttributeNormal);
    consoleWriteDirect(u" * 输入 Simple 或者 “例子” 查看示例运行结果。\r\n", platform::kAttributeNormal);
    consoleWriteDirect(u" * 示例文件是运行目录下的 Simple.txt\r\n"
                       u" * 彩蛋：命令支持和相关的关键字命令可以查看 lang/CHS.json文件\r\n",
                       platform::kAttributeNormal);
    consoleWriteDirect(u">>> ", platform::kAttributeNormal);
    return runModuleTestLoop();
}

int runModuleTestLoop() {
    initializeRuntime();
    int64_t timer = platform::monotonicMillis();
    const std::u16string label(23, u'-');
    std::string line;
    for (;;) {
        // A module that cannot load is skipped without a message of its own.
        ModuleRecord* module = moduleManager().load(u"", u"test/standard-module-test");
        if (module != nullptr && module->code != nullptr) runModule(module->code, module->key);
        printElapsed(timer, true, label);
        consoleQueue().flush();  // the timing line shows before the wait
        if (!std::getline(std::cin, line)) return 0;
        timer = platform::monotonicMillis();
    }
}

void waitForKey() {
    char key = 0;
    std::cin >> key;
}

}  // namespace kestrel
