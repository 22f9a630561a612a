// The interactive mode: the banner, then the prompt ">>> " before every line.
// Commands: an empty line runs the module test pass, "exit", "quit" or "退出"
// end the program, "load FILE" and "Simple" ("simple", "示例", "例子") run a
// file; any other entry (continued over lines with "... " while its braces
// and brackets are open) is run in the prompt's one persistent program.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

class LineReader;

// Runs the interactive mode on standard input; returns the exit status
// (0 at "exit" or end of input, 1 when a line was too long to take).
int runInteractive();

// The prompt over any line reader, after start-up (tests drive it directly).
int runPrompt(LineReader& reader);

// One pass of the module test loop: runs test/standard-module-test (a module
// that cannot be loaded is skipped without a message of its own) and queues
// its timing line.
void runModuleTestPass();

// What a line asks for, before it is taken as source text.
enum class PromptCommand { Source, Exit, TestPass, Load, Sample };

// Classifies one line typed at ">>> "; for Load and Sample, file is the file to run.
PromptCommand classifyPromptLine(const std::u16string& line, std::u16string& file);

}  // namespace kestrel
