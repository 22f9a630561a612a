#include "vm/scope_table.h"

namespace kestrel {

VariableDecl* ScopeTable::find(const std::u16string& name) const {
    auto it = names.find(name);
    return it == names.end() ? nullptr : it->second;
}

int32_t ScopeTable::findSlot(const std::u16string& name) const {
    VariableDecl* decl = find(name);
    return decl == nullptr ? -1 : decl->slot;
}

}  // namespace kestrel
