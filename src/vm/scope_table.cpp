#include "vm/scope_table.h"

namespace kestrel {

void VariableDecl::addUser(KvVarSlotEvent* user) {
    users.push_back(user);
    if (slot >= 0) user->setSlotIndex(slot);
}

void VariableDecl::assignSlot(int32_t index) {
    slot = index;
    for (KvVarSlotEvent* user : users) user->setSlotIndex(index);
}

VariableDecl* ScopeTable::find(const std::u16string& name) const {
    auto it = names.find(name);
    return it == names.end() ? nullptr : it->second;
}

int32_t ScopeTable::findSlot(const std::u16string& name) const {
    VariableDecl* decl = find(name);
    return decl == nullptr ? -1 : decl->slot;
}

void ScopeTable::dropUsers() {
    for (auto& decl : declarations) decl->users.clear();
}

}  // namespace kestrel
