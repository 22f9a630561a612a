// The two line readers. The console queue is drained before each prompt so
// a script's output never lands after (or inside) the line being edited.
#include "shell/line_reader.h"

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <editline/readline.h>

#include "host/console_queue.h"
#include "host/line_input.h"
#include "host/platform.h"
#include "host/utf8.h"

namespace kestrel {

namespace {

// Says on standard error that a line was refused for its length, and what follows.
void reportTooLong(const char16_t* consequence) {
    consoleWriteDiagnostic(u"Input line longer than " + decimalText(static_cast<int64_t>(kMaxInputLineBytes)) +
                           u" bytes: " + consequence + u"\r\n");
}

// libedit moves and deletes by the characters of the locale's encoding; the
// console speaks UTF-8, so the "C" locale (nothing set) is taken as C.UTF-8.
void useUtf8Characters() {
    const char* chosen = std::setlocale(LC_CTYPE, "");
    if (chosen == nullptr || std::strcmp(chosen, "C") == 0 || std::strcmp(chosen, "POSIX") == 0) {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
}

class PlainLineReader : public LineReader {
public:
    PromptRead read(const std::u16string& prompt, std::u16string& line) override {
        consoleWriteDirect(prompt, platform::kAttributeNormal);
        std::string bytes;
        switch (readBoundedLine(stdin, bytes)) {
        case LineRead::End: return PromptRead::End;
        case LineRead::TooLong:
            // The rest of such input cannot be trusted to come in lines
            // (it may never end one): the prompt stops here.
            reportTooLong(u"input ends");
            return PromptRead::TooLong;
        case LineRead::Line: break;
        }
        line = fromUtf8(bytes);
        return PromptRead::Line;
    }
};

class EditLineReader : public LineReader {
public:
    EditLineReader() : history_(historyFilePath()) {
        useUtf8Characters();
        using_history();
        stifle_history(1000);
        if (!history_.empty()) read_history(history_.c_str());
    }

    // A line over the bound (pasted) is refused and the next one read.
    PromptRead read(const std::u16string& prompt, std::u16string& line) override {
        for (;;) {
            consoleQueue().flush();
            char* raw = readline(platform::consoleBytes(prompt).c_str());
            if (raw == nullptr) {
                platform::writeStdout("\n");  // the shell's next prompt starts on a line of its own
                return PromptRead::End;
            }
            std::string bytes(raw);
            std::free(raw);
            if (bytes.size() <= kMaxInputLineBytes) {
                line = fromUtf8(bytes);
                return PromptRead::Line;
            }
            reportTooLong(u"refused");
        }
    }

    void remember(const std::u16string& entry) override {
        if (entry.empty()) return;
        add_history(toUtf8(entry).c_str());
        if (!history_.empty()) write_history(history_.c_str());  // kept even if the session is killed
    }

private:
    std::string history_;
};

}  // namespace

std::string historyFilePath() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return std::string();
    std::string path(home);
    if (path.back() != '/') path += '/';
    return path + ".kestrel_history";
}

std::unique_ptr<LineReader> makePlainLineReader() {
    return std::make_unique<PlainLineReader>();
}

std::unique_ptr<LineReader> makeLineReader() {
    if (::isatty(STDIN_FILENO) && ::isatty(STDOUT_FILENO)) return std::make_unique<EditLineReader>();
    return makePlainLineReader();
}

}  // namespace kestrel
