// One compiled instruction and the descriptors some instructions refer to.
// A compiled module owns its instructions, descriptors and scope tables;
// code units running it share it through a shared pointer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vm/instruction_text.h"
#include "vm/opcodes.h"
#include "vm/scope_table.h"

namespace kestrel {

// A function or class definition: its body's scope and where its code starts.
struct FunctionDescriptor {
    std::u16string name;          // empty for an anonymous function
    ScopeTable* scope = nullptr;  // the body's scope (owned by the module)
    int32_t slot = -1;            // where the defining context stores it, or -1 to push
    int32_t entry = 0;            // position of the body's first instruction
    uint16_t line = 0;
    uint16_t column = 0;
    // A class's base names are its scope's hidden declarations, "[Base]", in order.
};

enum class ImportKind : int32_t { Script = 1, Native = 2 };

struct ImportDescriptor {
    ImportKind kind = ImportKind::Script;
    std::u16string name;  // a file name, or a dotted native module path
};

// The operand kind is not stored: it is the opcode's (operandKindOf), so
// an instruction can never carry an operand its opcode does not expect.
// A module holds an instruction per few characters of source, so the record
// is kept to 32 bytes: the one pointer or floating operand shares its room,
// and a text is a handle into the module's text table. An instruction's
// position is its cache index (CodeUnit::cache), so none is stored.
struct Instruction {
    Opcode opcode = Opcode::Label;
    bool discard = true;     // the produced value is dropped, not left on the stack
    uint32_t line = 0;       // source line (1-based; 0 unknown), kept in the compiled-module file
    int64_t intValue = 0;    // Int, Long, Bool (0/1) and Scope (scope number)
    union {
        double floatValue = 0;            // Float and Double
        FunctionDescriptor* function;     // Function, Class (owned by the module)
        ImportDescriptor* import;         // Import (owned by the module)
        ScopeTable* scope;                // Scope (owned by the module)
    };
    // Text: member name, class name or string constant. Call: the called
    // expression as written ("x.size"), for error reports only. Held by the
    // module's text table; set it through CompiledModule::texts.
    InstructionText text;
};

static_assert(sizeof(Instruction) == 32, "an instruction is 32 bytes");

// The compiled form of one module.
struct CompiledModule {
    std::vector<Instruction> code;
    TextTable texts;        // every text operand of code
    ScopeTableList scopes;  // scope number i is scopes[i]
    std::vector<std::unique_ptr<FunctionDescriptor>> functions;
    std::vector<std::unique_ptr<ImportDescriptor>> imports;
};

using CompiledModulePtr = std::shared_ptr<CompiledModule>;

}  // namespace kestrel
