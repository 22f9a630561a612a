// Class preparation, member search through the bases, and instance creation.
#include "vm/class_value.h"

#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/function_value.h"
#include "vm/instance_value.h"

namespace kestrel {

namespace {

uint64_t nextClassSerial() {
    static uint64_t serial = 0;
    return ++serial;
}

// The base names are the hidden declarations "[Name]" in slot order.
std::u16string baseName(const VariableDecl& hidden) {
    const std::u16string& name = hidden.name;
    if (name.size() >= 2 && name.front() == u'[' && name.back() == u']') return name.substr(1, name.size() - 2);
    return name;
}

// Deeper hierarchies than this are not searched (they cannot be built either:
// each level is a frame of the class body).
constexpr int32_t kMaxBaseDepth = 4096;

}  // namespace

KvObjClass::KvObjClass(const FunctionDescriptor* descriptor, CodeUnit* unit, KvVBaseContext* defining)
    : descriptor_(descriptor), unit_(KvUnitRef::retain(unit)), defining_(KvContextRef::retain(defining)),
      serial_(nextClassSerial()) {
    setTag(kTagClass);
    markTraversable();
}

// The handles drop the bases, then the defining context, then the unit.
KvObjClass::~KvObjClass() = default;

void KvObjClass::visitReferences(KvReferenceVisitor& visitor) {
    KvBaseObject::visitReferences(visitor);
    if (defining_) visitor.context(defining_.get());
    for (const KvRef<KvObjClass>& base : bases_) {
        if (base) visitor.value(base.get());
    }
}

void KvObjClass::prepare() {
    if (baseCount_ >= 0 || preparing_) return;
    preparing_ = true;
    const ScopeTable* scope = descriptor_->scope;
    if (scope) {
        for (const VariableDecl* hidden : scope->hidden) {
            KvObjClass* base = nullptr;
            if (defining_) {
                auto position = defining_->resolveName(baseName(*hidden), descriptor_->line, descriptor_->column);
                VariableSlot* slot = defining_->resolvePosition(position.get());
                KvBaseObject* value = slot ? slot->read() : nullptr;
                if (value && value->tag() == kTagClass) base = static_cast<KvObjClass*>(value);
            }
            if (base) {
                base->prepare();
                if (base->preparing_) {  // the class would inherit from itself
                    cyclic_ = true;
                    base = nullptr;
                }
            }
            bases_.push_back(KvRef<KvObjClass>::retain(base));
        }
    }
    baseCount_ = static_cast<int16_t>(bases_.size() > 0x7FFF ? 0x7FFF : bases_.size());
    preparing_ = false;
    hasConstructor_ = findMember(u"@init", constructor_);
}

bool KvObjClass::findMember(const std::u16string& name, InheritedMember& found) const {
    const ScopeTable* scope = descriptor_->scope;
    int32_t slot = scope ? scope->findSlot(name) : -1;
    if (slot >= 0) {
        found.path.clear();
        found.slot = static_cast<uint32_t>(slot);
        return true;
    }
    return findInherited(name, found);
}

bool KvObjClass::findInherited(const std::u16string& name, InheritedMember& found) const {
    found.path.clear();
    return searchBases(name, found, 0);
}

// Depth-first in base order; a base that named no class ends the search.
bool KvObjClass::searchBases(const std::u16string& name, InheritedMember& found, int32_t depth) const {
    if (depth > kMaxBaseDepth) return false;
    for (size_t i = 0; i < bases_.size(); ++i) {
        const KvObjClass* base = bases_[i].get();
        if (!base) return false;
        found.path.push_back(static_cast<uint32_t>(i + 1));
        const ScopeTable* scope = base->descriptor_->scope;
        int32_t slot = scope ? scope->findSlot(name) : -1;
        if (slot >= 0) {
            found.slot = static_cast<uint32_t>(slot);
            return true;
        }
        if (base->searchBases(name, found, depth + 1)) return true;
        found.path.pop_back();
    }
    return false;
}

// A class defines a handful of methods: a linear search is enough.
KvObjFunc* KvObjClass::sharedMethod(const FunctionDescriptor* method, int32_t definedAt) {
    for (const KvRef<KvObjFunc>& shared : methods_) {
        if (shared->descriptor() == method) return shared.get();
    }
    methods_.push_back(KvObjFunc::makeUnbound(method, unit_.get(), definedAt));
    return methods_.back().get();
}

// The instance context's parent is the defining context, not the creating
// one: a method's free names then reach the scopes around the class source.
KvBaseObject* KvObjClass::newInstance(IKvVContext*) {
    prepare();
    KvContextRef context = KvContextRef::adopt(KvVBaseContext::create(defining_.get(), descriptor_->scope));
    context->allocateSlots();
    context->setThisContext(context.get());
    context->setInstanceClass(this);
    return new KvObjLocalObject(std::move(context));
}


}  // namespace kestrel
