#include "shell/shell.h"

#include <iostream>
#include <string>

#include "parser/parse_file.h"
#include "shell/console_queue.h"
#include "shell/elapsed.h"
#include "shell/platform.h"
#include "shell/runtime_paths.h"
#include "shell/startup.h"
#include "vm/module_path.h"

namespace kestrel {

// Module loading: a module loads when its file is found and parses; a
// parse error is reported here, in red, naming the file.
static bool loadModule(const std::u16string& name) {
    const RuntimePaths& paths = runtimePaths();
    ModuleFile file;
    if (!findModuleFile(u"", name, {paths.workingDirectory, paths.projectDirectory}, file))
        return false;
    SourceFileParse parse = parseSourceFile(file.path);
    if (parse.outcome.ok) return true;
    consoleWrite(sourceFileErrorReport(parse, file.path), kLevelError);
    return false;
}

int runScriptFile(const std::u16string& path, bool waitOnFailure) {
    initializeRuntime();
    std::u16string report = u"[Source] " + path + u"\r\n";
    if (!loadModule(path)) {
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
