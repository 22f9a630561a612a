// Execution contexts: the slot array of one function activation, module or
// instance, chained to its parent. Contexts are reference counted: frames,
// child contexts and function values hold them, so a closure never outlives
// the slots it reads. A context holds one reference on its parent and on its
// `this` context (unless that is itself).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "objects/value_ref.h"
#include "vm/scope_table.h"
#include "vm/var_position.h"
#include "vm/variable_slot.h"

namespace kestrel {

class KvBaseObject;
class KvVBaseContext;

// Contexts are born holding one reference (their creator's); defined below.
template <>
struct KvRefCounting<KvVBaseContext> {
    static constexpr bool kBornOwned = true;
    static void retain(KvVBaseContext* context);
    static void drop(KvVBaseContext* context);
};
using KvContextRef = KvRef<KvVBaseContext>;

class IKvVContext {
public:
    virtual ~IKvVContext() = default;
    virtual void allocateSlots() = 0;
    virtual int32_t slotCount() const = 0;
    virtual void releaseValues() = 0;
    virtual void freeSlots() = 0;
    virtual int32_t findSlotIndex(const std::u16string& name) const = 0;
    virtual VariableSlot* resolvePosition(const KvVarPosition* position) = 0;
    virtual VariableSlot* slotAt(int32_t index) = 0;
    virtual bool assignThroughPosition(const KvVarPosition* position, KvBaseObject* value) = 0;
    virtual void bindSlot(int32_t index, VariableSlot* target) = 0;
    virtual void storeValue(int32_t index, KvBaseObject* value) = 0;
    virtual IKvVContext* thisContext() const = 0;
    virtual KvBaseObject* instanceClass() const = 0;
    virtual void setInstanceClass(KvBaseObject* cls) = 0;
    virtual IKvVContext* parentContext() const = 0;
    virtual std::u16string dump() const = 0;
    // Null when no context of the chain declares the name; the caller owns the result.
    virtual std::unique_ptr<KvVarPosition> resolveName(const std::u16string& name, int32_t line,
                                                       int32_t column) = 0;
};

class KvVBaseContext final : public IKvVContext {
public:
    KvVBaseContext(KvVBaseContext* parent, const ScopeTable* scope);
    ~KvVBaseContext() override;
    // Contexts are made and dropped on every call: recycled blocks, no heap.
    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size);
    KvVBaseContext(const KvVBaseContext&) = delete;
    KvVBaseContext& operator=(const KvVBaseContext&) = delete;

    // Inline: every script call makes a context.
    void allocateSlots() override {
        if (count_ <= 0 || slots_) return;
        if (count_ > kInlineSlots) {
            slots_ = new VariableSlot[count_];
        } else {
            slots_ = reinterpret_cast<VariableSlot*>(inlineStorage_);
            KvBaseObject* null = kvNull();
            for (int32_t i = 0; i < count_; ++i) new (&slots_[i]) VariableSlot{false, null, nullptr, nullptr};
        }
        allocated_ = count_;
    }
    int32_t slotCount() const override { return count_; }
    void releaseValues() override;
    void freeSlots() override;
    int32_t findSlotIndex(const std::u16string& name) const override;
    VariableSlot* resolvePosition(const KvVarPosition* position) override;
    VariableSlot* slotAt(int32_t index) override { return &slots_[index]; }
    bool assignThroughPosition(const KvVarPosition* position, KvBaseObject* value) override;
    // Inline: every call binds its function's free names.
    void bindSlot(int32_t index, VariableSlot* target) override {
        if (!hasSlot(index) || !target) return;
        VariableSlot& own = slots_[index];
        if (target->finalSlot() == &own) return;  // already that slot, or a cycle
        KvBaseObject* old = own.isAlias ? nullptr : own.value;
        own.isAlias = true;
        own.target = target;
        own.value = nullptr;
        if (old) old->release();
    }
    void storeValue(int32_t index, KvBaseObject* value) override;
    IKvVContext* thisContext() const override { return this_; }
    KvBaseObject* instanceClass() const override { return class_.get(); }
    // Holds a reference on the class: methods search its bases after the instance is gone.
    void setInstanceClass(KvBaseObject* cls) override;
    IKvVContext* parentContext() const override { return parent_.get(); }
    std::u16string dump() const override;
    std::unique_ptr<KvVarPosition> resolveName(const std::u16string& name, int32_t line,
                                               int32_t column) override;

    // The machine's unchecked fast paths; the index is checked by the caller.
    bool hasSlot(int32_t index) const { return index >= 0 && index < allocated_; }
    VariableSlot& slot(int32_t index) { return slots_[index]; }
    KvVBaseContext* parent() const { return parent_.get(); }
    KvVBaseContext* thisBaseContext() const { return this_; }
    const ScopeTable* scope() const { return scope_; }
    // Sets the `this` context, holding it unless it is this context itself.
    void setThisContext(KvVBaseContext* context) {
        if (context == this_) return;
        if (context && context != this) context->retain();
        if (this_ && this_ != this) this_->releaseRef();
        this_ = context;
    }
    // Keeps another context alive while this one lives (slots aliased into it).
    void pin(KvVBaseContext* context);
    // The instance whose members this context holds, or none. Not counted:
    // the instance owns its context, so a counted link back would keep both
    // alive for ever; the instance clears it when it goes.
    KvBaseObject* self() const { return self_; }
    void setSelf(KvBaseObject* instance) { self_ = instance; }

    // Lifetime: the creator holds the first reference.
    void retain() { ++refs_; }
    // Drops one reference; the context is deleted when none is left.
    void releaseRef() {
        if (--refs_ == 0) destroyUnreferenced();
    }
    int32_t refs() const { return refs_; }
    // Set while a cycle check considers this context a candidate.
    bool suspect = false;
    int32_t mark = 0;  // scratch of the cycle check

private:
    void destroyUnreferenced();
    void freeSlotStorage();

    KvContextRef parent_;
    // Counted unless it is this context itself (an instance's own context),
    // which a handle could not hold without keeping itself alive.
    KvVBaseContext* this_ = nullptr;
    static constexpr int32_t kInlineSlots = 4;
    VariableSlot* slots_ = nullptr;  // inlineStorage_ or a heap array
    alignas(VariableSlot) unsigned char inlineStorage_[kInlineSlots * sizeof(VariableSlot)];
    const ScopeTable* scope_;
    int32_t count_;
    int32_t allocated_ = 0;
    KvValueRef class_;
    KvBaseObject* self_ = nullptr;  // no reference held
    int32_t refs_ = 1;
    std::vector<KvContextRef> pinned_;
};

inline void KvRefCounting<KvVBaseContext>::retain(KvVBaseContext* context) { context->retain(); }
inline void KvRefCounting<KvVBaseContext>::drop(KvVBaseContext* context) { context->releaseRef(); }

// The context of a script instance, or null for any other value.
KvVBaseContext* instanceContextOf(KvBaseObject* value);

// Show every variable in dumps, hidden ones included (off unless set).
bool& showAllVariables();

}  // namespace kestrel
