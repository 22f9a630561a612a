// Slot storage, alias binding, position and name resolution of contexts.
#include "vm/context.h"

#include <cstddef>
#include <new>
#include <unordered_map>
#include <type_traits>

#include "objects/base_object.h"
#include "vm/cycle_collector.h"
#include "vm/function_value.h"

namespace kestrel {

// Off unless a debugging aid sets it.
bool& showAllVariables() {
    static bool showAll = false;
    return showAll;
}

// The slots are gone before anything else is released: whatever reaches back
// into this context finds none.
inline void KvVBaseContext::freeSlotStorage() {
    // Slots are trivially destructible: nothing to run for them.
    allocated_ = 0;
    cycleFlags_ |= kSlotsFreed;
}

namespace {

// The contexts a module context keeps alive (its global slots alias theirs).
// Few contexts pin any, so they are kept here rather than in every context.
using PinTable = std::unordered_map<const KvVBaseContext*, std::vector<KvContextRef>>;
PinTable& pinTable() {
    static auto* table = new PinTable();
    return *table;
}

}  // namespace

// The slot values go first, then what they may reach back into: the `this`
// context, the class, the pinned contexts and last the parent.
KvVBaseContext::~KvVBaseContext() {
    if (cycleFlags_ & kCycleBuffered) forgetContextCandidate(this);
    dropSlotValues(slots(), allocated_);
    freeSlotStorage();
    if (this_ && this_ != this) this_->releaseRef();
    class_.reset();
    if (cycleFlags_ & kPinning) {
        auto found = pinTable().find(this);
        if (found != pinTable().end()) {
            std::vector<KvContextRef> pinned = std::move(found->second);
            pinTable().erase(found);
        }
    }
    parent_.reset();
}

// A context's death can release functions that release further contexts:
// those are queued and deleted by the outermost release, one at a time, so
// a long chain of closures never recurses on the native stack.
void KvVBaseContext::destroyUnreferenced() {
    if (draining_) {
        if (!pendingDeletes_) pendingDeletes_ = new std::vector<KvVBaseContext*>();
        pendingDeletes_->push_back(this);
        return;
    }
    draining_ = true;
    destroy(this);
    finishDraining();
}

// Destroys the contexts queued while draining, then ends the drain.
void KvVBaseContext::finishDraining() {
    while (pendingDeletes_ && !pendingDeletes_->empty()) {
        KvVBaseContext* next = pendingDeletes_->back();
        pendingDeletes_->pop_back();
        destroy(next);
    }
    draining_ = false;
}

static_assert(std::is_trivially_destructible<VariableSlot>::value,
              "inline slots are dropped without running destructors");

namespace {

// Chunks blocks are cut from (plain globals: no initialisation guard); a
// block costs exactly its size.
#ifndef __SANITIZE_ADDRESS__
char* chunkNext = nullptr;
char* chunkEnd = nullptr;
constexpr size_t kChunkBytes = 64 * 1024;
#endif

}  // namespace

static_assert(sizeof(KvVBaseContext) % alignof(VariableSlot) == 0, "trailing slots are aligned");
static_assert(alignof(KvVBaseContext) <= alignof(VariableSlot), "blocks cut from a chunk stay aligned");

// Under AddressSanitizer every block comes from the heap and goes back to
// it, so a context used after its release is reported instead of reused.
void* KvVBaseContext::takeBlock(uint8_t block) {
    const size_t size = sizeof(KvVBaseContext) + static_cast<size_t>(block) * sizeof(VariableSlot);
#ifdef __SANITIZE_ADDRESS__
    return ::operator new(size);
#else
    if (void* head = freeBlocks_[block]) {
        freeBlocks_[block] = *static_cast<void**>(head);
        return head;
    }
    if (static_cast<size_t>(chunkEnd - chunkNext) < size) {
        static auto* chunks = new std::vector<void*>();  // kept, so leak checkers see them reachable
        chunkNext = static_cast<char*>(::operator new(kChunkBytes));  // the rest of the old chunk is left over
        chunkEnd = chunkNext + kChunkBytes;
        chunks->push_back(chunkNext);
    }
    void* made = chunkNext;
    chunkNext += size;
    return made;
#endif
}

void KvVBaseContext::giveBackBlock(void* object, uint8_t block) {
#ifdef __SANITIZE_ADDRESS__
    (void)block;
    ::operator delete(object);
#else
    *static_cast<void**>(object) = freeBlocks_[block];
    freeBlocks_[block] = object;
#endif
}

void KvVBaseContext::destroy(KvVBaseContext* context) {
    const uint8_t block = context->block_;
    context->~KvVBaseContext();
    if (block == kHeapBlock) {
        ::operator delete(context);
    } else {
        giveBackBlock(context, block);
    }
}

// A block that is not on a free list: cut from a chunk, or from the heap.
KvVBaseContext* KvVBaseContext::createFromNewBlock(KvVBaseContext* parent, const ScopeTable* scope, int32_t count) {
    if (count > kTrailingSlots) {
        void* made = ::operator new(sizeof(KvVBaseContext) + static_cast<size_t>(count) * sizeof(VariableSlot));
        return ::new (made) KvVBaseContext(parent, scope, kHeapBlock);
    }
    auto block = static_cast<uint8_t>(count < 0 ? 0 : count);
    return ::new (takeBlock(block)) KvVBaseContext(parent, scope, block);
}

// The program is ending: module values go first, which breaks the cycles
// between module contexts and the functions stored in them.
void KvVBaseContext::releaseValues() {
    dropSlotValues(slots(), allocated_);
}

// No slot is left; the values must have been released already.
void KvVBaseContext::freeSlots() {
    freeSlotStorage();
}

// -1 for a name the scope does not declare or whose slot was not allocated.
int32_t KvVBaseContext::findSlotIndex(const std::u16string& name) const {
    if (!scope_) return -1;
    int32_t index = scope_->findSlot(name);
    return index < allocated_ ? index : -1;
}

// Follows a member path (1-based hidden base slots) from the `this` context.
static KvVBaseContext* walkMemberPath(KvVBaseContext* start, const KvVarPosition& position) {
    KvVBaseContext* context = start;
    auto step = [&context](uint32_t entry) {
        if (!context || entry == 0 || !context->hasSlot(static_cast<int32_t>(entry - 1))) {
            context = nullptr;
            return;
        }
        KvBaseObject* holder = context->slot(static_cast<int32_t>(entry - 1)).read();
        context = holder ? instanceContextOf(holder) : nullptr;
    };
    if (position.hasMemberPath) {
        for (int32_t i = 0; i < position.depth && context; ++i) {
            if (static_cast<size_t>(i) >= position.memberPath.size()) return nullptr;
            step(position.memberPath[static_cast<size_t>(i)]);
        }
    } else if (position.depth > 0) {
        step(static_cast<uint32_t>(position.depth));
    }
    return context;
}

// The slot a compiled position names: through `this` and its hidden base
// slots for members, else up the parent chain; null when it does not exist.
VariableSlot* KvVBaseContext::resolvePosition(const KvVarPosition* position) {
    if (!position || !position->resolved()) return nullptr;
    KvVBaseContext* context = this;
    if (position->member) {
        context = walkMemberPath(this_, *position);
    } else {
        for (int32_t up = position->depth; up < 0 && context; ++up) context = context->parent();
    }
    int32_t index = static_cast<int32_t>(position->slot);
    if (!context || !context->hasSlot(index)) return nullptr;
    VariableSlot* found = &context->slots()[index];
    if (!found->isAlias() && found->value && isUnboundMethod(found->value)) bindSharedMethod(*context, *found);
    return found;
}

// Stores through a position; false when it names no slot.
bool KvVBaseContext::assignThroughPosition(const KvVarPosition* position, KvBaseObject* value) {
    VariableSlot* target = resolvePosition(position);
    if (!target) return false;
    target->store(value);  // counted, so the old value cannot leak or dangle
    return true;
}

// A slot of this context aliases one of the pinned context: it must outlive this one.
void KvVBaseContext::pin(KvVBaseContext* context) {
    if (!context || context == this) return;
    cycleFlags_ |= kPinning;
    pinTable()[this].push_back(KvContextRef::retain(context));
}

void KvVBaseContext::visitReferences(KvReferenceVisitor& visitor) {
    for (int32_t i = 0; i < allocated_; ++i) {
        const VariableSlot& s = slots()[i];
        if (!s.isAlias() && s.value) visitor.value(s.value);
    }
    if (parent_) visitor.context(parent_.get());
    if (this_ && this_ != this) visitor.context(this_);
    if (class_) visitor.value(class_.get());
    if (cycleFlags_ & kPinning) {
        auto found = pinTable().find(this);
        if (found != pinTable().end()) {
            for (const KvContextRef& pinned : found->second) visitor.context(pinned.get());
        }
    }
}

std::u16string KvVBaseContext::dump() const {
    std::u16string text;
    if (!scope_) return text;
    bool first = true;
    for (const VariableDecl* decl : scope_->slotOrder) {
        if (decl->visibility > 0 && !showAllVariables()) continue;
        if (!first) text += u"\r\n";
        first = false;
        text += decl->name + u": ";
        KvBaseObject* held = decl->slot >= 0 && decl->slot < allocated_
                                 ? const_cast<KvVBaseContext*>(this)->slots()[decl->slot].read() : nullptr;
        text += held ? held->detailString(1) : u"<nil>";
    }
    return text;
}

std::unique_ptr<KvVarPosition> KvVBaseContext::resolveName(const std::u16string& name,
                                                           int32_t line, int32_t column) {
    int32_t index = findSlotIndex(name);
    if (index >= 0) return std::make_unique<KvVarPosition>(0, static_cast<uint32_t>(index));
    if (!parent_) return nullptr;
    std::unique_ptr<KvVarPosition> outer = parent_->resolveName(name, 0xFFFF, 0xFFFF);
    if (outer) --outer->depth;
    return outer;
}

}  // namespace kestrel
