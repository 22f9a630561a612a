// Out-of-line work of the instructions behind bit operators, "===", `this`
// as a value, tuple definitions, updates of a place evaluated once, and
// for-each loops.
#include "objects/bit_operations.h"
#include "objects/field_value.h"
#include "objects/list_value.h"
#include "objects/number.h"
#include "objects/shared_constants.h"
#include "vm/call_frame.h"
#include "vm/context.h"
#include "vm/each_cursor.h"
#include "vm/instance_value.h"
#include "vm/machine.h"
#include "vm/machine_stack.h"

namespace kestrel {

namespace {

KvBitOp bitOpOf(Opcode opcode) {
    switch (opcode) {
    case Opcode::BitOr: return KvBitOp::Or;
    case Opcode::BitXor: return KvBitOp::Xor;
    case Opcode::ShiftLeft: return KvBitOp::ShiftLeft;
    case Opcode::ShiftRight: return KvBitOp::ShiftRight;
    default: return KvBitOp::And;
    }
}

// The same type tag, for numbers also the same kind, and equal as "==" says.
bool strictlyEqual(KvBaseObject* left, KvBaseObject* right) {
    if (left->tag() != right->tag()) return false;
    KvObjNumber* a = asNumber(left);
    KvObjNumber* b = asNumber(right);
    if (a && b && a->kind() != b->kind()) return false;
    return left->equals(right);
}

}  // namespace

// Stack: left, right (BitNot: the operand alone).
void KvVirtualMachine::bitOperation(const Instruction& ins) {
    if (ins.opcode == Opcode::BitNot) {
        KvValueRef operand = popValue();
        pushRetained(kvBitNot(operand.get()));
        return;
    }
    KvValueRef right = popValue();
    KvValueRef left = popValue();
    pushRetained(kvBitOperation(bitOpOf(ins.opcode), left.get(), right.get()));
}

void KvVirtualMachine::strictEqual() {
    KvValueRef right = popValue();
    KvValueRef left = popValue();
    pushShared(kvBool(strictlyEqual(left.get(), right.get())));
}

// The instance of the running code's `this` context; null outside any.
void KvVirtualMachine::pushThis() {
    KvVBaseContext* context = frame_->context.get();
    KvBaseObject* self = context ? instanceOfContext(context->thisBaseContext()) : nullptr;
    pushRetained(self ? self : kvNull());
}

// Element n of a tuple definition's value: a list's item n (null past its
// end); any other value is its own item 0 and has nothing after it.
void KvVirtualMachine::tupleItem(const Instruction& ins) {
    KvValueRef source = popValue();
    const int64_t n = ins.intValue;
    KvBaseObject* item = kvNull();
    if (source->tag() == kTagList) {
        auto* list = static_cast<KvObjList*>(source.get());
        if (n >= 0 && static_cast<uint64_t>(n) < list->size() && list->item(static_cast<size_t>(n))) {
            item = list->item(static_cast<size_t>(n));
        }
    } else if (n == 0) {
        item = source.get();
    }
    pushRetained(item);
}

// Stack: place. Pushes what the place holds, keeping the place below it for
// the store that follows (a place is read through without being used up).
void KvVirtualMachine::peekRef() {
    KvBaseObject* place = frame_->stack.peek();
    if (!place) {
        pushShared(kvNull());
        return;
    }
    if (!isFieldValue(place)) {
        pushRetained(place);
        return;
    }
    KvBaseObject* read = place->value();  // the stack's reference keeps the field alive
    pushRetained(read ? read : kvNull());
}

void KvVirtualMachine::swapTop() {
    if (frame_->stack.count() < 2) return;
    KvBaseObject* top = frame_->stack.pop();
    KvBaseObject* below = frame_->stack.pop();
    frame_->stack.push(top);
    frame_->stack.push(below);
}

// Pops the range; the loop's cursor goes into the register.
void KvVirtualMachine::eachBegin(const Instruction& ins) {
    KvValueRef range = popValue();
    const int64_t r = ins.intValue;
    if (r < 0 || r >= CallFrame::kRegisterCount) return;
    frame_->generalReturn = true;
    frame_->registers[r] = kvMake<KvEachCursor>(range.get());
}

// Pushes the next element and true, or false alone once the range is done.
void KvVirtualMachine::eachNext(const Instruction& ins) {
    const int64_t r = ins.intValue;
    KvBaseObject* held = r >= 0 && r < CallFrame::kRegisterCount ? frame_->registers[r].get() : nullptr;
    KvValueRef item;
    if (held && held->tag() == kTagEachCursor) item = static_cast<KvEachCursor*>(held)->next();
    if (!item) {
        pushShared(kvFalse());
        return;
    }
    push(std::move(item));
    pushShared(kvTrue());
}

}  // namespace kestrel
