// What a member binding needs from a native module or a module object (the
// module types themselves live with the modules): resolve a name among the
// module's functions and classes, or the object's class methods and
// properties, then read, store or call through the binding.
#pragma once

#include <string>

#include "objects/arg_list.h"

namespace kestrel {

class KvBaseObject;
struct KvMemberBinding;

class KvModuleMembers {
public:
    // What names resolve in (the module, or the object's class); a binding
    // made for one scope is never reused for another.
    virtual const void* memberScope() const = 0;
    // Fills the binding's kind (50 function, 51 class, 52 property, 53 method)
    // and what it refers to; false when the name is none of these.
    virtual bool bindModuleMember(const std::u16string& name, KvMemberBinding& binding) const = 0;
    // Kind 52: the getter's result; kind 53: a new bound method value.
    virtual KvBaseObject* readModuleMember(const KvMemberBinding& binding) = 0;
    // Kind 52 only: the setter; false for every other kind.
    virtual bool storeModuleMember(const KvMemberBinding& binding, KvBaseObject* value) = 0;
    // Kind 53: the method called with this object and the arguments.
    virtual KvBaseObject* callModuleMethod(const KvMemberBinding& binding, const KvArgList& args) = 0;

protected:
    ~KvModuleMembers() = default;
};

// The member view of a module (tag 50) or module object (tag 53), else null.
KvModuleMembers* moduleMembersOf(KvBaseObject* value);

}  // namespace kestrel
