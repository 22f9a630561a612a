// What a member binding needs from a script instance (the instance type
// itself lives with the machine): find a member by name in the instance or
// its bases, then read or store it through the path the search found.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

class KvBaseObject;
struct KvMemberBinding;

class KvInstanceMembers {
public:
    virtual ~KvInstanceMembers() = default;
    // Fills the binding's path, slot and kind (13 variable, 15 method); false
    // when neither the instance nor its bases declare the name.
    virtual bool bindInstanceMember(const std::u16string& name, KvMemberBinding& binding) const = 0;
    // The member's value (not counted), or null when the path no longer leads anywhere.
    virtual KvBaseObject* instanceMember(const KvMemberBinding& binding) = 0;
    virtual bool storeInstanceMember(const KvMemberBinding& binding, KvBaseObject* value) = 0;
    // Identifies the instance's class for the life of the process (never reused).
    virtual uint64_t classSerial() const = 0;
};

// The member view of a script instance, or null for any other value.
KvInstanceMembers* instanceMembersOf(KvBaseObject* value);

}  // namespace kestrel
