// Reading a source file by path for the loader and the dump options: read and
// decode it, hand the text to the parser, and name the file in any failure
// report. Behind "kestrel FILE" and "kestrel --ast FILE".
#pragma once

#include <string>

#include "parser/parser_error.h"

namespace kestrel {

struct SourceFileParse {
    bool readable = false;   // false: the file could not be read (outcome.ok is false too)
    std::u16string text;     // the decoded source
    ParseOutcome outcome;    // on failure, error.sourceName is the path
};

SourceFileParse parseSourceFile(const std::u16string& path);

// The report to print for a failed parse: the two-line parse report naming the
// file, or "Can't read file "PATH"" when it could not be read. Empty on success.
std::u16string sourceFileErrorReport(const SourceFileParse& parse, const std::u16string& path);

// "kestrel --ast FILE": on success appends the tree listing to out and returns 0;
// otherwise fills errorReport (for the console at error level) and returns 1.
int dumpAstOfFile(const std::u16string& path, std::string& out, std::u16string& errorReport);

}  // namespace kestrel
