#include "shell/shell.h"

#include <iostream>
#include <string>

#include "shell/console_queue.h"
#include "shell/elapsed.h"
#include "shell/platform.h"
#include "shell/startup.h"
#include "vm/module_loader.h"

namespace kestrel {

// A module that cannot be found or compiled yields null; the module
// manager has already reported a parse or compile error.
static ModuleRecord* loadModule(const std::u16string& name) {
    return moduleManager().load(u"", name);
}

int runScriptFile(const std::u16string& path, bool waitOnFailure) {
    initializeRuntime();
    std::u16string report = u"[Source] " + path + u"\r\n";
    ModuleRecord* module = loadModule(path);
    if (module == nullptr) {
        consoleWrite(report + u"Faild loaded file \"" + path + u"\"\r\n", kLevelNormal);
        if (waitOnFailure) waitForKey();
        return 1;
    }
    return 0;
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
        loadModule(u"test/standard-module-test");  // a module that cannot load is skipped
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
