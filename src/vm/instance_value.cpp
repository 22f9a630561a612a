// Instance members through hidden base slots, the dump text, and the end of
// an instance.
#include "vm/instance_value.h"

#include "objects/field_value.h"
#include "vm/class_value.h"
#include "vm/context.h"
#include "vm/function_value.h"

namespace kestrel {

KvVBaseContext* instanceContextOf(KvBaseObject* value) {
    return value && value->tag() == kTagLocalObject ? static_cast<KvObjLocalObject*>(value)->context()
                                                    : nullptr;
}

KvInstanceMembers* instanceMembersOf(KvBaseObject* value) {
    return value && value->tag() == kTagLocalObject ? static_cast<KvObjLocalObject*>(value) : nullptr;
}

KvBaseObject* instanceOfContext(KvVBaseContext* context) {
    if (!context || !classOfContext(*context)) return nullptr;
    if (KvBaseObject* self = context->self()) return self;
    return new KvObjLocalObject(KvContextRef::retain(context));
}

// The context may live on, kept only by its own methods: dropping the
// handle makes it a cycle candidate. Its weak self pointer goes first.
KvObjLocalObject::~KvObjLocalObject() {
    if (context_ && context_->self() == this) context_->setSelf(nullptr);
}

void KvObjLocalObject::visitReferences(KvReferenceVisitor& visitor) {
    KvBaseObject::visitReferences(visitor);
    if (context_) visitor.context(context_.get());
}

// Follows hidden base slots from this instance; null when one holds no instance.
KvVBaseContext* KvObjLocalObject::holderOf(const std::vector<uint32_t>& path) const {
    KvVBaseContext* at = context_.get();
    for (uint32_t entry : path) {
        if (!at || entry == 0 || !at->hasSlot(static_cast<int32_t>(entry - 1))) return nullptr;
        at = instanceContextOf(at->slot(static_cast<int32_t>(entry - 1)).read());
    }
    return at;
}

// A member is a method when its slot holds the function its class defined there.
bool KvObjLocalObject::bindInstanceMember(const std::u16string& name, KvMemberBinding& binding) const {
    KvObjClass* cls = instanceClass();
    InheritedMember found;
    if (!cls || !cls->findMember(name, found)) return false;
    binding.memberPath = found.path;
    binding.memberSlot = static_cast<int32_t>(found.slot);
    binding.kind = kFieldInstanceVariable;
    KvVBaseContext* holder = holderOf(found.path);
    if (holder && holder->hasSlot(binding.memberSlot)) {
        KvBaseObject* held = holder->slot(binding.memberSlot).read();
        if (held && held->tag() == kTagFunc) {
            auto* function = static_cast<KvObjFunc*>(held);
            if (function->descriptor()->slot == binding.memberSlot &&
                (function->isUnbound() || function->definingContext() == holder)) {
                binding.kind = kFieldScriptMethod;
            }
        }
    }
    return true;
}


bool KvObjLocalObject::storeInstanceMember(const KvMemberBinding& binding, KvBaseObject* value) {
    KvVBaseContext* holder = holderOf(binding.memberPath);
    if (!holder || !holder->hasSlot(binding.memberSlot)) return false;
    holder->slot(binding.memberSlot).store(value);
    return true;
}

// Down the hidden base slots to the base whose constructor the class inherits.
VariableSlot* KvObjLocalObject::searchConstructorSlot(KvVBaseContext*& holder) {
    KvObjClass* cls = instanceClass();
    holder = context_.get();
    int32_t slot = -1;
    if (!cls || !cls->findConstructor(holder, slot)) return nullptr;
    return holder->hasSlot(slot) ? &holder->slot(slot) : nullptr;
}

KvBaseObject* KvObjLocalObject::initFunction() {
    KvVBaseContext* holder = nullptr;
    VariableSlot* slot = constructorSlot(holder);
    return slot ? readMemberSlot(*holder, *slot) : nullptr;
}

// object<Name>{ one "name: text" line per member, nested instances one level deeper }.
std::u16string KvObjLocalObject::detailString(int32_t indent) const {
    KvObjClass* cls = instanceClass();
    std::u16string text = u"object<" + (cls ? cls->name() : std::u16string()) + u">{\r\n";
    const std::u16string pad(static_cast<size_t>(indent < 0 ? 0 : indent) * 2, u' ');
    const ScopeTable* scope = context_ ? context_->scope() : nullptr;
    bool first = true;
    if (scope) {
        for (const VariableDecl* decl : scope->slotOrder) {
            if (decl->kind != DeclKind::Declared && decl->kind != DeclKind::Hidden) continue;
            if (!context_->hasSlot(decl->slot)) continue;
            if (!first) text += u",\r\n";
            first = false;
            KvBaseObject* held = context_->slot(decl->slot).read();
            text += pad + u"  " + decl->name + u": ";
            if (!held) {
                text += u"<nil>";
            } else if (held->tag() == kTagLocalObject && indent < 64) {
                text += held->detailString(indent + 1);
            } else {
                text += held->toString();
            }
        }
    }
    return text + u"\r\n" + pad + u"}";
}

}  // namespace kestrel
