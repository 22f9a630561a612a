// Native modules, their classes and their functions: how they are built from
// a library's descriptor, print, and resolve member names.
#include "modules/module_values.h"

#include "host/utf8.h"
#include "modules/native_values.h"
#include "objects/field_value.h"
#include "objects/shared_constants.h"

namespace kestrel {

namespace {

// Outside the value pool and never counted: lives as long as the process.
template <class T, class... Args>
T* makeLasting(Args&&... args) {
    T* value = ::new T(std::forward<Args>(args)...);
    value->makeShared();
    return value;
}

std::u16string nameOf(const char* utf8) {
    return utf8 ? fromUtf8(utf8) : std::u16string();
}

}  // namespace

// A nested listing's own lines move in with its entry.
std::u16string bracedListing(const std::u16string& head, const std::vector<std::u16string>& entries) {
    std::u16string text = head + u" {";
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) text += u",";
        text += u"\r\n  ";
        for (char16_t c : entries[i]) {
            text += c;
            if (c == u'\n') text += u"  ";
        }
    }
    if (!entries.empty()) text += u"\r\n";
    return text + u"}";
}

KvModuleMembers* moduleMembersOf(KvBaseObject* value) {
    if (!value) return nullptr;
    if (value->tag() == kTagModule) return static_cast<KvObjModule*>(value);
    if (value->tag() == kTagModuleObject) return static_cast<KvObjModuleObject*>(value);
    return nullptr;
}

KvObjModuleFunction::KvObjModuleFunction(KvNativeFunction function)
    : kind_(kFunction), function_(function) {
    setTag(kTagModuleFunction);
}

KvObjModuleFunction::KvObjModuleFunction(Kind kind, KvObjModuleObject* object, KvMethodFunction method)
    : kind_(kind), method_(method), bound_(object) {
    setTag(kTagModuleFunction);
    if (bound_) bound_->addRef();
}

KvObjModuleFunction::~KvObjModuleFunction() {
    if (bound_) bound_->release();
}

std::u16string KvObjModuleFunction::toString() const {
    switch (kind_) {
    case kMethod:
        return u"<module::class::method>";
    case kCreator:
        return u"<module::class::creator>";
    case kReleaser:
        return u"<module::class::releaser>";
    default:
        return u"<module::func>";
    }
}

// The native function's answer (a new value, a shared constant or a value
// held elsewhere) becomes the caller's own reference.
KvValueRef KvObjModuleFunction::invoke(const KvArgList& args) {
    KvArgs nativeArgs = toNativeArgs(args);
    KvBaseObject* result = kvNull();
    if (kind_ == kFunction && function_) {
        result = fromNative(function_(&nativeArgs));
    } else if (kind_ == kMethod && method_ && bound_) {
        result = fromNative(method_(toNative(bound_), &nativeArgs));
    } else if (kind_ == kCreator && bound_) {
        if (KvBaseObject* failure = bound_->create(args)) result = failure;
    } else if (kind_ == kReleaser && bound_) {
        bound_->releaseHandle();
    }
    return kvOwnedOrNull(result);
}

KvObjModuleClass::KvObjModuleClass(const KvClassDescription& description)
    : description_(description), name_(nameOf(description.name)) {
    setTag(kTagModuleClass);
    for (uint32_t i = 0; description.methods && i < description.methodCount; ++i) {
        const KvMethodEntry& entry = description.methods[i];
        if (!entry.name || !entry.method) continue;
        std::u16string name = fromUtf8(entry.name);
        if (methods_.emplace(name, entry.method).second) noteSpecial(name, entry.method);
    }
    for (uint32_t i = 0; description.properties && i < description.propertyCount; ++i) {
        const KvPropertyEntry& entry = description.properties[i];
        if (entry.name) properties_.emplace(fromUtf8(entry.name), &entry);
    }
}

void KvObjModuleClass::noteSpecial(const std::u16string& name, KvMethodFunction method) {
    if (name == u"toString") toString_ = method;
    else if (name == u"equals") equals_ = method;
    else if (name == u"compare") compare_ = method;
    else if (name == u"detailString" || name == u"debugString") detail_ = method;  // the later wins
}

KvMethodFunction KvObjModuleClass::method(const std::u16string& name) const {
    auto found = methods_.find(name);
    return found == methods_.end() ? nullptr : found->second;
}

const KvPropertyEntry* KvObjModuleClass::property(const std::u16string& name) const {
    auto found = properties_.find(name);
    return found == properties_.end() ? nullptr : found->second;
}

std::u16string KvObjModuleClass::detailString(int32_t) const {
    std::vector<std::u16string> entries;
    for (const auto& method : methods_) entries.push_back(method.first + u": <module::func>()");
    for (const auto& property : properties_) entries.push_back(property.first + u": <module:prop>");
    return bracedListing(u"module::class", entries);
}

KvBaseObject* KvObjModuleClass::newInstance(IKvVContext*) {
    return new KvObjModuleObject(this, true);
}

KvObjModule::KvObjModule(std::u16string name, const KvModuleDescriptor& descriptor) : name_(std::move(name)) {
    setTag(kTagModule);
    for (uint32_t i = 0; descriptor.functions && i < descriptor.functionCount; ++i) {
        const KvFunctionEntry& entry = descriptor.functions[i];
        if (!entry.name || !entry.function) continue;
        std::u16string functionName = fromUtf8(entry.name);
        if (functions_.count(functionName) == 0) {
            functions_.emplace(functionName, makeLasting<KvObjModuleFunction>(entry.function));
        }
    }
    for (uint32_t i = 0; descriptor.classes && i < descriptor.classCount; ++i) {
        const KvClassEntry& entry = descriptor.classes[i];
        if (!entry.name || !entry.description) continue;
        std::u16string className = fromUtf8(entry.name);
        if (classes_.count(className) == 0) {
            classes_.emplace(className, makeLasting<KvObjModuleClass>(*entry.description));
        }
    }
}

std::u16string KvObjModule::detailString(int32_t indent) const {
    std::vector<std::u16string> entries;
    for (const auto& function : functions_) {
        entries.push_back(function.first + u": " + function.second->detailString(indent + 1));
    }
    for (const auto& cls : classes_) entries.push_back(cls.first + u": " + cls.second->detailString(indent + 1));
    return bracedListing(u"module", entries);
}

bool KvObjModule::bindModuleMember(const std::u16string& name, KvMemberBinding& binding) const {
    if (auto function = functions_.find(name); function != functions_.end()) {
        binding.kind = kFieldModuleFunction;
        binding.moduleMember = function->second;
        return true;
    }
    if (auto cls = classes_.find(name); cls != classes_.end()) {
        binding.kind = kFieldModuleClass;
        binding.moduleMember = cls->second;
        return true;
    }
    return false;
}

KvObjModule* makeLastingModule(std::u16string name, const KvModuleDescriptor& descriptor) {
    return makeLasting<KvObjModule>(std::move(name), descriptor);
}

}  // namespace kestrel
