// The one program behind the prompt: each entry is compiled as the source of
// an unnamed module and run in the same program, so the variables,
// functions and classes an entry defines stay for the entries after it.
#pragma once

#include <memory>
#include <string>

#include "parser/ast_node.h"

namespace kestrel {

class KvVirtualMachine;

class InteractiveProgram {
public:
    InteractiveProgram();
    ~InteractiveProgram();
    InteractiveProgram(const InteractiveProgram&) = delete;
    InteractiveProgram& operator=(const InteractiveProgram&) = delete;

    // Compiles and runs source. A parse or compile error is reported and
    // nothing runs; an uncaught exception is reported by the machine. When
    // the entry ends in a bare expression, its value's text is printed
    // (nothing for null). False when the entry failed either way.
    bool evaluate(const std::u16string& source);

private:
    std::unique_ptr<KvVirtualMachine> machine_;
    bool started_ = false;  // the first entry starts the program
};

// The name parse reports give the prompt's entries.
constexpr const char16_t* kPromptSourceName = u"<stdin>";

// When the program's last statement is an expression whose value a user
// wants to see, it becomes "return" of that expression, so the run hands
// the value back. True when the tree was changed.
bool returnLastExpression(const KvAstNodePtr& program);

// Opened minus closed braces, brackets and parentheses in text, counted on
// its tokens (so those inside strings and comments do not count).
int openBracketDepth(const std::u16string& text);

}  // namespace kestrel
