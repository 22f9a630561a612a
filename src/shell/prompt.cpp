// The prompt loop. The console queue is flushed before each prompt (the
// readers do it), so what an entry prints always comes before the next ">>> ".
#include "shell/prompt.h"

#include "host/console_queue.h"
#include "host/platform.h"
#include "loader/module_loader.h"
#include "loader/run_module.h"
#include "shell/elapsed.h"
#include "shell/interactive_program.h"
#include "shell/line_reader.h"
#include "shell/shell.h"
#include "shell/startup.h"

namespace kestrel {

namespace {

constexpr const char16_t* kPrompt = u">>> ";
constexpr const char16_t* kContinuationPrompt = u"... ";
constexpr const char16_t* kSampleFile = u"Simple.txt";
constexpr const char16_t* kTestModule = u"test/standard-module-test";
constexpr const char16_t* kLoadCommand = u"load ";

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u3000';
}

std::u16string trimmed(const std::u16string& text) {
    size_t first = 0, last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// Reads the lines that complete an entry whose brackets are still open.
// False when input ended or refused a line (status says which).
bool completeEntry(LineReader& reader, std::u16string& entry, PromptRead& status) {
    while (openBracketDepth(entry) > 0) {
        std::u16string more;
        status = reader.read(kContinuationPrompt, more);
        if (status != PromptRead::Line) return false;
        entry += u"\n" + more;
    }
    return true;
}

}  // namespace

PromptCommand classifyPromptLine(const std::u16string& line, std::u16string& file) {
    const std::u16string text = trimmed(line);
    if (text.empty()) return PromptCommand::TestPass;
    if (text == u"exit" || text == u"quit" || text == u"退出") return PromptCommand::Exit;
    if (text == u"Simple" || text == u"simple" || text == u"示例" || text == u"例子") {
        file = kSampleFile;
        return PromptCommand::Sample;
    }
    // Only at the start of the line, so a script line that mentions
    // "load " in a string stays a script line.
    if (text.rfind(kLoadCommand, 0) == 0) {
        file = trimmed(text.substr(std::char_traits<char16_t>::length(kLoadCommand)));
        return PromptCommand::Load;
    }
    return PromptCommand::Source;
}

void runModuleTestPass() {
    int64_t timer = platform::monotonicMillis();
    ModuleRecord* module = moduleManager().load(u"", kTestModule);
    if (module != nullptr && module->code != nullptr) {
        CompiledModulePtr code = module->code;  // a reload during the run must not free it
        runModule(code, module->key);
    }
    printElapsed(timer, true, std::u16string(23, u'-'));
}

int runPrompt(LineReader& reader) {
    InteractiveProgram program;
    for (;;) {
        std::u16string line;
        PromptRead status = reader.read(kPrompt, line);
        if (status == PromptRead::End) return 0;
        if (status == PromptRead::TooLong) return 1;
        std::u16string file;
        switch (classifyPromptLine(line, file)) {
        case PromptCommand::Exit: reader.remember(line); return 0;
        case PromptCommand::TestPass: runModuleTestPass(); continue;
        case PromptCommand::Load:
        case PromptCommand::Sample:
            reader.remember(line);
            runScriptFile(file, false);
            continue;
        case PromptCommand::Source: break;
        }
        const bool complete = completeEntry(reader, line, status);
        reader.remember(line);
        if (!complete && status == PromptRead::TooLong) return 1;
        program.evaluate(line);  // an entry cut short by the end of input reports its parse error
        if (!complete) return 0;
    }
}

int runInteractive() {
    consoleWriteDirect(u" * 可以直接输入Kestrel表达式和命令做测试\r\n", platform::kAttributeNormal);
    consoleWriteDirect(u" * 输入 Simple 或者 “例子” 查看示例运行结果。\r\n", platform::kAttributeNormal);
    consoleWriteDirect(u" * 示例文件是运行目录下的 Simple.txt\r\n"
                       u" * 彩蛋：命令支持和相关的关键字命令可以查看 lang/CHS.json文件\r\n",
                       platform::kAttributeNormal);
    initializeRuntime();
    std::unique_ptr<LineReader> reader = makeLineReader();
    int status = runPrompt(*reader);
    consoleQueue().flush();
    return status;
}

}  // namespace kestrel
