// Instruction listing. Names come from the opcode table; texts are quoted
// with their control characters escaped, so every instruction takes one line.
#include "vm/disassembler.h"

#include <cstdio>

#include "host/utf8.h"

namespace kestrel {

namespace {

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

std::string number(double value, const char* format) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string descriptorText(const char* what, const FunctionDescriptor* descriptor) {
    if (!descriptor) return std::string(what) + " ?";
    std::string out = std::string(what) + " " + (descriptor->name.empty() ? "<anonymous>" : toUtf8(descriptor->name));
    out += " scope=" + std::to_string(descriptor->scope ? descriptor->scope->number : -1);
    out += " entry=" + std::to_string(descriptor->entry);
    out += " slot=" + std::to_string(descriptor->slot);
    return out;
}

std::string padded(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

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

std::string disassemble(const CompiledModule& module) {
    std::string out;
    for (size_t i = 0; i < module.code.size(); ++i) {
        const Instruction& instruction = module.code[i];
        const char* name = opcodeName(static_cast<uint32_t>(instruction.opcode));
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
