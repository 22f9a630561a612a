// The values through which scripts see a native module: the module itself
// (tag 50), its functions and bound methods (tag 51), its classes (tag 52)
// and their instances (tag 53). A module, its classes and its functions are
// made once, when the library loads, and live as long as the process (they
// are not pool values and never counted); bound methods, creators and module
// objects are ordinary values. A module object holds one reference on
// nothing but its bound-from class, which never dies.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "kestrel/extension.h"
#include "objects/base_object.h"
#include "objects/module_members.h"

namespace kestrel {

class KvObjModuleObject;

class KvObjModuleFunction final : public KvBaseObject {
public:
    enum Kind : int32_t { kFunction = 0, kMethod = 1, kCreator = 10, kReleaser = 11 };

    // A module function (kind 0).
    explicit KvObjModuleFunction(KvNativeFunction function);
    // A method (kind 1), the creator (10) or the releaser (11) bound to object.
    KvObjModuleFunction(Kind kind, KvObjModuleObject* object, KvMethodFunction method = nullptr);
    ~KvObjModuleFunction() override;

    std::u16string toString() const override;
    bool isCallable() const override { return true; }
    bool isNativeCallable() const override { return true; }
    KvValueRef invoke(const KvArgList& args) override;
    Kind kind() const { return kind_; }

private:
    Kind kind_;
    KvNativeFunction function_ = nullptr;
    KvMethodFunction method_ = nullptr;
    KvObjModuleObject* bound_ = nullptr;  // one reference, kinds 1, 10, 11
};

class KvObjModuleClass final : public KvBaseObject {
public:
    explicit KvObjModuleClass(const KvClassDescription& description);

    std::u16string toString() const override { return u"<module::class>"; }
    std::u16string detailString(int32_t indent) const override;
    bool isClass() const override { return true; }
    KvBaseObject* newInstance(IKvVContext* context) override;

    const KvClassDescription& description() const { return description_; }
    const std::u16string& name() const { return name_; }
    KvMethodFunction method(const std::u16string& name) const;
    const KvPropertyEntry* property(const std::u16string& name) const;
    const std::map<std::u16string, KvMethodFunction>& methods() const { return methods_; }
    const std::map<std::u16string, const KvPropertyEntry*>& properties() const { return properties_; }
    KvMethodFunction toStringFunction() const { return toString_; }
    KvMethodFunction detailFunction() const { return detail_; }
    KvMethodFunction equalsFunction() const { return equals_; }
    KvMethodFunction compareFunction() const { return compare_; }

private:
    void noteSpecial(const std::u16string& name, KvMethodFunction method);

    const KvClassDescription& description_;
    std::u16string name_;
    std::map<std::u16string, KvMethodFunction> methods_;
    std::map<std::u16string, const KvPropertyEntry*> properties_;
    KvMethodFunction toString_ = nullptr;
    KvMethodFunction detail_ = nullptr;  // the later of "detailString" and "debugString"
    KvMethodFunction equals_ = nullptr;
    KvMethodFunction compare_ = nullptr;
};

class KvObjModuleObject final : public KvBaseObject, public KvModuleMembers {
public:
    KvObjModuleObject(KvObjModuleClass* cls, bool owned);
    // Runs the releaser once when the object owns a native handle.
    ~KvObjModuleObject() override;

    std::u16string toString() const override;
    std::u16string detailString(int32_t indent) const override;
    bool equals(KvBaseObject* other) const override;
    int32_t compare(KvBaseObject* other) const override;
    bool isInstance() const override { return true; }
    KvBaseObject* initFunction() override;

    // KvModuleMembers
    const void* memberScope() const override { return class_; }
    bool bindModuleMember(const std::u16string& name, KvMemberBinding& binding) const override;
    KvBaseObject* readModuleMember(const KvMemberBinding& binding) override;
    bool storeModuleMember(const KvMemberBinding& binding, KvBaseObject* value) override;
    KvBaseObject* callModuleMethod(const KvMemberBinding& binding, const KvArgList& args) override;

    // The creator protocol: the class's creator makes the native handle from
    // args; null on success, else a new exception value saying why.
    KvBaseObject* create(const KvArgList& args);
    // Calls the releaser on the handle (if any, and owned) and forgets it.
    void releaseHandle();
    void* handle() const { return handle_; }
    KvObjModuleClass* moduleClass() const { return class_; }
    // The name test of isModuleObject: the class's name, exactly.
    bool hasClassNamed(const std::u16string& name) const { return class_ && class_->name() == name; }

private:
    // A special function's answer, or null when it yields nothing.
    KvBaseObject* callSpecial(KvMethodFunction special, KvBaseObject* argument) const;
    std::u16string memberListing() const;

    bool owned_;
    KvObjModuleClass* class_;
    void* handle_ = nullptr;
};

class KvObjModule final : public KvBaseObject, public KvModuleMembers {
public:
    // Builds the module's functions and classes from the library's descriptor.
    KvObjModule(std::u16string name, const KvModuleDescriptor& descriptor);

    std::u16string toString() const override { return u"<module>"; }
    std::u16string detailString(int32_t indent) const override;

    // KvModuleMembers
    const void* memberScope() const override { return this; }
    bool bindModuleMember(const std::u16string& name, KvMemberBinding& binding) const override;
    KvBaseObject* readModuleMember(const KvMemberBinding&) override { return nullptr; }
    bool storeModuleMember(const KvMemberBinding&, KvBaseObject*) override { return false; }
    KvBaseObject* callModuleMethod(const KvMemberBinding&, const KvArgList&) override { return nullptr; }

    const std::u16string& name() const { return name_; }
    const std::map<std::u16string, KvObjModuleFunction*>& functions() const { return functions_; }
    const std::map<std::u16string, KvObjModuleClass*>& classes() const { return classes_; }

private:
    std::u16string name_;
    std::map<std::u16string, KvObjModuleFunction*> functions_;
    std::map<std::u16string, KvObjModuleClass*> classes_;
};

// Makes a module value that lives as long as the process: outside the value
// pool, never counted, never destroyed (like the shared constants).
KvObjModule* makeLastingModule(std::u16string name, const KvModuleDescriptor& descriptor);

}  // namespace kestrel
