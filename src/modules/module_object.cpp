// Instances of native classes: the creator protocol, the single release of
// the native handle, printing and comparison through the class's special
// functions, and member access through the class's methods and properties.
#include <algorithm>
#include <vector>

#include "modules/module_values.h"
#include "modules/native_values.h"
#include "objects/field_value.h"
#include "objects/number.h"
#include "objects/shared_constants.h"
#include "vm/exception_value.h"

namespace kestrel {

namespace {

using MethodEntry = std::pair<const std::u16string, KvMethodFunction>;

// Text of a special function's answer; nothing or null reads as the empty text.
std::u16string answerText(KvBaseObject* answer) {
    if (!answer || answer->tag() == kTagNull) return std::u16string();
    std::u16string text = answer->toString();
    answer->releaseTemporary();
    return text;
}

}  // namespace

KvObjModuleObject::KvObjModuleObject(KvObjModuleClass* cls, bool owned) : owned_(owned), class_(cls) {
    setTag(kTagModuleObject);
}

KvObjModuleObject::~KvObjModuleObject() {
    releaseHandle();
}

void KvObjModuleObject::releaseHandle() {
    void* handle = handle_;
    handle_ = nullptr;  // cleared first: the releaser runs at most once per handle
    if (handle && owned_ && class_ && class_->description().releaser) class_->description().releaser(handle);
}

KvBaseObject* KvObjModuleObject::create(const KvArgList& args) {
    KvCreatorFunction creator = class_ ? class_->description().creator : nullptr;
    void* handle = nullptr;
    if (creator) {
        KvArgs nativeArgs = toNativeArgs(args);
        handle = creator(&nativeArgs);
    }
    if (!handle) {
        std::u16string name = class_ ? class_->name() : std::u16string();
        return new KvObjException(u"Can't create object. [class type] " + name);
    }
    releaseHandle();  // a second construction replaces the first handle
    handle_ = handle;
    return nullptr;
}

KvBaseObject* KvObjModuleObject::callSpecial(KvMethodFunction special, KvBaseObject* argument) const {
    KvBaseObject* items[1] = {argument};
    KvArgs args{argument ? 1 : 0, reinterpret_cast<KvValue**>(items)};
    KvValue* answer = special(toNative(const_cast<KvObjModuleObject*>(this)), &args);
    return answer ? fromNative(answer) : nullptr;
}

std::u16string KvObjModuleObject::toString() const {
    if (!class_ || !class_->toStringFunction()) return std::u16string();
    return answerText(callSpecial(class_->toStringFunction(), nullptr));
}

std::u16string KvObjModuleObject::detailString(int32_t indent) const {
    if (class_ && class_->detailFunction()) return answerText(callSpecial(class_->detailFunction(), nullptr));
    if (class_ && class_->toStringFunction()) return toString();
    return memberListing();
}

// Per-object properties, the class's properties (their current values) and
// its methods, each group by name.
std::u16string KvObjModuleObject::memberListing() const {
    std::vector<std::u16string> entries;
    if (const PropertyTable* own = properties()) {
        std::vector<std::u16string> names;
        for (const auto& entry : *own) names.push_back(entry.first);
        std::sort(names.begin(), names.end());
        for (const auto& name : names) entries.push_back(name + u": " + own->at(name)->detailString(1));
    }
    if (class_) {
        auto* self = const_cast<KvObjModuleObject*>(this);
        for (const auto& property : class_->properties()) {
            KvGetterFunction getter = property.second->getter;
            KvBaseObject* value = getter ? fromNative(getter(toNative(self))) : kvNull();
            entries.push_back(property.first + u": " + value->detailString(1));
            value->releaseTemporary();
        }
        for (const auto& method : class_->methods()) entries.push_back(method.first + u": <module::func>()");
    }
    return bracedListing(u"module::class", entries);
}

bool KvObjModuleObject::equals(KvBaseObject* other) const {
    if (!class_ || !class_->equalsFunction()) return other == this;
    KvBaseObject* answer = callSpecial(class_->equalsFunction(), other);
    bool equal = answer && answer->toBool();
    if (answer) answer->releaseTemporary();
    return equal;
}

// Without a "compare" function there is no order: 0 for the object itself,
// 1 for any other.
int32_t KvObjModuleObject::compare(KvBaseObject* other) const {
    if (!other || other->tag() != tag()) return 1;
    if (!class_ || !class_->compareFunction()) return other == this ? 0 : 1;
    KvBaseObject* answer = callSpecial(class_->compareFunction(), other);
    KvObjNumber* number = asNumber(answer);
    int32_t order = number ? number->toInt() : -1;
    if (answer) answer->releaseTemporary();
    return order;
}

KvBaseObject* KvObjModuleObject::initFunction() {
    return new KvObjModuleFunction(KvObjModuleFunction::kCreator, this);
}

bool KvObjModuleObject::bindModuleMember(const std::u16string& name, KvMemberBinding& binding) const {
    if (!class_) return false;
    auto method = class_->methods().find(name);
    if (method != class_->methods().end()) {
        binding.kind = kFieldModuleMethod;
        binding.moduleEntry = &*method;
        return true;
    }
    if (const KvPropertyEntry* property = class_->property(name)) {
        binding.kind = kFieldModuleProperty;
        binding.moduleEntry = property;
        return true;
    }
    return false;
}

KvBaseObject* KvObjModuleObject::readModuleMember(const KvMemberBinding& binding) {
    if (binding.kind == kFieldModuleMethod) {
        auto* method = static_cast<const MethodEntry*>(binding.moduleEntry);
        return new KvObjModuleFunction(KvObjModuleFunction::kMethod, this, method->second);
    }
    if (binding.kind != kFieldModuleProperty) return nullptr;
    auto* property = static_cast<const KvPropertyEntry*>(binding.moduleEntry);
    return property->getter ? fromNative(property->getter(toNative(this))) : nullptr;
}

bool KvObjModuleObject::storeModuleMember(const KvMemberBinding& binding, KvBaseObject* value) {
    if (binding.kind != kFieldModuleProperty) return false;
    auto* property = static_cast<const KvPropertyEntry*>(binding.moduleEntry);
    if (!property->setter) return false;
    property->setter(toNative(this), toNative(value ? value : kvNull()));
    return true;
}

KvBaseObject* KvObjModuleObject::callModuleMethod(const KvMemberBinding& binding, const KvArgList& args) {
    if (binding.kind != kFieldModuleMethod) return nullptr;
    auto* method = static_cast<const MethodEntry*>(binding.moduleEntry);
    KvArgs nativeArgs = toNativeArgs(args);
    return fromNative(method->second(toNative(this), &nativeArgs));
}

}  // namespace kestrel
