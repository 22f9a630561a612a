// File-level parsing for the loader and the shell. An empty decoded text is an empty program
// when the file is empty (or holds only a byte-order mark); a file whose bytes
// decode to nothing (an unknown character set) or that is no regular file is
// "can't read", never a silent empty run.
#include "loader/source_file.h"

#include <optional>

#include "frontend/decode.h"
#include "host/file_io.h"
#include "host/utf8.h"
#include "loader/loader_messages.h"
#include "parser/ast_printer.h"
#include "parser/parse_source.h"

namespace kestrel {

namespace {

// True when the file exists, is regular, and has no text to decode.
bool holdsNoText(const std::u16string& path) {
    const std::optional<std::string> bytes = readFileBytes(path, 3);
    return bytes && (bytes->empty() || *bytes == "\xEF\xBB\xBF");  // a lone byte-order mark
}

}  // namespace

SourceFileParse parseSourceFile(const std::u16string& path) {
    SourceFileParse parse;
    parse.text = readSourceFile(path);
    if (parse.text.empty() && !holdsNoText(path)) return parse;
    parse.readable = true;
    parse.outcome = parseSourceText(parse.text);
    if (!parse.outcome.ok) parse.outcome.error.sourceName = path;
    return parse;
}

std::u16string sourceFileErrorReport(const SourceFileParse& parse, const std::u16string& path) {
    if (!parse.readable) return cannotReadFileReport(path);
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
