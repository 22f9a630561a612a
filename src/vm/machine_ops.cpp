// Out-of-line instruction work: constants, mixed arithmetic and comparison,
// scopes, functions, classes and instances, lists and maps, member and
// element references, dynamic names, throw, import.
#include "objects/arithmetic.h"
#include "objects/field_value.h"
#include "objects/instance_members.h"
#include "objects/list_value.h"
#include "objects/map_value.h"
#include "objects/number.h"
#include "objects/number_floating.h"
#include "objects/number_integer.h"
#include "objects/shared_constants.h"
#include "objects/string_value.h"
#include "vm/call_args.h"
#include "vm/class_value.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/context_cycles.h"
#include "vm/exception_value.h"
#include "vm/machine_messages.h"
#include "vm/function_binding.h"
#include "vm/function_value.h"
#include "vm/instance_value.h"
#include "vm/machine.h"
#include "vm/machine_stack.h"

namespace kestrel {

namespace {

KvBaseObject* makeConstant(const Instruction& ins) {
    switch (ins.opcode) {
    case Opcode::PushInt:
        return kvInt(static_cast<int32_t>(ins.intValue));
    case Opcode::PushLong:
        return new KvObjLong(ins.intValue);
    case Opcode::PushFloat:
        return new KvObjFloat(static_cast<float>(ins.floatValue));
    case Opcode::PushDouble:
        return new KvObjDouble(ins.floatValue);
    case Opcode::PushString:
        return new KvObjString(kvUnescapeLiteral(ins.text));
    default:
        return kvNull();
    }
}

}  // namespace

KvBaseObject* KvVirtualMachine::constant(const Instruction& ins, int32_t position) {
    CodeCacheEntry& entry = frame_->unit->cache(position);
    if (!entry.value) {
        entry.value = makeConstant(ins);
        if (!entry.value) entry.value = kvNull();  // out of memory
        entry.value->addRef();
    }
    return entry.value;
}

// `s = s + x` with s a local string that nothing else holds: the result
// would replace the only other reference to the left operand, so the text
// grows in place instead of being copied (a loop building a text this way
// is linear, not quadratic). Holders: the slot and the popped operand.
bool KvVirtualMachine::appendInPlace(KvBaseObject* left, KvBaseObject* right) {
    if (left->tag() != kTagString || left->refCount() != 2 || left == right) return false;
    if (frame_->pc >= frame_->codeCount) return false;
    const Instruction& next = frame_->code[frame_->pc];
    KvVBaseContext* context = frame_->context;
    if (next.opcode != Opcode::StoreLocal || !context) return false;
    int32_t slot = static_cast<int32_t>(next.intValue);
    if (!context->hasSlot(slot) || context->slot(slot).read() != left) return false;
    static_cast<KvObjString*>(left)->appendText(right->toString());
    return true;
}

// False when an integer division by zero must be raised.
bool KvVirtualMachine::arithmetic(int32_t opcode, const Instruction&) {
    KvBaseObject* right = popValue();
    KvBaseObject* left = popValue();
    if (opcode == static_cast<int32_t>(Opcode::Add) && appendInPlace(left, right)) {
        pushOwned(left);
        right->release();
        return true;
    }
    auto op = static_cast<KvArithOp>(opcode - static_cast<int32_t>(Opcode::Add));
    KvArithResult result = kvArithmetic(op, left, right);
    if (result.status == KvArithStatus::Ok) push(result.value);
    left->release();
    right->release();
    return result.status == KvArithStatus::Ok;
}

void KvVirtualMachine::compare(const Instruction& ins) {
    KvBaseObject* right = popValue();
    KvBaseObject* left = popValue();
    bool result = false;
    if (ins.opcode == Opcode::Equal || ins.opcode == Opcode::NotEqual) {
        bool equal = left->tag() == right->tag() && left->equals(right);
        result = equal == (ins.opcode == Opcode::Equal);
    } else if (KvObjNumber* a = asNumber(left)) {
        if (KvObjNumber* b = asNumber(right)) {
            bool less = a->lessThan(b), greater = b->lessThan(a);
            bool equal = a->equals(b);
            result = ins.opcode == Opcode::Less      ? less
                     : ins.opcode == Opcode::Greater ? greater
                     : ins.opcode == Opcode::LessEqual ? (less || equal)
                                                       : (greater || equal);
        }
    }
    left->release();
    right->release();
    push(kvBool(result));
}

void KvVirtualMachine::enterScope(const Instruction& ins) {
    auto* context = new KvVBaseContext(nullptr, ins.scope);
    context->allocateSlots();
    program_->enterModule(context);
    frame_->setContext(context);  // the frame adopts the creation reference
}

void KvVirtualMachine::makeFunction(const Instruction& ins, int32_t position) {
    const FunctionDescriptor* descriptor = ins.function;
    if (!descriptor) {
        frame_->stack.push(kvNull());
        return;
    }
    KvVBaseContext* context = frame_->context;
    auto* function = new KvObjFunc(descriptor, frame_->unit, position, context,
                                   context ? context->thisBaseContext() : nullptr);
    if (descriptor->slot >= 0) {
        if (context) context->storeValue(descriptor->slot, function);
        function->releaseTemporary();  // no context to keep it: nothing can reach it
    } else {
        push(function);
    }
}

// The popped values go in front one by one, so the list keeps source order.
void KvVirtualMachine::makeList(const Instruction& ins) {
    int64_t wanted = ins.intValue;
    int32_t available = static_cast<int32_t>(frame_->stack.count());
    int32_t n = wanted < 0 ? 0 : (wanted > available ? available : static_cast<int32_t>(wanted));
    CallArgs items(n);
    for (int32_t i = n - 1; i >= 0; --i) items.items[i] = popValue();
    auto* list = new KvObjList();
    for (int32_t i = 0; i < n; ++i) list->append(items.items[i]);
    push(list);
}

// The key text arrives unescaped from the compiler, like a string constant's.
void KvVirtualMachine::mapPut(const Instruction& ins, int32_t) {
    KvBaseObject* value = popValue();
    KvBaseObject* target = frame_->stack.peek();
    if (target && target->tag() == kTagMap) static_cast<KvObjMap*>(target)->set(ins.text, value);
    value->release();
}

void KvVirtualMachine::memberRef(const Instruction& ins, int32_t position) {
    KvBaseObject* owner = popValue();
    if (owner->tag() == kTagNull) {
        pushOwned(owner);
        return;
    }
    CodeCacheEntry& entry = frame_->unit->cache(position);
    const KvMemberBinding* cached = entry.binding.get();
    bool instance = owner->tag() == kTagLocalObject;
    if (!instance || !cached || cached->classSerial != static_cast<KvObjLocalObject*>(owner)->classSerial()) {
        entry.binding = bindMember(entry.binding, *owner, ins.text);
    }
    // A method of a script instance reads as its function value and cannot be
    // assigned, so the function itself stands for the field.
    if (instance && entry.binding->kind == kFieldScriptMethod) {
        KvBaseObject* method = static_cast<KvObjLocalObject*>(owner)->instanceMember(*entry.binding);
        if (method && method->tag() == kTagFunc) {
            push(method);
            owner->release();
            return;
        }
    }
    push(new KvObjField(owner, entry.binding));
    owner->release();
}

void KvVirtualMachine::indexRef(const Instruction& ins) {
    int64_t wanted = ins.intValue;
    if (wanted <= 0) {
        popRaw()->release();
        frame_->stack.push(kvNull());
        return;
    }
    int32_t available = static_cast<int32_t>(frame_->stack.count()) - 1;
    int32_t n = wanted > available ? (available < 0 ? 0 : available) : static_cast<int32_t>(wanted);
    std::vector<KvBaseObject*> indexes(static_cast<size_t>(n));
    for (int32_t i = n - 1; i >= 0; --i) indexes[static_cast<size_t>(i)] = popValue();
    KvBaseObject* target = popValue();
    push(new KvObjPosField(target, indexes));  // the field takes its own references
    for (KvBaseObject* index : indexes) index->release();
    target->release();
}

// Stack: value, reference. Anything but a field as the target changes nothing.
void KvVirtualMachine::assignRef(const Instruction& ins) {
    KvBaseObject* reference = popRaw();
    KvBaseObject* value = popValue();
    if (reference->tag() == kTagField || reference->tag() == kTagPosField) {
        static_cast<IKvObjField*>(reference)->assign(value);
    }
    reference->release();
    if (ins.discard) {
        value->release();
    } else {
        pushOwned(value);
    }
}

// The scopes from context up through `levels` parents: a cached position is
// only valid in a chain of the same shape (class bodies run in contexts
// whose parents differ from one creation site to the next).
static std::vector<const ScopeTable*> scopeChain(KvVBaseContext* context, int32_t levels) {
    std::vector<const ScopeTable*> chain;
    for (int32_t i = 0; context && i <= levels; ++i, context = context->parent()) {
        chain.push_back(context->scope());
    }
    return chain;
}

std::u16string KvVirtualMachine::loadName(const Instruction& ins, int32_t position) {
    KvVBaseContext* context = frame_->context;
    if (!context) return objectNotFoundMessage(ins.text);
    CodeCacheEntry& entry = frame_->unit->cache(position);
    if (entry.position && scopeChain(context, -entry.position->depth) != entry.scopes) {
        entry.position.reset();
    }
    if (!entry.position) {
        entry.position = context->resolveName(ins.text, ins.line, 0);
        if (entry.position) entry.scopes = scopeChain(context, -entry.position->depth);
    }
    VariableSlot* slot = context->resolvePosition(entry.position.get());
    if (!slot) return objectNotFoundMessage(ins.text);
    push(slot->read());
    return std::u16string();
}

// One owned reference on the exception to raise.
KvBaseObject* KvVirtualMachine::makeThrown(const Instruction& ins) {
    KvBaseObject* extra = ins.intValue == 2 ? popValue() : nullptr;
    KvBaseObject* thrown = popValue();
    if (!extra && thrown->tag() == kTagException) return thrown;
    auto* exception = new KvObjException(thrown->toString());
    exception->addRef();
    if (extra) {
        exception->setExtra(extra);
        extra->release();
    }
    thrown->release();
    return exception;
}

std::u16string KvVirtualMachine::import(const Instruction& ins) {
    const ImportDescriptor* descriptor = ins.import;
    if (!descriptor) return std::u16string();
    if (descriptor->kind != ImportKind::Script) {
        return loadModuleFailedMessage(descriptor->name);  // native libraries arrive later
    }
    const ScriptModuleLoader& loader = scriptModuleLoader();
    const std::u16string& importer = frame_->unit->moduleKey();
    if (!loader) return loadModuleFailedMessage(descriptor->name);  // no loader installed
    ScriptModuleLoad loaded = loader(descriptor->name, importer);
    if (!loaded.ok || !loaded.module) return loadModuleFailedMessage(descriptor->name);
    // Marked before it runs, so a cycle of imports ends.
    if (!program_->markExecuted(loaded.key)) return std::u16string();
    if (frames_.size() >= kMaxFrames) return kFrameLimitMessage;
    pushFrame(new CodeUnit(loaded.module, loaded.key), 0, kResultDiscard, nullptr, false);
    return std::u16string();
}

void KvVirtualMachine::makeClass(const Instruction& ins) {
    const FunctionDescriptor* descriptor = ins.function;
    KvVBaseContext* context = frame_->context;
    if (!descriptor || !context) return;
    auto* cls = new KvObjClass(descriptor, frame_->unit, context);
    context->storeValue(descriptor->slot, cls);
    cls->releaseTemporary();
}

static bool inheritsFromItself(KvBaseObject* cls) {
    if (cls->tag() != kTagClass) return false;
    auto* script = static_cast<KvObjClass*>(cls);
    script->prepare();
    return script->inheritsFromItself();
}

// Pushes the instance, then runs its class body in the instance's context;
// the arguments and Construct follow once the body has returned.
std::u16string KvVirtualMachine::newInstance(const Instruction& ins) {
    KvBaseObject* cls = popValue();
    std::u16string error;
    if (!cls->isClass()) {
        error = classNotExistsMessage(ins.text);
    } else if (cls->tag() == kTagClass && frames_.size() >= kMaxFrames) {
        error = kFrameLimitMessage;
    } else if (inheritsFromItself(cls)) {
        error = classInheritsFromItselfMessage(ins.text);
    } else {
        KvBaseObject* instance = cls->newInstance(frame_->context);
        push(instance ? instance : kvNull());
        if (instance && instance->tag() == kTagLocalObject) {
            auto* script = static_cast<KvObjClass*>(cls);
            KvVBaseContext* context = static_cast<KvObjLocalObject*>(instance)->context();
            bindClassBodyNames(*context);
            noteInstanceContext(context);
            context->retain();
            script->codeUnit()->retain();
            pushFrame(script->codeUnit(), script->descriptor()->entry, kResultDiscard, context, false);
        }
    }
    cls->release();
    return error;
}

// Stack: instance, arguments, count. The constructor's result is dropped;
// an instance without one is left as it is.
std::u16string KvVirtualMachine::construct() {
    int32_t n = popCount();
    CallArgs args(n);
    popArgs(n, args);
    KvBaseObject* instance = frame_->stack.peek();
    if (!instance || instance->tag() != kTagLocalObject) return std::u16string();
    KvBaseObject* init = instance->initFunction();
    if (!init || init->tag() == kTagNull) return std::u16string();
    if (init->tag() != kTagFunc) return kNotFunctionMessage;
    if (!callScript(static_cast<KvObjFunc*>(init), args, false)) return callError_;
    return std::u16string();
}

}  // namespace kestrel
