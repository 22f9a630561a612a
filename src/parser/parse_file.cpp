// File-level parsing for the shell. An empty decoded text is an empty program
// when the file exists and is a regular file, and "can't read" otherwise.
#include "parser/parse_file.h"

#include <sys/stat.h>

#include "frontend/decode.h"
#include "frontend/utf8.h"
#include "parser/ast_printer.h"
#include "parser/parse_source.h"

namespace kestrel {

namespace {

bool isRegularFile(const std::u16string& path) {
    struct stat status {};
    std::string narrow = toUtf8(path);
    return !narrow.empty() && ::stat(narrow.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

SourceFileParse parseSourceFile(const std::u16string& path) {
    SourceFileParse parse;
    parse.text = readSourceFile(path);
    if (parse.text.empty() && !isRegularFile(path)) return parse;
    parse.readable = true;
    parse.outcome = parseSourceText(parse.text);
    if (!parse.outcome.ok) parse.outcome.error.sourceName = path;
    return parse;
}

std::u16string sourceFileErrorReport(const SourceFileParse& parse, const std::u16string& path) {
    if (!parse.readable) return u"Can't read file \"" + path + u"\"\r\n";
    if (parse.outcome.ok) return std::u16string();
    return parse.outcome.error.report(parse.text);
}

int dumpAstOfFile(const std::u16string& path, std::string& out, std::u16string& errorReport) {
    SourceFileParse parse = parseSourceFile(path);
    if (!parse.readable || !parse.outcome.ok) {
        errorReport = sourceFileErrorReport(parse, path);
        return 1;
    }
    out += dumpAst(*parse.outcome.root);
    return 0;
}

}  // namespace kestrel
