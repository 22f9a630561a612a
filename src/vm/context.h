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

#include "objects/cycle_candidates.h"
#include "objects/value_ref.h"
#include "vm/activation_plan.h"
#include "vm/scope_table.h"
#include "vm/var_position.h"
#include "vm/variable_slot.h"

namespace kestrel {

class KvBaseObject;
class KvReferenceVisitor;
class KvVBaseContext;
void noteContextCandidate(KvVBaseContext* context);

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
    // A context with its slots in the same block, right after it. Contexts
    // are made and dropped on every call, and an instance keeps one for its
    // life: blocks of up to kTrailingSlots slots are cut from large chunks
    // and recycled, with no per-block heap header; larger ones are heap blocks.
    // Inline: a recycled block is taken on every script call.
    static KvVBaseContext* create(KvVBaseContext* parent, const ScopeTable* scope) {
        return create(parent, scope, scope ? scope->slotCount() : 0);
    }
    // count: the scope's slot count, known to the caller.
    static KvVBaseContext* create(KvVBaseContext* parent, const ScopeTable* scope, int32_t count) {
#ifndef __SANITIZE_ADDRESS__
        if (count <= kTrailingSlots) {
            const auto block = static_cast<uint8_t>(count < 0 ? 0 : count);
            if (void* head = freeBlocks_[block]) {
                freeBlocks_[block] = *static_cast<void**>(head);
                return ::new (head) KvVBaseContext(parent, scope, block);
            }
        }
#endif
        return createFromNewBlock(parent, scope, count);
    }
    ~KvVBaseContext() override;
    KvVBaseContext(const KvVBaseContext&) = delete;
    KvVBaseContext& operator=(const KvVBaseContext&) = delete;

    // Inline: every script call makes a context.
    void allocateSlots() override {
        const int32_t count = scopeCount();
        if (count <= 0 || allocated_ > 0 || (cycleFlags_ & kSlotsFreed)) return;
        VariableSlot* slots = this->slots();
        KvBaseObject* null = kvNull();
        for (int32_t i = 0; i < count; ++i) new (&slots[i]) VariableSlot{null};
        allocated_ = count;
    }
    // A new function activation's slots (instead of allocateSlots): the
    // arguments' references move into the parameter slots, as many as there
    // are both, and every other slot holds null. Returns how many moved; the
    // rest stay the caller's.
    int32_t startActivation(KvBaseObject* const* args, int32_t n) {
        const int32_t count = scopeCount();
        VariableSlot* slots = this->slots();
        KvBaseObject* null = kvNull();
        for (int32_t i = 0; i < count; ++i) new (&slots[i]) VariableSlot{null};
        allocated_ = count > 0 ? count : 0;
        if (count <= 0) return 0;
        const auto params = static_cast<int32_t>(scope_->parameters.size());
        const int32_t taken = n < params ? n : params;
        VariableSlot* first = slots + scope_->firstParameterSlot;
        for (int32_t i = 0; i < taken; ++i) first[i].value = args[i];
        return taken;
    }
    // A planned activation's slots (instead of startActivation): the plan's
    // words (null or aliases), then the arguments' references moved into the
    // parameter slots; the call passes exactly the parameters. True when an
    // argument is a field (a member or element reference), which the caller
    // then reads in its slot.
    [[gnu::always_inline]] bool startPlannedActivation(const ActivationPlan& plan, KvBaseObject* const* args) {
        VariableSlot* slots = this->slots();
        const int32_t count = plan.slotCount;
        assumeSmall(count);
        assumeSmall(plan.parameters);
        copyWords(slots, plan.initial, count);  // at most kMaxSlots words
        VariableSlot* first = slots + plan.firstParameterSlot;
        bool fields = false;
        // Unrolled as copyWords is (parameters <= slotCount <= kMaxSlots).
        switch (plan.parameters) {
#define KV_MOVE_ARG(i)                                                            \
    case (i) + 1:                                                                 \
        fields |= args[i]->tag() == kTagField || args[i]->tag() == kTagPosField; \
        first[i].value = args[i];                                                 \
        [[fallthrough]];
            KV_MOVE_ARG(7) KV_MOVE_ARG(6) KV_MOVE_ARG(5) KV_MOVE_ARG(4)
            KV_MOVE_ARG(3) KV_MOVE_ARG(2) KV_MOVE_ARG(1) KV_MOVE_ARG(0)
#undef KV_MOVE_ARG
        default: break;
        }
        allocated_ = count;
        return fields;
    }
    // The scope's count until the slots are freed, then 0.
    int32_t slotCount() const override { return (cycleFlags_ & kSlotsFreed) ? 0 : scopeCount(); }
    void releaseValues() override;
    void freeSlots() override;
    int32_t findSlotIndex(const std::u16string& name) const override;
    VariableSlot* resolvePosition(const KvVarPosition* position) override;
    VariableSlot* slotAt(int32_t index) override { return &slots()[index]; }
    bool assignThroughPosition(const KvVarPosition* position, KvBaseObject* value) override;
    // Inline: every call binds its function's free names.
    void bindSlot(int32_t index, VariableSlot* target) override {
        if (!hasSlot(index) || !target) return;
        VariableSlot& own = slots()[index];
        if (target->finalSlot() == &own) return;  // already that slot, or a cycle
        KvBaseObject* old = own.isAlias() ? nullptr : own.value;
        own.makeAlias(target);
        if (old) old->release();
    }
    // Counted store into a slot (through its aliases); a bad index does
    // nothing. Inline: every new instance's fields are stored through it.
    void storeValue(int32_t index, KvBaseObject* value) override {
        if (hasSlot(index)) slots()[index].store(value);
    }
    IKvVContext* thisContext() const override { return this_; }
    KvBaseObject* instanceClass() const override { return class_.get(); }
    // Holds a reference on the class: methods search its bases after the
    // instance is gone. Inline: every new instance sets it.
    void setInstanceClass(KvBaseObject* cls) override { class_ = KvValueRef::retain(cls); }
    IKvVContext* parentContext() const override { return parent_.get(); }
    std::u16string dump() const override;
    std::unique_ptr<KvVarPosition> resolveName(const std::u16string& name, int32_t line,
                                               int32_t column) override;

    // The machine's unchecked fast paths; the index is checked by the caller.
    bool hasSlot(int32_t index) const { return static_cast<uint32_t>(index) < static_cast<uint32_t>(allocated_); }
    VariableSlot& slot(int32_t index) { return slots()[index]; }
    bool ownsSlot(const VariableSlot* slot) const {
        auto at = reinterpret_cast<uintptr_t>(slot), first = reinterpret_cast<uintptr_t>(this + 1);
        return at >= first && at < first + static_cast<uintptr_t>(allocated_) * sizeof(VariableSlot);
    }
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
    // Drops one reference (or count); the context is deleted when none is
    // left, and is a cycle candidate when some are.
    void releaseRef() { releaseRefs(1); }
    void releaseRefs(int32_t count) {
        if ((refs_ -= count) == 0) {
            destroyUnreferenced();
        } else if ((cycleFlags_ & (kCycleTraversable | kCycleBuffered)) == kCycleTraversable) {
            noteContextCandidate(this);
        }
    }
    int32_t refs() const { return refs_; }
    // The frame that ran a function activation lets go of it. Most
    // activations die here holding only slot values, a parent and a `this`:
    // that case is taken in one step, without the general release's checks.
    // A context the releases below destroy queues behind any drain already
    // running or drains its own (destroyUnreferenced), so the nesting stays
    // one level deep without this one taking part in the drain.
    // Inline: every script call's end takes it.
    [[gnu::always_inline]] void releaseActivation() {
#ifndef __SANITIZE_ADDRESS__
        if (refs_ == 1 && cycleFlags_ == kCycleTraversable && !class_ && block_ != kHeapBlock) {
            refs_ = 0;
            // Nothing else holds the context, and with no slot left nothing
            // could read one: the values are released where they lie.
            const int32_t count = allocated_;
            assumeSmall(count);  // a block's slots, and this is a small block
            allocated_ = 0;
            VariableSlot* slots = this->slots();
            switch (count) {  // count <= kTrailingSlots: a small block
#define KV_RELEASE_SLOT(i) \
    case (i) + 1:          \
        if (!slots[i].isAlias()) slots[i].value->release(); \
        [[fallthrough]];
                KV_RELEASE_SLOT(7) KV_RELEASE_SLOT(6) KV_RELEASE_SLOT(5) KV_RELEASE_SLOT(4)
                KV_RELEASE_SLOT(3) KV_RELEASE_SLOT(2) KV_RELEASE_SLOT(1) KV_RELEASE_SLOT(0)
#undef KV_RELEASE_SLOT
            default: break;
            }
            // A shared method's activation holds its receiver twice, as parent
            // and as `this`: both references go in one step (one candidate
            // check instead of two).
            KvVBaseContext* parent = parent_.detach();
            if (this_ == parent) {
                if (parent) parent->releaseRefs(2);
            } else {
                if (this_) this_->releaseRef();  // never this context: it is no instance's
                if (parent) parent->releaseRef();
            }
            // What is left (the class handle, the pins) holds nothing: the
            // block is reused without running the destructor.
            const uint8_t block = block_;
            *reinterpret_cast<void**>(this) = freeBlocks_[block];
            freeBlocks_[block] = this;
            return;
        }
#endif
        releaseRef();
    }

    // Cycle collection (vm/cycle_collector.h): every counted reference this
    // context holds (slot values, parent, `this`, class, pinned contexts).
    void visitReferences(KvReferenceVisitor& visitor);
    bool isTraversable() const { return (cycleFlags_ & kCycleTraversable) != 0; }
    // A module context: held by the program for the whole run, never examined.
    void markHeldByProgram() { cycleFlags_ &= static_cast<uint8_t>(~kCycleTraversable); }
    uint8_t cycleFlags() const { return cycleFlags_; }
    void setCycleFlags(uint8_t flags) { cycleFlags_ = flags; }
    // Flag bits of the context's own, beside the collector's.
    static constexpr uint8_t kSlotsFreed = 16;
    static constexpr uint8_t kPinning = 32;  // pinned contexts kept in a side table
    uint32_t cycleIndex() const { return cycleIndex_; }
    void setCycleIndex(uint32_t index) { cycleIndex_ = index; }
    void adjustRefsForCollector(int32_t delta) { refs_ += delta; }

private:
    void destroyUnreferenced();
    static void finishDraining();
    void freeSlotStorage();

    KvContextRef parent_;
    // Counted unless it is this context itself (an instance's own context),
    // which a handle could not hold without keeping itself alive.
    KvVBaseContext* this_ = nullptr;
    static constexpr int32_t kTrailingSlots = 8;
    static_assert(kTrailingSlots == 8 && ActivationPlan::kMaxSlots == kTrailingSlots,
                  "the unrolled slot loops cover every small block, and a plan's activation is one");
    static constexpr uint8_t kHeapBlock = 0xFF;
    KvVBaseContext(KvVBaseContext* parent, const ScopeTable* scope, uint8_t block)
        : parent_(KvContextRef::retain(parent)), scope_(scope), block_(block) {}
    static KvVBaseContext* createFromNewBlock(KvVBaseContext* parent, const ScopeTable* scope, int32_t count);
    // Values are detached before they are released, so a destructor that
    // reaches back into the context sees null, never a value being destroyed.
    static void dropSlotValues(VariableSlot* slots, int32_t count) {
        for (int32_t i = 0; i < count; ++i) {
            VariableSlot& s = slots[i];
            if (s.isAlias()) continue;
            KvBaseObject* held = s.value;
            s.value = kvNull();
            if (held) held->release();
        }
    }
    // What plans and small blocks guarantee, told to the compiler so the
    // unrolled copies below need no range check.
    [[gnu::always_inline]] static void assumeSmall(int32_t count) {
        if (count < 0 || count > kTrailingSlots) __builtin_unreachable();
    }
    // Copies count (at most ActivationPlan::kMaxSlots) slot words, unrolled:
    // a loop costs more than the two or three words most activations have.
    [[gnu::always_inline]] static void copyWords(VariableSlot* to, const VariableSlot* from, int32_t count) {
        static_assert(ActivationPlan::kMaxSlots == 8, "the cases below cover every count");
        switch (count) {
        case 8: to[7] = from[7]; [[fallthrough]];
        case 7: to[6] = from[6]; [[fallthrough]];
        case 6: to[5] = from[5]; [[fallthrough]];
        case 5: to[4] = from[4]; [[fallthrough]];
        case 4: to[3] = from[3]; [[fallthrough]];
        case 3: to[2] = from[2]; [[fallthrough]];
        case 2: to[1] = from[1]; [[fallthrough]];
        case 1: to[0] = from[0]; [[fallthrough]];
        default: break;
        }
    }
    // A recycled block is the context, then room for `block` slots.
    static void* takeBlock(uint8_t block);
    static void giveBackBlock(void* object, uint8_t block);
    // Runs the destructor and gives the block back the way it was taken.
    static void destroy(KvVBaseContext* context);
    // The slots follow the context in its block (create made room for them).
    VariableSlot* slots() { return reinterpret_cast<VariableSlot*>(this + 1); }
    const VariableSlot* slots() const { return reinterpret_cast<const VariableSlot*>(this + 1); }
    int32_t scopeCount() const { return scope_ ? scope_->slotCount() : 0; }

    const ScopeTable* scope_;
    KvValueRef class_;
    KvBaseObject* self_ = nullptr;  // no reference held
    int32_t allocated_ = 0;
    int32_t refs_ = 1;
    uint32_t cycleIndex_ = 0;  // in the candidate buffer while buffered
    uint8_t cycleFlags_ = kCycleTraversable;
    uint8_t block_;  // the free list it goes back to, or kHeapBlock

    // Free blocks by trailing capacity, linked through their first word.
    // Blocks are cut from chunks and never handed back to the heap.
    static inline void* freeBlocks_[kTrailingSlots + 1] = {};
    // A context's death can release functions that release further
    // contexts: while one is being destroyed, the others are queued.
    static inline bool draining_ = false;
    static inline std::vector<KvVBaseContext*>* pendingDeletes_ = nullptr;  // made on first use, kept
};

inline void KvRefCounting<KvVBaseContext>::retain(KvVBaseContext* context) { context->retain(); }
inline void KvRefCounting<KvVBaseContext>::drop(KvVBaseContext* context) { context->releaseRef(); }

// The context of a script instance, or null for any other value.
KvVBaseContext* instanceContextOf(KvBaseObject* value);

// Show every variable in dumps, hidden ones included (off unless set).
bool& showAllVariables();

}  // namespace kestrel
