// Compile-time scopes: one table per module, function body and class body,
// with its declarations in slot order. The tables outlive compilation: the
// machine reads slot counts, parameters, implicit names and their outer
// references from them, and the compiled-module file stores them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "vm/var_position.h"

namespace kestrel {

enum class DeclKind : uint32_t {
    Declared = 0,   // var/let/const, function or class name
    Parameter = 1,
    Implicit = 2,   // used in this scope without a declaration
    Hidden = 3,     // made by the compiler; named "[...]" so no script name collides
};

enum class ScopeKind : uint32_t { Module = 0, Function = 1, Class = 2 };

enum class MemberPrefix : uint32_t { None = 0, This = 1, Super = 2 };

struct VariableDecl {
    DeclKind kind = DeclKind::Declared;
    int32_t slot = -1;
    int32_t visibility = 0;       // > 0: hidden from dumps and from global binding
    std::u16string name;          // with its member prefix ("@this.x")
    MemberPrefix prefix = MemberPrefix::None;
};

class ScopeTable {
public:
    int32_t number = 0;               // position in the module's scope list
    ScopeKind kind = ScopeKind::Function;
    ScopeTable* enclosing = nullptr;  // the scope of the enclosing function/module
    std::unordered_map<std::u16string, VariableDecl*> names;  // outermost block's names

    std::vector<std::unique_ptr<VariableDecl>> declarations;  // owns every declaration
    std::vector<VariableDecl*> declared, parameters, implicits, hidden;
    // Parallel to `implicits`: where an enclosing scope holds the name, or null.
    std::vector<std::unique_ptr<KvVarPosition>> outerReferences;
    std::vector<VariableDecl*> slotOrder;  // slot i holds slotOrder[i]
    int32_t firstParameterSlot = 0;
    int32_t firstImplicitSlot = 0;

    int32_t slotCount() const { return static_cast<int32_t>(slotOrder.size()); }
    // The declaration the whole scope knows by this name, or null.
    VariableDecl* find(const std::u16string& name) const;
    // -1 when the scope has no such name, else its slot.
    int32_t findSlot(const std::u16string& name) const;
};

// Every scope table of one compiled module, numbered by position.
using ScopeTableList = std::vector<std::unique_ptr<ScopeTable>>;

}  // namespace kestrel
