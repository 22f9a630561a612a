#include "host/line_input.h"

namespace kestrel {

LineRead readBoundedLine(std::FILE* in, std::string& line, size_t maxBytes) {
    line.clear();
    for (;;) {
        int c = std::getc(in);
        if (c == EOF) return line.empty() ? LineRead::End : LineRead::Line;
        if (c == '\n') break;
        if (line.size() >= maxBytes) {
            line.clear();
            line.shrink_to_fit();  // the refused text is not kept
            return LineRead::TooLong;
        }
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return LineRead::Line;
}

}  // namespace kestrel
