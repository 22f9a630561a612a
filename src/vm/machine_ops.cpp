// Out-of-line instruction work: constants, mixed arithmetic and comparison,
// scopes, functions, classes and instances, lists and maps, member and
// element references, dynamic names, throw, import. Each routine pops what
// it consumes into handles (released when it returns) and pushes what it
// makes with its one reference.
#include "objects/arithmetic.h"
#include "objects/callback_raise.h"
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
#include "vm/cycle_collector.h"
#include "vm/exception_value.h"
#include "vm/machine_messages.h"
#include "vm/function_binding.h"
#include "vm/function_value.h"
#include "vm/instance_value.h"
#include "vm/machine.h"
#include "vm/machine_stack.h"

namespace kestrel {

namespace {

// The value a Push instruction stands for, owned (shared for small ints).
KvValueRef makeConstant(const Instruction& ins) {
    switch (ins.opcode) {
    case Opcode::PushInt:
        return kvOwnedOrNull(kvInt(static_cast<int32_t>(ins.intValue)));
    case Opcode::PushLong:
        return kvMake<KvObjLong>(ins.intValue);
    case Opcode::PushFloat:
        return kvMake<KvObjFloat>(static_cast<float>(ins.floatValue));
    case Opcode::PushDouble:
        return kvMake<KvObjDouble>(ins.floatValue);
    case Opcode::PushString:
        return kvMake<KvObjString>(kvUnescapeLiteral(ins.text));
    default:
        return kvOwnedOrNull(nullptr);
    }
}

}  // namespace

// The instruction's constant, made at its first run and then owned by the
// unit's cache; the caller borrows it.
KvBaseObject* KvVirtualMachine::constant(const Instruction& ins, int32_t position) {
    CodeCacheEntry& entry = frame_->unit->cache(position);
    if (!entry.value) entry.value = makeConstant(ins);
    return entry.value.get();
}

// `s = s + x` with s a local string that nothing else holds: the result
// would replace the only other reference to the left operand, so the text
// grows in place instead of being copied (a loop building a text this way
// is linear, not quadratic). Holders: the slot and the popped operand.
bool KvVirtualMachine::appendInPlace(KvBaseObject* left, KvBaseObject* right) {
    if (left->tag() != kTagString || left->refCount() != 2 || left == right) return false;
    if (frame_->pc >= frame_->codeCount) return false;
    const Instruction& next = frame_->code[frame_->pc];
    KvVBaseContext* context = frame_->context.get();
    if (next.opcode != Opcode::StoreLocal || !context) return false;
    int32_t slot = static_cast<int32_t>(next.intValue);
    if (!context->hasSlot(slot) || context->slot(slot).read() != left) return false;
    static_cast<KvObjString*>(left)->appendText(right->toString());
    return true;
}

// False when an integer division by zero must be raised.
bool KvVirtualMachine::arithmetic(int32_t opcode, const Instruction&) {
    KvValueRef right = popValue();
    KvValueRef left = popValue();
    if (opcode == static_cast<int32_t>(Opcode::Add) && appendInPlace(left.get(), right.get())) {
        push(std::move(left));
        return true;
    }
    auto op = static_cast<KvArithOp>(opcode - static_cast<int32_t>(Opcode::Add));
    KvArithResult result = kvArithmetic(op, left.get(), right.get());
    if (result.status == KvArithStatus::Ok) pushRetained(result.value);
    return result.status == KvArithStatus::Ok;
}

// Equality across any values (same tag, then equals); orderings between
// numbers only, false otherwise. Pushes the shared true or false.
void KvVirtualMachine::compare(const Instruction& ins) {
    KvValueRef right = popValue();
    KvValueRef left = popValue();
    bool result = false;
    if (ins.opcode == Opcode::Equal || ins.opcode == Opcode::NotEqual) {
        bool equal = left->tag() == right->tag() && left->equals(right.get());
        result = equal == (ins.opcode == Opcode::Equal);
    } else if (KvObjNumber* a = asNumber(left.get())) {
        if (KvObjNumber* b = asNumber(right.get())) {
            bool less = a->lessThan(b), greater = b->lessThan(a);
            bool equal = a->equals(b);
            result = ins.opcode == Opcode::Less      ? less
                     : ins.opcode == Opcode::Greater ? greater
                     : ins.opcode == Opcode::LessEqual ? (less || equal)
                                                       : (greater || equal);
        }
    }
    pushShared(kvBool(result));
}

// A module body's context: made, bound to the program's globals (which keep
// it alive after the frame), then owned by the frame.
void KvVirtualMachine::enterScope(const Instruction& ins) {
    KvContextRef context = KvContextRef::adopt(KvVBaseContext::create(nullptr, ins.scope));
    context->allocateSlots();
    program_->enterModule(context.get());
    frame_->setContext(std::move(context));
}

// The class whose body runs in context when descriptor is one of its
// methods (a named function stored in the instance), else null. Whatever
// such a function is, the value MakeFunction would make for it is exactly
// the shared one bound to this instance.
static KvObjClass* classBodyOf(KvVBaseContext* context, const FunctionDescriptor* descriptor) {
    if (!context || descriptor->slot < 0 || context->thisBaseContext() != context) return nullptr;
    KvObjClass* cls = classOfContext(*context);
    return cls && cls->descriptor()->scope == context->scope() ? cls : nullptr;
}

// A method of a class body is the class's shared value (bound to the
// instance where it is read). Any other function is a closure over the
// frame's context; stored in its slot when the descriptor
// names one (the slot then holds the only lasting reference), else pushed.
void KvVirtualMachine::makeFunction(const Instruction& ins, int32_t position) {
    const FunctionDescriptor* descriptor = ins.function;
    if (!descriptor) {
        pushShared(kvNull());
        return;
    }
    KvVBaseContext* context = frame_->context.get();
    if (KvObjClass* cls = classBodyOf(context, descriptor)) {
        context->storeValue(descriptor->slot, cls->sharedMethod(descriptor, position));
        return;
    }
    KvRef<KvObjFunc> function = kvMake<KvObjFunc>(descriptor, frame_->unit.get(), position, context,
                                                  context ? context->thisBaseContext() : nullptr);
    if (descriptor->slot < 0) {
        push(std::move(function));
    } else if (context) {
        context->storeValue(descriptor->slot, function.get());  // without a context nothing keeps it
    }
}

// The popped values go in front one by one, so the list keeps source order.
void KvVirtualMachine::makeList(const Instruction& ins) {
    int64_t wanted = ins.intValue;
    int32_t available = static_cast<int32_t>(frame_->stack.count());
    int32_t n = wanted < 0 ? 0 : (wanted > available ? available : static_cast<int32_t>(wanted));
    CallArgs items(n);
    popArgs(n, items);
    KvRef<KvObjList> list = kvMake<KvObjList>();
    for (int32_t i = 0; i < n; ++i) list->append(items.items[i]);
    push(std::move(list));
}

// The key text arrives unescaped from the compiler, like a string constant's.
void KvVirtualMachine::mapPut(const Instruction& ins, int32_t) {
    KvValueRef value = popValue();
    KvBaseObject* target = frame_->stack.peek();
    if (target && target->tag() == kTagMap) static_cast<KvObjMap*>(target)->set(ins.text, value.get());
}

namespace {

bool isPlainPush(Opcode op) {
    switch (op) {
    case Opcode::PushNull: case Opcode::PushBool: case Opcode::PushInt: case Opcode::PushLong:
    case Opcode::PushFloat: case Opcode::PushDouble: case Opcode::PushString: case Opcode::LoadLocal:
        return true;
    default:
        return false;
    }
}

// Takes its two operands off the top (the field being the left one).
bool takesTwo(Opcode op) {
    switch (op) {
    case Opcode::Add: case Opcode::Subtract: case Opcode::Multiply: case Opcode::Divide:
    case Opcode::Modulo: case Opcode::IntegerDivide: case Opcode::Equal: case Opcode::NotEqual:
    case Opcode::Less: case Opcode::Greater: case Opcode::LessEqual: case Opcode::GreaterEqual:
    case Opcode::And: case Opcode::Or: case Opcode::JumpIfEqual: case Opcode::JumpIfNotEqual:
        return true;
    default:
        return false;
    }
}

// Of those, the operators that leave their one result in place of the two.
bool yieldsOne(Opcode op) {
    return takesTwo(op) && op != Opcode::JumpIfEqual && op != Opcode::JumpIfNotEqual;
}

// Reads the value on top at once, and runs no script code before.
bool takesTop(Opcode op) {
    switch (op) {
    case Opcode::MemberRef: case Opcode::StoreLocal: case Opcode::Return: case Opcode::Pop:
    case Opcode::JumpIfTrue: case Opcode::JumpIfFalse: case Opcode::Not:
        return true;
    default:
        return false;
    }
}

constexpr int32_t kReadWindow = 8;  // instructions looked at past the reference

}  // namespace

// Whether the reference pushed at position is used up within the next few
// instructions with no script code run in between and never as a place to
// assign through: the value can then be read at once instead of through a
// field. In between come only plain pushes and operators on what those
// pushed; the user is an operator, a read of the top, or a call taking the
// reference as an argument or as its callee (every one of them is read
// before the call starts).
static bool readsAtOnce(const Instruction* code, int32_t count, int32_t position) {
    int32_t above = 0;  // values pushed over the reference since
    const int32_t last = std::min(count - 1, position + kReadWindow);
    for (int32_t at = position + 1; at <= last; ++at) {
        const Opcode op = code[at].opcode;
        if (op == Opcode::PushInt && at < count - 1 &&
            (code[at + 1].opcode == Opcode::Call || code[at + 1].opcode == Opcode::CallBuiltin)) {
            const int64_t n = code[at].intValue;  // the call's argument count
            return code[at + 1].opcode == Opcode::Call ? above <= n : above < n;
        }
        if (isPlainPush(op)) {
            ++above;
        } else if (takesTwo(op)) {
            if (above <= 1) return true;
            if (!yieldsOne(op)) return false;
            --above;
        } else {
            return above == 0 && takesTop(op);
        }
    }
    return false;
}

// Whether the instruction at position reads at once, decided at its first
// run and kept in its cache entry.
static bool readAtOnce(CallFrame& frame, int32_t position) {
    if (position < 0 || position >= frame.codeCount) return false;
    CodeCacheEntry& entry = frame.unit->cache(position);
    if (entry.readAtOnce < 0) entry.readAtOnce = readsAtOnce(frame.code, frame.codeCount, position);
    return entry.readAtOnce != 0;
}

// How far ahead the Call is that calls the reference pushed at position (as
// its callee, not as an argument), when in between come only plain pushes
// and operators on them: nothing else is called and no script code runs
// first. 0 when there is no such Call.
static int32_t callsAtOnce(const Instruction* code, int32_t count, int32_t position) {
    int32_t above = 0;  // arguments pushed over the reference since
    const int32_t last = std::min(count - 1, position + kReadWindow);
    for (int32_t at = position + 1; at <= last; ++at) {
        const Opcode op = code[at].opcode;
        if (op == Opcode::PushInt && at < count - 1 && code[at + 1].opcode == Opcode::Call) {
            return code[at].intValue == above ? at + 1 - position : 0;  // the count, then the Call
        }
        if (isPlainPush(op)) {
            ++above;
        } else if (yieldsOne(op) && above >= 2) {
            --above;
        } else {
            return 0;
        }
    }
    return 0;
}

// callsAtOnce for the instruction at position, decided at its first run.
static int32_t callAhead(CallFrame& frame, int32_t position) {
    if (position < 0 || position >= frame.codeCount) return 0;
    CodeCacheEntry& entry = frame.unit->cache(position);
    if (entry.callAhead < 0) entry.callAhead = static_cast<int8_t>(callsAtOnce(frame.code, frame.codeCount, position));
    return entry.callAhead;
}

// Owners that resolve names through their class or module: the site's
// binding is checked against more than the owner's type.
static bool resolvesOwnNames(int32_t tag) {
    return tag == kTagLocalObject || tag == kTagModule || tag == kTagModuleObject;
}

// obj.name: a field that holds the owner, bound through the site's cached
// binding (kept while the owner's type or class stays the same). A variable
// of a script instance, a built-in property or a map entry whose value is
// used at once is pushed as it is; so is the owner of a native method that a
// Call calls at once (the frame keeps the method for that Call).
void KvVirtualMachine::memberRef(const Instruction& ins, int32_t position) {
    KvValueRef owner = popValue();
    const int32_t tag = owner->tag();
    if (tag == kTagNull) {
        push(std::move(owner));
        return;
    }
    CodeCacheEntry& entry = frame_->unit->cache(position);
    const KvMemberBinding* cached = entry.binding.get();
    bool instance = tag == kTagLocalObject;
    if (instance) {
        if (!cached || cached->classSerial != static_cast<KvObjLocalObject*>(owner.get())->classSerial()) {
            entry.binding = bindMember(entry.binding, *owner, ins.text);
        }
    } else if (!cached || !cached->reusable || cached->typeTag != tag || resolvesOwnNames(tag)) {
        entry.binding = bindMember(entry.binding, *owner, ins.text);
    }
    const KvMemberBinding& binding = *entry.binding;
    if (binding.kind == kFieldNativeMethod) {
        if (const int32_t ahead = callAhead(*frame_, position)) {
            frame_->nativeCallee = {position + ahead, owner.get(), binding.method};
            push(std::move(owner));  // the method's owner stands in the callee's place
            return;
        }
    }
    if (instance && binding.kind == kFieldInstanceVariable &&
        (entry.readAtOnce == 1 || (entry.readAtOnce < 0 && readAtOnce(*frame_, position)))) {
        KvBaseObject* held = static_cast<KvObjLocalObject*>(owner.get())->instanceMember(binding);
        pushRetained(held ? held : kvNull());
        return;
    }
    if (!resolvesOwnNames(tag) && (binding.kind == kFieldBuiltinProperty || binding.kind == kFieldMapKey) &&
        readAtOnce(*frame_, position)) {
        KvBaseObject* read = kvReadPlainMember(owner.get(), binding);
        pushRetained(read ? read : kvNull());  // owned before the owner may go
        return;
    }
    // A method of a script instance reads as its function value and cannot be
    // assigned, so the function itself stands for the field.
    if (instance && binding.kind == kFieldScriptMethod) {
        KvBaseObject* method = static_cast<KvObjLocalObject*>(owner.get())->instanceMember(binding);
        if (method && method->tag() == kTagFunc) {
            pushRetained(method);
            return;
        }
    }
    push(kvMake<KvObjField>(owner.get(), entry.binding));  // the field holds its owner
}

// target[i, ...]: an element field over the target and its indexes. One
// index whose element is used at once is read at once, as the field would
// read it.
void KvVirtualMachine::indexRef(const Instruction& ins) {
    int64_t wanted = ins.intValue;
    if (wanted <= 0) {
        popRaw();
        pushShared(kvNull());
        return;
    }
    int32_t available = static_cast<int32_t>(frame_->stack.count()) - 1;
    int32_t n = wanted > available ? (available < 0 ? 0 : available) : static_cast<int32_t>(wanted);
    if (n == 1 && readAtOnce(*frame_, static_cast<int32_t>(&ins - frame_->code))) {
        KvValueRef index = popValue();
        KvValueRef target = popValue();
        KvBaseObject* element = target->canSubscript() ? target->getAt(index.get()) : nullptr;
        pushRetained(element ? element : kvNull());  // owned before the target may go
        return;
    }
    CallArgs indexes(n);
    popArgs(n, indexes);
    KvValueRef target = popValue();
    // The field takes references of its own on the target and the indexes.
    push(kvMake<KvObjPosField>(target.get(), std::vector<KvBaseObject*>(indexes.items, indexes.items + n)));
}

// Stack: value, reference. Anything but a field as the target changes nothing.
void KvVirtualMachine::assignRef(const Instruction& ins) {
    KvValueRef reference = popRaw();
    KvValueRef value = popValue();
    if (isFieldValue(reference.get())) static_cast<IKvObjField*>(reference.get())->assign(value.get());
    reference.reset();  // a temporary field goes before the value is pushed
    if (!ins.discard) push(std::move(value));
}

// Stack: value, target, index. `target[index] = value` stored as IndexRef 1
// and AssignRef store it, without the element field between (operands read
// in the same order, the value pushed after the target and index are let go).
void KvVirtualMachine::assignIndex(bool discard) {
    KvValueRef index = popValue();
    KvValueRef target = popValue();
    KvValueRef value = popValue();
    kvAssignAt(target.get(), index.get(), value.get());
    target.reset();
    index.reset();
    if (!discard) push(std::move(value));
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

// A name bound only at run time: resolved through the context chain once
// per chain shape and cached at the instruction.
std::u16string KvVirtualMachine::loadName(const Instruction& ins, int32_t position) {
    KvVBaseContext* context = frame_->context.get();
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
    pushRetained(slot->read());
    return std::u16string();
}

// The exception to raise: the thrown exception itself, or a new one
// carrying the thrown value's text (and the extra value, with count 2).
KvValueRef KvVirtualMachine::makeThrown(const Instruction& ins) {
    KvValueRef extra;
    if (ins.intValue == 2) extra = popValue();
    KvValueRef thrown = popValue();
    if (!extra && thrown->tag() == kTagException) return thrown;
    KvRef<KvObjException> exception = kvMake<KvObjException>(thrown->toString());
    if (extra) exception->setExtra(extra.get());
    return exception;
}

// A script module runs once per program, in a frame of its own pushed
// here; the importer continues when that frame returns.
std::u16string KvVirtualMachine::import(const Instruction& ins) {
    const ImportDescriptor* descriptor = ins.import;
    if (!descriptor) return std::u16string();
    if (descriptor->kind != ImportKind::Script) return importNativeModule(*descriptor);
    const ScriptModuleLoader& loader = scriptModuleLoader();
    const std::u16string& importer = frame_->unit->moduleKey();
    if (!loader) return loadModuleFailedMessage(descriptor->name);  // no loader installed
    ScriptModuleLoad loaded = loader(descriptor->name, importer);
    if (!loaded.ok || !loaded.module) return loadModuleFailedMessage(descriptor->name);
    // Marked before it runs, so a cycle of imports ends.
    if (!program_->markExecuted(loaded.key)) return std::u16string();
    if (frames_.size() >= kMaxFrames) return kFrameLimitMessage;
    pushFrame(KvUnitRef::make(loaded.module, loaded.key), 0, kResultDiscard, nullptr, false);
    return std::u16string();
}

// The module's names join the program's globals (the loading is module
// loading's, through the importer that start-up installs).
std::u16string KvVirtualMachine::importNativeModule(const ImportDescriptor& descriptor) {
    const NativeModuleImporter& importer = nativeModuleImporter();
    if (!importer) return loadModuleFailedMessage(descriptor.name);
    NativeModuleImport imported = importer(descriptor.name);
    if (!imported.ok) return loadModuleFailedMessage(descriptor.name);
    program_->bindNativeImport(imported);
    return std::u16string();
}

// A class value over the frame's context, stored in the slot it names.
void KvVirtualMachine::makeClass(const Instruction& ins) {
    const FunctionDescriptor* descriptor = ins.function;
    KvVBaseContext* context = frame_->context.get();
    if (!descriptor || !context) return;
    KvValueRef cls = kvMake<KvObjClass>(descriptor, frame_->unit.get(), context);
    context->storeValue(descriptor->slot, cls.get());
}

// Why a script class makes no instances (its bases, resolved on first use,
// lead back to itself or go too deep), or empty.
static std::u16string cannotInstantiate(KvBaseObject* cls, const std::u16string& name) {
    if (cls->tag() != kTagClass) return std::u16string();
    auto* script = static_cast<KvObjClass*>(cls);
    script->prepare();
    if (script->inheritsFromItself()) return classInheritsFromItselfMessage(name);
    if (script->tooDeep()) return classTooDeepMessage(script->name(), KvObjClass::kMaxDepth);
    return std::u16string();
}

// A plain class body's stores made directly, as its code would make them;
// false (nothing done) when the body must run in a frame.
static bool runPlainBody(KvObjClass& cls, KvVBaseContext& context) {
    const std::vector<ClassBodyStep>* steps = cls.plainBody();
    if (!steps) return false;
    for (const ClassBodyStep& step : *steps) {
        if (step.method && classBodyOf(&context, step.method) != &cls) return false;
    }
    for (const ClassBodyStep& step : *steps) {
        context.storeValue(step.slot, step.method ? cls.sharedMethod(step.method, step.position) : kvNull());
    }
    return true;
}

// Pushes the instance, then runs its class body in the instance's context;
// the arguments and Construct follow once the body has returned.
std::u16string KvVirtualMachine::newInstance(const Instruction& ins) {
    KvValueRef cls = popValue();
    if (cls->tag() == kTagClass && frames_.size() >= kMaxFrames) return kFrameLimitMessage;
    if (cls->tag() == kTagClass && static_cast<KvObjClass*>(cls.get())->makesInstances()) {
        if (KvBaseObject* plain = static_cast<KvObjClass*>(cls.get())->newPlainInstance()) {
            pushRetained(plain);
            KvVBaseContext* context = static_cast<KvObjLocalObject*>(plain)->context();
            if (!context->scope()->implicits.empty()) bindClassBodyNames(*context);
            collectCyclesIfDue();
            return std::u16string();
        }
    }
    if (!cls->isClass()) return classNotExistsMessage(ins.text);
    std::u16string refused = cannotInstantiate(cls.get(), ins.text);
    if (!refused.empty()) return refused;
    KvValueRef instance = kvOwnedOrNull(cls->newInstance(frame_->context.get()));
    KvBaseObject* made = instance.get();
    push(std::move(instance));
    if (made->tag() == kTagLocalObject) {
        auto* script = static_cast<KvObjClass*>(cls.get());
        KvVBaseContext* context = static_cast<KvObjLocalObject*>(made)->context();
        bindClassBodyNames(*context);
        collectCyclesIfDue();
        if (runPlainBody(*script, *context)) return std::u16string();
        pushFrame(KvUnitRef::retain(script->codeUnit()), script->descriptor()->entry, kResultDiscard,
                  KvContextRef::retain(context), false);
    }
    return std::u16string();
}

// The field each free name of a plain constructor reaches on self, as the
// call's binding would alias it (bindOwnFields in machine_calls.cpp); false
// when the binding was not found for self's class or would bind a method.
static bool plainConstructorFields(const KvObjFunc& init, KvVBaseContext& self, VariableSlot** fields) {
    const ScopeTable* scope = init.descriptor()->scope;
    const ImplicitBindings* bindings = init.codeUnit()->cache(init.definedAt()).implicits.get();
    const KvObjClass* cls = classOfContext(self);
    if (!bindings || !bindings->complete || !bindings->ownMembers || !cls || bindings->classKey != cls->serial() ||
        bindings->memberSlots.size() != scope->implicits.size()) {
        return false;
    }
    for (size_t i = 0; i < scope->implicits.size(); ++i) {
        const int32_t slot = bindings->memberSlots[i];
        if (!self.hasSlot(slot)) return false;
        VariableSlot& field = self.slot(slot);
        if (!field.isAlias() && field.value && isUnboundMethod(field.value)) return false;
        fields[i] = &field;
    }
    return true;
}

// A plain constructor (constructor_plan.h) run without a frame, with the
// effects its frame would have in the same order: surplus arguments
// released, the stores made, then the parameters released in order. False,
// nothing done, when it must run as code: its class has no plan for it, an
// argument is a field or a method still to bind, or a field is not found.
static bool constructPlainly(KvFastStack& stack, KvObjFunc& init, KvVBaseContext& self, int32_t n) {
    KvObjClass* cls = classOfContext(self);
    const std::vector<ConstructorStep>* steps = cls ? cls->plainConstructor(init) : nullptr;
    if (!steps) return false;
    constexpr size_t kMostFields = 16;
    const ScopeTable* scope = init.descriptor()->scope;
    VariableSlot* fields[kMostFields];
    if (scope->implicits.size() > kMostFields || scope->parameters.size() > kMostFields ||
        !plainConstructorFields(init, self, fields)) {
        return false;
    }
    KvBaseObject** args = stack.topEntries(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        if (isFieldValue(args[i]) || isUnboundMethod(args[i])) return false;
    }
    const int32_t parameters = static_cast<int32_t>(scope->parameters.size());
    const int32_t moved = n < parameters ? n : parameters;
    KvBaseObject* null = kvNull();
    for (int32_t i = moved; i < n; ++i) {
        KvBaseObject* surplus = args[i];
        args[i] = null;
        surplus->release();
    }
    // A parameter's first store takes the argument's own reference off the
    // stack (the frame would count it into the field and drop the
    // parameter's later: the same counts, without a fall that makes the
    // value a cycle candidate); later stores of it count their own.
    KvBaseObject* values[kMostFields];
    bool taken[kMostFields] = {};
    for (int32_t i = 0; i < moved; ++i) values[i] = args[i];
    for (const ConstructorStep& step : *steps) {
        VariableSlot* field = fields[step.implicit]->finalSlot();
        KvBaseObject* old = field->value;
        const int32_t parameter = step.parameter;
        if (parameter >= moved) {
            field->value = null;
        } else if (!taken[parameter]) {
            field->value = values[parameter];
            args[parameter] = null;
            taken[parameter] = true;
        } else {
            values[parameter]->addRef();
            field->value = values[parameter];
        }
        if (old) old->release();
    }
    for (int32_t i = 0; i < moved; ++i) {
        KvBaseObject* argument = args[i];  // null when taken
        args[i] = null;
        argument->release();
    }
    stack.drop(static_cast<size_t>(n));
    collectCyclesIfDue();  // where the constructor's frame would have ended
    return true;
}

// Stack: instance, arguments, count. The constructor's result is dropped;
// an instance without one is left as it is.
std::u16string KvVirtualMachine::construct() {
    int32_t n = popCount();
    KvFastStack& stack = frame_->stack;
    KvBaseObject* instance = stack.count() > static_cast<size_t>(n) ? stack.topEntries(static_cast<size_t>(n) + 1)[0] : nullptr;
    if (instance && instance->tag() == kTagLocalObject) {
        KvVBaseContext* holder = nullptr;
        VariableSlot* slot = static_cast<KvObjLocalObject*>(instance)->constructorSlot(holder);
        KvBaseObject* init = slot ? slot->read() : nullptr;
        if (init && init->tag() == kTagFunc) {
            // A shared constructor runs on its instance without being bound to it;
            // the arguments move into its parameters, the instance stays.
            if (frames_.size() < kMaxFrames && holder == static_cast<KvObjLocalObject*>(instance)->context() &&
                constructPlainly(stack, *static_cast<KvObjFunc*>(init), *holder, n)) {
                return std::u16string();
            }
            return enterScript(static_cast<KvObjFunc*>(init), holder, n, false, false) ? std::u16string() : callError_;
        }
        CallArgs dropped(n);
        popArgs(n, dropped);
        return !init || init->tag() == kTagNull ? std::u16string() : kNotFunctionMessage;
    }
    CallArgs args(n);
    popArgs(n, args);
    instance = stack.peek();
    if (instance && instance->tag() == kTagModuleObject) return constructNative(instance, args);
    return std::u16string();
}

// A native class's instance: its creator runs with the arguments; a failure
// (the creator's own exception, or none made) raises its message.
std::u16string KvVirtualMachine::constructNative(KvBaseObject* instance, CallArgs& args) {
    KvValueRef creator = KvValueRef::retain(instance->initFunction());
    if (!creator) return std::u16string();
    KvValueRef result = creator->invoke(args.list());
    if (KvBaseObject* raised = kvTakeCallbackRaise()) {
        KvValueRef exception = KvValueRef::adopt(raised);
        return exception->toString();
    }
    if (result && result->tag() == kTagException) return result->toString();
    return std::u16string();
}

}  // namespace kestrel
