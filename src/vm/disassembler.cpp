// Instruction listing. Names and operand kinds come from the opcode table;
// texts are quoted with their control characters escaped, so every
// instruction takes exactly one line. The listing is compared byte for byte
// by tests, so column widths and number formats are part of its contract.
#include "vm/disassembler.h"

#include <cstdio>

#include "host/utf8.h"

namespace kestrel {

namespace {

// The text in double quotes, as UTF-8; quote, backslash, CR, LF and tab are
// escaped so no operand can break the one-line-per-instruction shape.
std::string quoted(const std::u16string& text) {
    std::string out = "\"";
    for (char c : toUtf8(text)) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out += c;
        }
    }
    return out + "\"";
}

// printf formatting of a float operand: "%.9g" and "%.17g" are the shortest
// precisions that give every float and every double back unchanged.
std::string number(double value, const char* format) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// "func NAME scope=S entry=E slot=N"; a missing descriptor (possible only in
// hand-built modules) shows as "func ?" rather than crashing the listing.
std::string descriptorText(const char* what, const FunctionDescriptor* descriptor) {
    if (!descriptor) return std::string(what) + " ?";
    std::string out = std::string(what) + " " + (descriptor->name.empty() ? "<anonymous>" : toUtf8(descriptor->name));
    out += " scope=" + std::to_string(descriptor->scope ? descriptor->scope->number : -1);
    out += " entry=" + std::to_string(descriptor->entry);
    out += " slot=" + std::to_string(descriptor->slot);
    return out;
}

// Pads to a column; longer texts are kept whole and push the line wider.
std::string padded(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

// The opcode's kind decides which field is shown, so an instruction never
// shows a field its opcode does not carry.
std::string operandText(const Instruction& instruction) {
    switch (operandKindOf(instruction.opcode)) {
        case OperandKind::Int: return std::to_string(instruction.intValue);
        case OperandKind::Long: return std::to_string(instruction.intValue) + "L";
        case OperandKind::Float: return number(instruction.floatValue, "%.9g") + "f";
        case OperandKind::Double: return number(instruction.floatValue, "%.17g");
        case OperandKind::Text: return quoted(instruction.text);
        case OperandKind::Bool: return instruction.intValue ? "true" : "false";
        case OperandKind::Scope: return "scope=" + std::to_string(instruction.intValue);
        case OperandKind::Function: return descriptorText("func", instruction.function);
        case OperandKind::Class: return descriptorText("class", instruction.function);
        case OperandKind::Import:
            if (!instruction.import) return "import ?";
            return std::string(instruction.import->kind == ImportKind::Native ? "native " : "script ") +
                   quoted(instruction.import->name);
        default: return std::string();
    }
}

// Columns: position right-aligned in 4, two spaces, name padded to 20,
// operand padded to 23, a space, the discard flag.
std::string disassemble(const CompiledModule& module) {
    std::string out;
    for (size_t i = 0; i < module.code.size(); ++i) {
        const Instruction& instruction = module.code[i];
        const char* name = opcodeName(static_cast<uint32_t>(instruction.opcode));  // "?" for a stray number
        char position[32];
        std::snprintf(position, sizeof position, "%4zu  ", i);
        out += position;
        out += padded(name ? name : "?", 20);
        out += padded(operandText(instruction), 23) + " ";
        out += instruction.discard ? "discard=1\n" : "discard=0\n";
    }
    return out;
}

}  // namespace kestrel
