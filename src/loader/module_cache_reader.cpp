// Reading the compiled-module file. The bytes are untrusted: every count is
// weighed against the bytes left, every reference against what it refers to,
// and the scope structure must be exactly what the compiler would have made.
// The code itself is then checked by verifyModule.
#include <optional>

#include "host/file_io.h"
#include "host/utf8.h"
#include "loader/cache_bytes.h"
#include "loader/cache_format.h"
#include "loader/module_cache.h"
#include "loader/module_verifier.h"

namespace kestrel {

namespace {

// Slot order groups: hidden, parameters, implicit, declared. The compiler
// numbers slots group by group, and contexts rely on that order (parameters
// begin at firstParameterSlot), so the reader insists on it.
int groupOf(DeclKind kind) {
    switch (kind) {
        case DeclKind::Hidden: return 0;
        case DeclKind::Parameter: return 1;
        case DeclKind::Implicit: return 2;
        case DeclKind::Declared: return 3;
    }
    return 4;
}

// One pass over the body of a file (checksum already stripped), filling out.
// Each read* routine returns false on the first thing that is not what the
// writer would have made; out is then half-filled and the caller discards
// it. Scope tables are created before any is read, so references between
// them (enclosing scopes, descriptor scopes) can be checked by index.
class ModuleReader {
public:
    // Reads the first size bytes of data (the body, without its checksum).
    ModuleReader(const char* data, size_t size, CompiledModule& out) : in_(data, size), out_(out) {}

    bool read(SourceStamp& stamp);

private:
    bool readScopes();
    bool readScope(ScopeTable& scope, int32_t index);
    bool readDeclarations(ScopeTable& scope);
    bool readNames(ScopeTable& scope);
    bool readList(ScopeTable& scope, std::vector<VariableDecl*>& list, DeclKind kind);
    std::unique_ptr<KvVarPosition> readPosition();
    bool readOuterReferences(ScopeTable& scope);
    bool readEnclosing();
    bool readCode();
    bool readCallTexts();
    bool readOperand(Instruction& instruction);
    FunctionDescriptor* readDescriptor();
    // Marks the reader failed, so a caller that only tests in_.ok() sees it too.
    bool fail() {
        in_.failed();
        return false;
    }

    ByteReader in_;
    CompiledModule& out_;
};

// Header, scope section, code; every byte of the body must be used.
bool ModuleReader::read(SourceStamp& stamp) {
    if (!in_.expect(cache::kMagic, sizeof cache::kMagic) || in_.u32() != cache::kFormatVersion) return fail();
    stamp.seconds = in_.i64();
    stamp.nanoseconds = in_.i64();
    stamp.size = in_.i64();
    stamp.contentHash = static_cast<uint64_t>(in_.i64());
    if (in_.u8() != 1) return fail();  // the compiler always makes a module scope
    if (!readScopes() || !readCode() || !readCallTexts()) return fail();
    return in_.ok() && in_.left() == 0;
}

// At least the module scope; scope i must carry number i.
bool ModuleReader::readScopes() {
    uint32_t count = in_.u32();
    if (count == 0 || !in_.canHold(count, cache::kMinScope)) return fail();
    for (uint32_t i = 0; i < count; ++i) out_.scopes.push_back(std::make_unique<ScopeTable>());
    for (uint32_t i = 0; i < count; ++i) {
        if (!readScope(*out_.scopes[i], static_cast<int32_t>(i))) return fail();
    }
    return readEnclosing();
}

// One scope table. The kind lists must partition the declarations exactly,
// and the first parameter and implicit slots must follow from the list
// sizes, so a context sized from the table has a slot for every name.
bool ModuleReader::readScope(ScopeTable& scope, int32_t index) {
    if (!readDeclarations(scope)) return false;
    scope.number = static_cast<int32_t>(in_.u32());
    uint32_t kind = in_.u32();
    scope.firstParameterSlot = in_.i32();
    scope.firstImplicitSlot = in_.i32();
    if (!in_.ok() || scope.number != index || kind > static_cast<uint32_t>(ScopeKind::Class)) return false;
    scope.kind = static_cast<ScopeKind>(kind);
    if (!readNames(scope) || !readList(scope, scope.declared, DeclKind::Declared) ||
        !readList(scope, scope.parameters, DeclKind::Parameter) ||
        !readList(scope, scope.implicits, DeclKind::Implicit) || !readList(scope, scope.hidden, DeclKind::Hidden)) {
        return false;
    }
    const auto hidden = static_cast<int32_t>(scope.hidden.size());
    const auto parameters = static_cast<int32_t>(scope.parameters.size());
    if (scope.firstParameterSlot != hidden || scope.firstImplicitSlot != hidden + parameters) return false;
    return readOuterReferences(scope);
}

// Declarations in slot order, grouped hidden, parameters, implicit, declared.
bool ModuleReader::readDeclarations(ScopeTable& scope) {
    uint32_t count = in_.u32();
    if (!in_.canHold(count, cache::kMinDeclaration)) return false;
    int lastGroup = 0;
    for (uint32_t i = 0; i < count; ++i) {
        auto decl = std::make_unique<VariableDecl>();
        uint32_t kind = in_.u32();
        decl->slot = in_.i32();
        decl->visibility = in_.i32();
        decl->name = in_.text();
        uint32_t prefix = in_.u32();
        if (!in_.ok() || kind > static_cast<uint32_t>(DeclKind::Hidden) || decl->slot != static_cast<int32_t>(i) ||
            prefix > static_cast<uint32_t>(MemberPrefix::Super)) {
            return false;
        }
        decl->kind = static_cast<DeclKind>(kind);
        decl->prefix = static_cast<MemberPrefix>(prefix);
        int group = groupOf(decl->kind);
        if (group < lastGroup) return false;
        lastGroup = group;
        scope.slotOrder.push_back(decl.get());
        scope.declarations.push_back(std::move(decl));
    }
    return true;
}

// The name map: each entry refers to a declaration by slot, which must exist.
bool ModuleReader::readNames(ScopeTable& scope) {
    uint32_t count = in_.u32();
    if (!in_.canHold(count, cache::kMinNameEntry)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        std::u16string name = in_.text();
        uint32_t reference = in_.u32();
        if (!in_.ok() || reference >= scope.slotOrder.size()) return false;
        scope.names[name] = scope.slotOrder[reference];
    }
    return true;
}

// A kind's list must name exactly that kind's declarations, in slot order.
bool ModuleReader::readList(ScopeTable& scope, std::vector<VariableDecl*>& list, DeclKind kind) {
    uint32_t count = in_.u32();
    if (!in_.canHold(count, cache::kMinReference)) return false;
    size_t expected = 0;
    for (const VariableDecl* decl : scope.slotOrder) expected += decl->kind == kind ? 1 : 0;
    if (count != expected) return false;
    uint32_t previous = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t reference = in_.u32();
        if (!in_.ok() || reference >= scope.slotOrder.size() || (i > 0 && reference <= previous)) return false;
        if (scope.slotOrder[reference]->kind != kind) return false;
        list.push_back(scope.slotOrder[reference]);
        previous = reference;
    }
    return true;
}

// A variable position; its bounds are checked later, by the verifier, which
// knows the scope chain it is resolved in. Null when the bytes run short.
std::unique_ptr<KvVarPosition> ModuleReader::readPosition() {
    auto position = std::make_unique<KvVarPosition>();
    position->member = in_.u8() != 0;
    position->alternate = in_.u8() != 0;
    position->lexical = in_.u8() != 0;
    position->depth = in_.i32();
    position->hasMemberPath = in_.u8() != 0;
    if (position->hasMemberPath) {
        uint32_t count = in_.u32();
        if (!in_.canHold(count, 4)) return nullptr;
        for (uint32_t i = 0; i < count; ++i) position->memberPath.push_back(in_.u32());
    }
    position->slot = in_.u32();
    return in_.ok() ? std::move(position) : nullptr;
}

// One entry per implicit declaration, each present (a position in an
// enclosing scope) or absent (a global name).
bool ModuleReader::readOuterReferences(ScopeTable& scope) {
    uint32_t count = in_.u32();
    if (count != scope.implicits.size() || !in_.canHold(count, cache::kMinOuterReference)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t present = in_.u8();
        if (!in_.ok() || present > 1) return false;
        if (present == 0) {
            scope.outerReferences.emplace_back();
            continue;
        }
        auto position = readPosition();
        if (!position) return false;
        scope.outerReferences.push_back(std::move(position));
    }
    return true;
}

// The module scope has no enclosing scope; every other scope encloses in an
// earlier one, so the chains are finite.
bool ModuleReader::readEnclosing() {
    for (size_t i = 0; i < out_.scopes.size(); ++i) {
        int32_t enclosing = in_.i32();
        if (!in_.ok()) return false;
        if (i == 0) {
            if (enclosing != -1 || out_.scopes[0]->kind != ScopeKind::Module) return false;
            continue;
        }
        if (enclosing < 0 || static_cast<size_t>(enclosing) >= i || out_.scopes[i]->kind == ScopeKind::Module) {
            return false;
        }
        out_.scopes[i]->enclosing = out_.scopes[enclosing].get();
    }
    return true;
}

// The instruction records; texts join the module's own text table.
bool ModuleReader::readCode() {
    uint32_t count = in_.u32();
    if (count == 0 || !in_.canHold(count, cache::kMinInstruction)) return false;
    out_.code.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        Instruction& instruction = out_.code[i];
        uint32_t opcode = in_.u32();
        uint8_t discard = in_.u8();
        uint32_t kind = in_.u32();
        uint32_t line = in_.u32();
        // The stored kind must be the one the opcode carries: the operand that
        // follows is read by it, so a wrong kind would misread every later byte.
        if (!in_.ok() || !isKnownOpcode(opcode) || discard > 1 ||
            kind != static_cast<uint32_t>(operandKindOf(static_cast<Opcode>(opcode)))) {
            return false;
        }
        instruction.opcode = static_cast<Opcode>(opcode);
        instruction.discard = discard != 0;
        instruction.line = line;
        if (!readOperand(instruction)) return false;
    }
    return true;
}

// What each call called, as written (for error reports): a count, then a
// position and a text per call; each position must name a Call, in rising order.
bool ModuleReader::readCallTexts() {
    uint32_t count = in_.u32();
    if (!in_.canHold(count, cache::kMinCallText)) return false;
    int64_t last = -1;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t position = in_.u32();
        std::u16string text = in_.text();
        if (!in_.ok() || position >= out_.code.size() || static_cast<int64_t>(position) <= last ||
            out_.code[position].opcode != Opcode::Call) {
            return false;
        }
        out_.code[position].text = out_.texts.add(text);
        last = position;
    }
    return true;
}

// A function or class descriptor, owned by out; its scope number must name
// a scope read above. Entry and slot are checked by the verifier.
FunctionDescriptor* ModuleReader::readDescriptor() {
    auto descriptor = std::make_unique<FunctionDescriptor>();
    descriptor->name = in_.text();
    int32_t scope = in_.i32();
    descriptor->slot = in_.i32();
    descriptor->entry = in_.i32();
    descriptor->line = in_.u16();
    descriptor->column = in_.u16();
    if (!in_.ok() || scope < 0 || static_cast<size_t>(scope) >= out_.scopes.size()) return nullptr;
    descriptor->scope = out_.scopes[scope].get();
    out_.functions.push_back(std::move(descriptor));
    return out_.functions.back().get();
}

// The operand as the opcode's kind stores it (readCode has already checked
// that the stored kind is that kind). Booleans are 0 or 1, scope numbers name
// a scope read above, import kinds are script (1) or native (2).
bool ModuleReader::readOperand(Instruction& instruction) {
    switch (operandKindOf(instruction.opcode)) {
        case OperandKind::Int: instruction.intValue = in_.i32(); break;
        case OperandKind::Long: instruction.intValue = in_.i64(); break;
        case OperandKind::Float: instruction.floatValue = in_.f32(); break;
        case OperandKind::Double: instruction.floatValue = in_.f64(); break;
        case OperandKind::Text: instruction.text = out_.texts.add(in_.text()); break;
        case OperandKind::Bool: {
            uint8_t value = in_.u8();
            if (value > 1) return false;
            instruction.intValue = value;
            break;
        }
        case OperandKind::Scope: {
            uint32_t number = in_.u32();
            if (!in_.ok() || number >= out_.scopes.size()) return false;
            instruction.intValue = number;
            instruction.scope = out_.scopes[number].get();
            break;
        }
        case OperandKind::Function:
        case OperandKind::Class:
            instruction.function = readDescriptor();
            return instruction.function != nullptr;
        case OperandKind::Import: {
            auto descriptor = std::make_unique<ImportDescriptor>();
            int32_t kind = in_.i32();
            descriptor->name = in_.text();
            if (!in_.ok() || (kind != 1 && kind != 2)) return false;
            descriptor->kind = static_cast<ImportKind>(kind);
            instruction.import = descriptor.get();
            out_.imports.push_back(std::move(descriptor));
            break;
        }
        default: break;
    }
    return in_.ok();
}

}  // namespace

// The checksum is tested before anything is parsed: a file that fails it is
// damaged, whatever its records would still say.
static bool checksumHolds(const std::string& bytes) {
    if (bytes.size() < cache::kChecksumSize) return false;
    size_t bodySize = bytes.size() - cache::kChecksumSize;
    uint64_t stored = 0;
    for (size_t i = 0; i < cache::kChecksumSize; ++i)
        stored |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[bodySize + i])) << (8 * i);
    return stored == cache::checksum(bytes.data(), bodySize);
}

// Reading and verifying are both required: the reader vouches for the shape
// of each record, the verifier for what the code does with it.
bool deserializeModule(const std::string& bytes, CompiledModule& out, SourceStamp& stamp) {
    out = CompiledModule();
    if (!checksumHolds(bytes)) return false;
    ModuleReader reader(bytes.data(), bytes.size() - cache::kChecksumSize, out);  // no copy of a large file
    if (reader.read(stamp) && verifyModule(out)) return true;
    out = CompiledModule();
    return false;
}

CompiledModulePtr readModuleCache(const std::u16string& path, const SourceStamp* expected) {
    // Any read failure (absent, not a regular file, too large) means
    // "compile from source".
    const std::optional<std::string> read = readFileBytes(path, cache::kMaxCompiledModuleBytes);
    if (!read) return nullptr;
    const std::string& bytes = *read;
    auto module = std::make_shared<CompiledModule>();
    SourceStamp stamp;
    if (!deserializeModule(bytes, *module, stamp)) return nullptr;
    if (expected && stamp != *expected) return nullptr;
    return module;
}

}  // namespace kestrel
