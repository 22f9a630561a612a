// The value interface shared by every script value: member registry access,
// per-object properties, subscripts, reference counting and pool allocation.
// Counts: 0 = temporary, > 0 = stored somewhere, -1 = never counted or dead.
// Whoever owns a reference holds it in a KvRef (objects/value_ref.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>

#include "objects/arg_list.h"
#include "objects/cycle_candidates.h"
#include "objects/member_registry.h"
#include "objects/type_tags.h"
#include "objects/value_pool.h"
#include "objects/value_ref.h"

namespace kestrel {

class KvBaseObject;
class IKvVContext;

// Member registry access and the per-object property table.
class KvObjectProperty {
public:
    virtual const KvMemberRegistry::NameMap* memberTable(int32_t typeTag) const;
    virtual int32_t typeTag() const = 0;
    virtual const KvMemberRecord* findMemberById(int32_t id) const;
    virtual const KvMemberRecord* findMember(const std::u16string& name) const;
    virtual bool setBuiltinProperty(int32_t id, KvBaseObject* value) = 0;
    virtual KvBaseObject* getBuiltinProperty(int32_t id) = 0;
    virtual void setProperty(const std::u16string& name, KvBaseObject* value) = 0;
    virtual KvBaseObject* getProperty(const std::u16string& name) = 0;
    virtual const KvMemberRegistry::NameMap* ownMemberTable() const;

protected:
    ~KvObjectProperty() = default;
};

// Built-in bracket access ([] on lists, maps, bytes, strings).
class KvSubscriptInterface {
public:
    virtual bool canSubscript() const { return false; }
    virtual KvBaseObject* getAt(KvBaseObject* key);
    virtual bool setAt(KvBaseObject* key, KvBaseObject* value);
    virtual bool canSubscriptRange() const { return false; }
    virtual KvBaseObject* getRange(const KvArgList& args);

protected:
    ~KvSubscriptInterface() = default;
};

class KvBaseObject : public KvObjectProperty, public KvSubscriptInterface {
public:
    using PropertyTable = std::unordered_map<std::u16string, KvBaseObject*>;

    KvBaseObject() = default;
    KvBaseObject(const KvBaseObject&) = delete;
    KvBaseObject& operator=(const KvBaseObject&) = delete;

    // Every value lives in the value pool; a failed allocation throws
    // std::bad_alloc, which only the program's entry converts (shell/main.cpp).
    // Inline: every value made and dropped comes through them.
    static void* operator new(std::size_t size) {
        void* block = valuePool().allocate(size);
        if (!block) throw std::bad_alloc();
        return block;
    }
    static void* operator new(std::size_t, void* where) noexcept { return where; }
    static void operator delete(void* block, std::size_t size) noexcept { valuePool().deallocate(block, size); }

    // KvObjectProperty
    int32_t typeTag() const override { return tag_; }
    bool setBuiltinProperty(int32_t id, KvBaseObject* value) override;
    KvBaseObject* getBuiltinProperty(int32_t id) override;
    void setProperty(const std::u16string& name, KvBaseObject* value) override;
    KvBaseObject* getProperty(const std::u16string& name) override;

    virtual ~KvBaseObject();
    virtual bool toBool() const { return true; }
    virtual KvBaseObject* toStringMethod(const KvArgList& args);
    virtual std::u16string toString() const;
    virtual KvBaseObject* toBytes() { return nullptr; }
    virtual KvBaseObject* detailStringMethod(const KvArgList& args);
    virtual std::u16string detailString(int32_t indent) const { return toString(); }
    virtual KvBaseObject* equalsMethod(const KvArgList& args);
    virtual bool equals(KvBaseObject* other) const { return other == this; }
    virtual KvBaseObject* value() { return this; }
    virtual KvBaseObject* getMemberByKey(KvBaseObject* key);
    virtual KvBaseObject* getMember(const std::u16string& name) { return getProperty(name); }
    virtual bool setMemberByKey(KvBaseObject* key, KvBaseObject* value);
    virtual bool setMember(const std::u16string& name, KvBaseObject* value);
    // The counting operations are final: no value changes them, so calls
    // through a base pointer are direct, and always inlined: the machine's
    // handles count on every instruction.
    // Destroys the value when nobody stored it (count 0).
    [[gnu::always_inline]] virtual void releaseTemporary() final {
        if (refCount_ == 0) {
            destroy();
        }
    }
    [[gnu::always_inline]] virtual int32_t addRef() final {
        if (refCount_ != -1) {
            ++refCount_;
        }
        return refCount_;
    }
    // Drops one stored reference; true when that destroyed the value.
    [[gnu::always_inline]] virtual bool release() final {
        if (refCount_ < 0) {
            return false;  // shared constant or already dead
        }
        if (refCount_ > 0 && --refCount_ != 0) {
            if ((cycleFlags_ & (kCycleTraversable | kCycleBuffered)) == kCycleTraversable) {
                kvAddCandidate(this);  // what is left may be a cycle
            }
            return false;
        }
        destroy();
        return true;
    }
    virtual int32_t compare(KvBaseObject* other) const { return -1; }
    virtual KvBaseObject* compareMethod(const KvArgList& args);
    virtual bool isCallable() const { return false; }
    virtual bool isNativeCallable() const { return false; }
    virtual bool isScriptCallable() const { return false; }
    virtual bool isClass() const { return false; }
    virtual KvBaseObject* newInstance(IKvVContext* context) { return nullptr; }
    virtual bool isInstance() const { return false; }
    virtual KvBaseObject* initFunction() { return nullptr; }
    virtual const KvMemberRecord* findMethod(std::u16string name) { return nullptr; }
    virtual KvBaseObject* getMethod(const std::u16string& name);
    virtual KvBaseObject* bindMethod(const KvMemberRecord* record) { return nullptr; }
    // The call protocol: a call returns one owned reference, never none.
    // Native method bodies return a fresh temporary, a stored value or a
    // shared constant; invokeNative turns that into the owned reference.
    virtual KvValueRef invokeNative(KvNativeMethod method, const KvArgList& args);
    virtual KvValueRef invoke(const KvArgList& args);
    // Cycle collection (objects/cycle_candidates.h): every counted reference
    // this value holds, the property table's included; and, for a value
    // found to be cyclic garbage, dropping those references.
    virtual void visitReferences(KvReferenceVisitor& visitor);
    virtual void dropReferences();

    // Script methods "bytes"/"toBytes": the byte form, or null without one.
    KvBaseObject* bytesMethod(const KvArgList& args);

    int32_t tag() const { return tag_; }
    int32_t refCount() const { return refCount_; }
    uint16_t allocationSize() const { return allocSize_; }
    bool isShared() const { return refCount_ == -1; }
    const PropertyTable* properties() const { return properties_; }

    // Drops a reference taken only to keep the value alive across some other
    // release (a result handed back from a call); never destroys, so a value
    // that reaches 0 becomes a temporary of the receiver again.
    void dropKeepAlive() {
        if (refCount_ > 0) {
            --refCount_;
        }
    }
    // For values created once and kept for the whole run.
    void makeShared() { refCount_ = -1; }

    // The cycle collector's bookkeeping: flags, position in the candidate
    // buffer, and the trial changes of the count while it examines a batch.
    bool isTraversable() const { return (cycleFlags_ & kCycleTraversable) != 0; }
    uint8_t cycleFlags() const { return cycleFlags_; }
    void setCycleFlags(uint8_t flags) { cycleFlags_ = flags; }
    uint32_t cycleIndex() const { return cycleIndex_; }
    void setCycleIndex(uint32_t index) { cycleIndex_ = index; }
    void adjustCountForCollector(int32_t delta) { refCount_ += delta; }

protected:
    void setTag(int32_t tag) { tag_ = tag; }
    void setAllocationSize(std::size_t size) { allocSize_ = static_cast<uint16_t>(size); }
    // For value types that can hold references in a cycle.
    void markTraversable() { cycleFlags_ |= kCycleTraversable; }

private:
    void destroy();

    PropertyTable* properties_ = nullptr;
    int32_t tag_ = kTagNull;
    uint16_t allocSize_ = 0;  // set by classes whose blocks skip the destructor
    uint8_t cycleFlags_ = 0;
    int32_t refCount_ = 0;
    uint32_t cycleIndex_ = 0;  // in the candidate buffer while buffered
};

// Starts loading value's count (and tag) into the cache for a loop about to
// read it: containers walking their elements use it a few elements ahead.
inline void kvPrefetchCount(const KvBaseObject* value) {
    __builtin_prefetch(value);
    __builtin_prefetch(reinterpret_cast<const char*>(value) + sizeof(KvBaseObject) - 1);
}

// Stores value in a reference-holding slot: the new reference is taken before
// the old one is dropped, so storing the same object again is harmless.
inline void kvAssignRef(KvBaseObject*& slot, KvBaseObject* value) {
    if (value) {
        value->addRef();
    }
    KvBaseObject* old = slot;
    slot = value;
    if (old) {
        old->release();
    }
}

}  // namespace kestrel
