// Writing the compiled-module file: header (magic, version, source stamp),
// the scope section, the instruction records, then the texts of calls.
// Declarations are referred to by slot, which is their position in the
// scope's slot order.
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

#include "host/file_io.h"
#include "host/utf8.h"
#include "loader/cache_bytes.h"
#include "loader/cache_format.h"
#include "loader/module_cache.h"

namespace kestrel {

namespace {

// A declaration list as a count and the slots of its declarations.
void writeReferences(ByteWriter& out, const std::vector<VariableDecl*>& list) {
    out.u32(static_cast<uint32_t>(list.size()));
    for (const VariableDecl* decl : list) out.u32(static_cast<uint32_t>(decl->slot));
}

// A presence byte, then (when present) the position's fields in the order
// ModuleReader::readPosition reads them.
void writePosition(ByteWriter& out, const KvVarPosition* position) {
    out.u8(position ? 1 : 0);
    if (!position) return;
    out.u8(position->member ? 1 : 0);
    out.u8(position->alternate ? 1 : 0);
    out.u8(position->lexical ? 1 : 0);
    out.i32(position->depth);
    out.u8(position->hasMemberPath ? 1 : 0);
    if (position->hasMemberPath) {
        out.u32(static_cast<uint32_t>(position->memberPath.size()));
        for (uint32_t step : position->memberPath) out.u32(step);
    }
    out.u32(position->slot);
}

// One scope table: declarations in slot order, its number, kind and first
// parameter and implicit slots, the name map, the four kind lists and the
// outer references. The reader refuses any table whose parts disagree.
void writeScope(ByteWriter& out, const ScopeTable& scope) {
    out.u32(static_cast<uint32_t>(scope.slotOrder.size()));
    for (const VariableDecl* decl : scope.slotOrder) {
        out.u32(static_cast<uint32_t>(decl->kind));
        out.i32(decl->slot);
        out.i32(decl->visibility);
        out.text(decl->name);
        out.u32(static_cast<uint32_t>(decl->prefix));
    }
    out.u32(static_cast<uint32_t>(scope.number));
    out.u32(static_cast<uint32_t>(scope.kind));
    out.i32(scope.firstParameterSlot);
    out.i32(scope.firstImplicitSlot);
    // Sorted, so one module always gives the same bytes.
    std::map<std::u16string, int32_t> names;
    for (const auto& [name, decl] : scope.names) names[name] = decl->slot;
    out.u32(static_cast<uint32_t>(names.size()));
    for (const auto& [name, slot] : names) {
        out.text(name);
        out.u32(static_cast<uint32_t>(slot));
    }
    writeReferences(out, scope.declared);
    writeReferences(out, scope.parameters);
    writeReferences(out, scope.implicits);
    writeReferences(out, scope.hidden);
    out.u32(static_cast<uint32_t>(scope.outerReferences.size()));
    for (const auto& position : scope.outerReferences) writePosition(out, position.get());
}

// A missing descriptor is written as an empty one with scope -1, which the
// reader refuses; the generator never emits one, so only a broken module can.
void writeDescriptor(ByteWriter& out, const FunctionDescriptor* descriptor) {
    out.text(descriptor ? descriptor->name : std::u16string());
    out.i32(descriptor && descriptor->scope ? descriptor->scope->number : -1);
    out.i32(descriptor ? descriptor->slot : -1);
    out.i32(descriptor ? descriptor->entry : 0);
    out.u16(descriptor ? descriptor->line : 0);
    out.u16(descriptor ? descriptor->column : 0);
}

// The operand by the opcode's kind, so what is written always agrees with
// the kind written before it.
void writeOperand(ByteWriter& out, const Instruction& instruction) {
    switch (operandKindOf(instruction.opcode)) {
        case OperandKind::Int: out.i32(static_cast<int32_t>(instruction.intValue)); break;
        case OperandKind::Long: out.i64(instruction.intValue); break;  // all 64 bits
        case OperandKind::Float: out.f32(static_cast<float>(instruction.floatValue)); break;
        case OperandKind::Double: out.f64(instruction.floatValue); break;
        case OperandKind::Text: out.text(instruction.text); break;
        case OperandKind::Bool: out.u8(instruction.intValue ? 1 : 0); break;
        case OperandKind::Scope: out.u32(static_cast<uint32_t>(instruction.intValue)); break;
        case OperandKind::Function:
        case OperandKind::Class: writeDescriptor(out, instruction.function); break;
        case OperandKind::Import:
            out.i32(instruction.import ? static_cast<int32_t>(instruction.import->kind) : 0);
            out.text(instruction.import ? instruction.import->name : std::u16string());
            break;
        default: break;
    }
}

}  // namespace

// The whole file: header, scope section, instruction records, and the
// checksum of all of it. Deterministic: one module and stamp, one byte string.
std::string serializeModule(const CompiledModule& module, const SourceStamp& stamp) {
    ByteWriter out;
    // Most records are an opcode record with a 4-byte operand or none: one
    // allocation for a large module instead of a doubling series of copies.
    out.reserve(256 + module.code.size() * (cache::kMinInstruction + 4));
    out.bytes(cache::kMagic, sizeof cache::kMagic);
    out.u32(cache::kFormatVersion);
    out.i64(stamp.seconds);
    out.i64(stamp.nanoseconds);
    out.i64(stamp.size);
    out.i64(static_cast<int64_t>(stamp.contentHash));
    out.u8(module.scopes.empty() ? 0 : 1);
    if (!module.scopes.empty()) {
        out.u32(static_cast<uint32_t>(module.scopes.size()));
        for (const auto& scope : module.scopes) writeScope(out, *scope);
        for (const auto& scope : module.scopes) out.i32(scope->enclosing ? scope->enclosing->number : -1);
    }
    out.u32(static_cast<uint32_t>(module.code.size()));
    for (const Instruction& instruction : module.code) {
        out.u32(static_cast<uint32_t>(instruction.opcode));
        out.u8(instruction.discard ? 1 : 0);
        out.u32(static_cast<uint32_t>(operandKindOf(instruction.opcode)));
        out.u32(instruction.line);  // the spare field carries the source line
        writeOperand(out, instruction);
    }
    // What each call called, for error reports (Call has no operand to carry it).
    uint32_t calls = 0;
    for (const Instruction& instruction : module.code) {
        if (instruction.opcode == Opcode::Call && !instruction.text.empty()) ++calls;
    }
    out.u32(calls);
    for (size_t i = 0; i < module.code.size(); ++i) {
        const Instruction& instruction = module.code[i];
        if (instruction.opcode != Opcode::Call || instruction.text.empty()) continue;
        out.u32(static_cast<uint32_t>(i));
        out.text(instruction.text);
    }
    const uint64_t sum = cache::checksum(out.data().data(), out.data().size());
    out.i64(static_cast<int64_t>(sum));
    return out.data();
}

// Nanoseconds, size and the bytes' hash too, so an edit within the same
// second, or one that keeps the time, still invalidates the cache. Hashing
// a source costs little next to compiling it.
bool readSourceStamp(const std::u16string& path, SourceStamp& stamp) {
    struct stat status {};
    if (::stat(toUtf8(path).c_str(), &status) != 0) return false;
    const std::optional<std::string> bytes = readFileBytes(path);
    if (!bytes) return false;
    stamp.contentHash = cache::checksum(bytes->data(), bytes->size());
    stamp.seconds = static_cast<int64_t>(status.st_mtim.tv_sec);
    stamp.nanoseconds = static_cast<int64_t>(status.st_mtim.tv_nsec);
    if (stamp.seconds == 0 && stamp.nanoseconds == 0) {
        stamp.seconds = static_cast<int64_t>(status.st_ctim.tv_sec);
        stamp.nanoseconds = static_cast<int64_t>(status.st_ctim.tv_nsec);
    }
    stamp.size = static_cast<int64_t>(status.st_size);
    return true;
}

// A crash or a full disk mid-write leaves at most a stray temporary file, never a torn cache.
bool writeModuleCache(const std::u16string& path, const CompiledModule& module, const SourceStamp& stamp) {
    const std::string target = toUtf8(path);
    const std::string temporary = target + ".tmp" + std::to_string(static_cast<long>(::getpid()));
    const std::string bytes = serializeModule(module, stamp);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace kestrel
