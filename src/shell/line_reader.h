// Where the prompt's lines come from: a terminal gets line editing and a
// history kept in the home directory (libedit); any other standard input is
// read plainly, with the prompt written to standard output and nothing echoed.
#pragma once

#include <memory>
#include <string>

namespace kestrel {

enum class PromptRead {
    Line,     // a line was read
    End,      // end of input
    TooLong,  // a line over the length bound; it was refused with a message
};

class LineReader {
public:
    virtual ~LineReader() = default;
    // Shows prompt (after everything queued for the console) and reads one line.
    virtual PromptRead read(const std::u16string& prompt, std::u16string& line) = 0;
    // Keeps a finished entry (one or more lines) in the history, if there is one.
    virtual void remember(const std::u16string& entry) { (void)entry; }
};

// The editing reader when standard input and output are terminals, else the plain one.
std::unique_ptr<LineReader> makeLineReader();

// The plain reader over standard input, whatever it is.
std::unique_ptr<LineReader> makePlainLineReader();

// "~/.kestrel_history", or empty when HOME is unset.
std::string historyFilePath();

}  // namespace kestrel
