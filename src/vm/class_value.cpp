// Class preparation, member search through the bases, and instance creation.
#include "vm/class_value.h"

#include <algorithm>

#include "objects/nested_release.h"
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

}  // namespace

KvObjClass::KvObjClass(const FunctionDescriptor* descriptor, CodeUnit* unit, KvVBaseContext* defining)
    : descriptor_(descriptor), unit_(KvUnitRef::retain(unit)), defining_(KvContextRef::retain(defining)),
      serial_(nextClassSerial()) {
    setTag(kTagClass);
    markTraversable();
}

// The bases go through the nested release: a chain of classes dies in a
// loop, not one destructor inside the next.
KvObjClass::~KvObjClass() {
    for (KvRef<KvObjClass>& base : bases_) kvReleaseNested(base.detach());
}

void KvObjClass::visitReferences(KvReferenceVisitor& visitor) {
    KvBaseObject::visitReferences(visitor);
    if (defining_) visitor.context(defining_.get());
    for (const KvRef<KvObjClass>& base : bases_) {
        if (base) visitor.value(base.get());
    }
}

// Classes in preparation are on the stack (marked preparing), deepest
// last; a class is finished once all its bases are.
void KvObjClass::prepare() {
    if (baseCount_ >= 0 || preparing_) return;
    std::vector<KvObjClass*> stack{this};
    preparing_ = true;
    while (!stack.empty()) {
        KvObjClass* cls = stack.back();
        if (cls->resolveNextBase(stack)) continue;
        cls->finishPreparing();
        stack.pop_back();
    }
}

// The value the base name has around the definition, when it is a class.
KvObjClass* KvObjClass::resolveBase(const VariableDecl& hidden) const {
    if (!defining_) return nullptr;
    auto position = defining_->resolveName(baseName(hidden), descriptor_->line, descriptor_->column);
    VariableSlot* slot = defining_->resolvePosition(position.get());
    KvBaseObject* value = slot ? slot->read() : nullptr;
    return value && value->tag() == kTagClass ? static_cast<KvObjClass*>(value) : nullptr;
}

bool KvObjClass::resolveNextBase(std::vector<KvObjClass*>& stack) {
    const ScopeTable* scope = descriptor_->scope;
    const size_t count = scope ? scope->hidden.size() : 0;
    while (bases_.size() < count) {
        KvObjClass* base = resolveBase(*scope->hidden[bases_.size()]);
        if (base && base->preparing_) {  // on the stack: the class would inherit from itself
            cyclic_ = true;
            base = nullptr;
        } else if (base && base->baseCount_ < 0) {
            base->preparing_ = true;
            stack.push_back(base);  // resolved again once it is prepared
            return true;
        }
        bases_.push_back(KvRef<KvObjClass>::retain(base));
    }
    return false;
}

// The depth and the constructor follow from the prepared bases. A search
// for "@init" would stop at the first base that names no class.
void KvObjClass::finishPreparing() {
    baseCount_ = static_cast<int16_t>(bases_.size() > 0x7FFF ? 0x7FFF : bases_.size());
    preparing_ = false;
    for (const KvRef<KvObjClass>& base : bases_) {
        if (base) depth_ = std::max(depth_, base->depth_ + 1);
    }
    constructorSlot_ = ownSlot(u"@init");
    if (constructorSlot_ >= 0) return;
    for (size_t i = 0; i < bases_.size() && bases_[i]; ++i) {
        if (bases_[i]->constructorSlot_ >= 0 || bases_[i]->constructorBase_ >= 0) {
            constructorBase_ = static_cast<int32_t>(i);
            return;
        }
    }
}

int32_t KvObjClass::ownSlot(const std::u16string& name) const {
    const ScopeTable* scope = descriptor_->scope;
    return scope ? scope->findSlot(name) : -1;
}

bool KvObjClass::findMember(const std::u16string& name, InheritedMember& found) const {
    int32_t slot = ownSlot(name);
    if (slot >= 0) {
        found.path.clear();
        found.slot = static_cast<uint32_t>(slot);
        return true;
    }
    return findInherited(name, found);
}

// Depth-first in base order on an explicit stack; the path holds the base
// numbers leading to the class being looked at. A base that named no class
// ends the search among its siblings.
bool KvObjClass::findInherited(const std::u16string& name, InheritedMember& found) const {
    struct Level {
        const KvObjClass* cls;
        size_t next;  // the next base to look at
    };
    found.path.clear();
    std::vector<Level> stack{{this, 0}};
    while (!stack.empty()) {
        Level& level = stack.back();
        const auto& bases = level.cls->bases_;
        const KvObjClass* base = level.next < bases.size() ? bases[level.next].get() : nullptr;
        if (!base) {
            stack.pop_back();
            if (!found.path.empty()) found.path.pop_back();
            continue;
        }
        found.path.push_back(static_cast<uint32_t>(++level.next));
        int32_t slot = base->ownSlot(name);
        if (slot >= 0) {
            found.slot = static_cast<uint32_t>(slot);
            return true;
        }
        stack.push_back({base, 0});
    }
    return false;
}

// A class defines a handful of methods: a linear search is enough.
const std::vector<ClassBodyStep>* KvObjClass::plainBody() {
    if (bodyPlanned_ < 0) {
        bodyPlanned_ = unit_ && planClassBody(unit_->module()->code, descriptor_->entry, bodySteps_) ? 1 : 0;
    }
    return bodyPlanned_ ? &bodySteps_ : nullptr;
}

KvObjFunc* KvObjClass::sharedMethod(const FunctionDescriptor* method, int32_t definedAt) {
    for (const KvRef<KvObjFunc>& shared : methods_) {
        if (shared->descriptor() == method) return shared.get();
    }
    methods_.push_back(KvObjFunc::makeUnbound(method, unit_.get(), definedAt));
    return methods_.back().get();
}

bool KvObjClass::findConstructor(KvVBaseContext*& holder, int32_t& slot) const {
    const KvObjClass* cls = this;
    while (holder && cls->constructorSlot_ < 0) {
        const int32_t step = cls->constructorBase_;
        if (step < 0 || !holder->hasSlot(step)) return false;
        holder = instanceContextOf(holder->slot(step).read());
        cls = cls->bases_[static_cast<size_t>(step)].get();
    }
    slot = cls->constructorSlot_;
    return holder != nullptr;
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

// Only the class's own shared methods are read: held by the class, they
// stay what they were read as.
const std::vector<ConstructorStep>* KvObjClass::planConstructorOf(const KvObjFunc& constructor) {
    const bool own = std::any_of(methods_.begin(), methods_.end(),
                                 [&constructor](const KvRef<KvObjFunc>& method) { return method.get() == &constructor; });
    if (!own) return nullptr;
    plannedConstructor_ = &constructor;
    CodeUnit* unit = constructor.codeUnit();
    const FunctionDescriptor* descriptor = constructor.descriptor();
    constructorPlain_ = unit && descriptor && planConstructor(unit->module()->code, *descriptor, constructorSteps_);
    return constructorPlain_ ? &constructorSteps_ : nullptr;
}

// A fresh instance context holds null in every slot, so of a plain body only
// the method stores change anything. They are made directly when each goes
// to a slot of the instance's own (not a free name's, which the body's
// binding aliases elsewhere); the shared values are made here, as the
// first instance's body would make them.
bool KvObjClass::planMethodStores() {
    const std::vector<ClassBodyStep>* steps = plainBody();
    const ScopeTable* scope = descriptor_->scope;
    bool direct = steps != nullptr && scope != nullptr;
    const int32_t firstImplicit = scope ? scope->firstImplicitSlot : 0;
    const auto implicitEnd = firstImplicit + static_cast<int32_t>(scope ? scope->implicits.size() : 0);
    for (size_t i = 0; direct && i < steps->size(); ++i) {
        const int32_t slot = (*steps)[i].slot;
        direct = slot >= 0 && slot < scope->slotCount() && (slot < firstImplicit || slot >= implicitEnd);
    }
    methodStores_.clear();
    for (size_t i = 0; direct && i < steps->size(); ++i) {
        const ClassBodyStep& step = (*steps)[i];
        if (step.method) methodStores_.push_back({step.slot, sharedMethod(step.method, step.position)});
    }
    storesPlanned_ = direct ? 1 : 0;
    return direct;
}

KvBaseObject* KvObjClass::newPlainInstance() {
    if (storesPlanned_ < 0) planMethodStores();
    if (storesPlanned_ == 0) return nullptr;
    KvContextRef context = KvContextRef::adopt(KvVBaseContext::create(defining_.get(), descriptor_->scope));
    context->allocateSlots();
    context->setThisContext(context.get());
    context->setInstanceClass(this);
    for (const MethodStore& store : methodStores_) {
        store.method->addRef();
        context->slot(store.slot).value = store.method;  // held null, which is not counted
    }
    return new KvObjLocalObject(std::move(context));
}


}  // namespace kestrel
