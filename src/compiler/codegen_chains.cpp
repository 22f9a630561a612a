// Member/call chains (head, then .name, (args) and [index] items in a loop)
// and stores into assignment targets: a name or this-member takes StoreLocal,
// a member or index reference takes AssignRef, anything else is an error.
// How a chain's head compiles was settled by the name-resolution pass and is
// read from the resolution table.
#include "compiler/code_generator.h"
#include "compiler/compile_messages.h"

namespace kestrel {

namespace {

// How the callee of a call reads in the source: the chain's items before
// the call ("x.size", "make().run"); empty when the chain does not start
// with a name. Kept on the Call for error reports.
std::u16string calleeText(const KvAstNodeList& items, size_t end) {
    if (items.empty() || items[0]->type() != KvAstType_Var) return std::u16string();
    std::u16string text = items[0]->textRef();
    for (size_t i = 1; i < end; ++i) {
        const KvAstNode& item = *items[i];
        if (item.type() == KvAstType_Parens) {
            auto* arguments = item.payloadAs<KvAstList>();
            text += arguments && !arguments->items.empty() ? u"(...)" : u"()";
        } else if (item.type() == KvAstType_Brackets) {
            text += u"[...]";
        } else {
            text += u"." + item.textRef();
        }
    }
    return text;
}

}  // namespace

// chain-head: "this" "." name | ("super" | "base") ("." name | "(" args ")")
//             | builtin "(" args ")" | name | expression
//   LoadLocal of the member's slot; the arguments, PushInt count and
//   CallBuiltin; LoadLocal of the name's slot; or the expression's value.
//   next is the first item the head did not consume.
bool CodeGenerator::compileChainHead(KvAstNode& pipe, const KvAstNodeList& items, size_t& next) {
    KvAstNode& head = *items[0];
    const ChainResolution chain = resolutions_.chainOf(pipe);
    switch (chain.head) {
        case ChainHead::Member:
            emitInt(Opcode::LoadLocal, chain.member->slot);
            next = chain.itemsTaken;
            return true;
        case ChainHead::Builtin: {
            int32_t count = 0;
            if (!compileArguments(*items[1], count)) return false;
            line_ = items[1]->line();
            emitInt(Opcode::PushInt, count);
            emitInt(Opcode::CallBuiltin, chain.builtin);
            next = 2;
            return true;
        }
        case ChainHead::Plain: break;
    }
    next = 1;
    if (head.type() == KvAstType_Var && !head.payload() && !resolutions_.isThisValue(head)) {
        const VariableDecl* decl = resolutions_.declOf(head);
        if (!decl) return fail(head, msg::kChainHeadNotVariable);
        emitInt(Opcode::LoadLocal, decl->slot);
        return true;
    }
    return compile(&head, true);
}

// args: "(" expressions ")" | "[" expressions "]"
//   Each expression's value, in order; count is how many.
bool CodeGenerator::compileArguments(const KvAstNode& group, int32_t& count) {
    count = 0;
    auto* list = group.payloadAs<KvAstList>();
    if (!list) return true;
    for (const auto& argument : list->items) {
        if (!compile(argument.get(), true)) return false;
        ++count;
    }
    return true;
}

// chain: head {"." name | "(" args ")" | "[" indexes "]"}
//   The head, then per item: MemberRef name; the arguments, PushInt count,
//   Call; or the indexes and IndexRef count. Every item's last instruction
//   keeps its value; a chain standing alone drops the final one (a call's
//   own discard flag, otherwise a Pop).
bool CodeGenerator::compileChain(KvAstNode& pipe, bool used) {
    auto* list = pipe.payloadAs<KvAstList>();
    if (!list || list->items.empty()) return compileStatementOnly(pipe, used);
    const KvAstNodeList& items = list->items;
    size_t next = 1;
    if (!compileChainHead(pipe, items, next)) return false;
    markValue();
    for (size_t i = next; i < items.size(); ++i) {
        KvAstNode& item = *items[i];
        int32_t count = 0;
        if (item.type() == KvAstType_Parens) {
            if (!compileArguments(item, count)) return false;
            line_ = item.line();
            emitInt(Opcode::PushInt, count);
            emit(Opcode::Call).text = module_.texts.add(calleeText(items, i));
        } else if (item.type() == KvAstType_Brackets) {
            if (!compileArguments(item, count)) return false;
            line_ = item.line();
            emitInt(Opcode::IndexRef, count);
        } else {
            line_ = item.line();
            emitText(Opcode::MemberRef, item.textRef());
        }
        markValue();
    }
    Instruction& last = module_.code.back();
    if (!used) {
        if (last.opcode == Opcode::Call || last.opcode == Opcode::CallBuiltin) last.discard = true;
        else emit(Opcode::Pop);
    }
    return true;
}

// store-target: name | chain
//   The value to store is on the stack; a name takes StoreLocal of its slot,
//   a chain goes to compileChainStore. With used, the value stays on the
//   stack afterwards.
bool CodeGenerator::compileStore(KvAstNode& target, bool used) {
    if (target.type() == KvAstType_Var && !target.payload()) {
        const VariableDecl* decl = resolutions_.declOf(target);
        if (!decl) return fail(target, msg::kInvalidAssignTarget);
        line_ = target.line();
        emitInt(Opcode::StoreLocal, decl->slot).discard = !used;
        return true;
    }
    if (target.type() == KvAstType_VarPipe) return compileChainStore(target, used);
    return fail(target, msg::kInvalidAssignTarget);
}

// chain-store: chain ending in "." name or "[" indexes "]"
//   A chain that is only a this/super member stores with StoreLocal; one
//   ending in a member or index reference is compiled as a reference and
//   assigned through with AssignRef (the value, when used, is kept in a
//   register meanwhile, since AssignRef consumes it).
bool CodeGenerator::compileChainStore(KvAstNode& target, bool used) {
    auto* list = target.payloadAs<KvAstList>();
    if (!list || list->items.empty()) return fail(target, msg::kInvalidAssignTarget);
    const ChainResolution chain = resolutions_.chainOf(target);
    if (chain.head == ChainHead::Member && chain.itemsTaken == list->items.size()) {
        line_ = target.line();
        emitInt(Opcode::StoreLocal, chain.member->slot).discard = !used;
        return true;
    }
    int32_t reg = -1;  // the kept value's register, when used
    if (used) {
        if (!takeRegister(target, reg)) return false;
        emitInt(Opcode::PopToRegister, reg);
        emitInt(Opcode::PushRegister, reg);
        ++registerDepth_;
    }
    bool ok = compileChain(target, true);
    if (ok) {
        Opcode last = module_.code.back().opcode;
        if (last == Opcode::MemberRef || last == Opcode::IndexRef) {
            line_ = target.line();
            emit(Opcode::AssignRef);
        } else {
            ok = fail(*list->items.back(), msg::kInvalidAssignTarget);  // the item that can't be assigned
        }
    }
    if (reg >= 0) {
        --registerDepth_;
        if (ok) {
            emitInt(Opcode::TakeRegister, reg);
            markValue();
        }
    }
    return ok;
}

// The place an update (+=, ++ and the like) reads and then writes, evaluated
// once. A chain ending in a member or index reference leaves the reference
// with its value read above it (PeekRef), so a[f()] += 1 calls f once;
// viaPlace tells compileUpdateStore so. Names and this-members, which have
// no side effects, leave just their value.
bool CodeGenerator::compileUpdateTarget(KvAstNode& target, bool& viaPlace) {
    viaPlace = false;
    auto* list = target.type() == KvAstType_VarPipe ? target.payloadAs<KvAstList>() : nullptr;
    if (!list || list->items.empty()) return compile(&target, true);
    const ChainResolution chain = resolutions_.chainOf(target);
    if (chain.head == ChainHead::Member && chain.itemsTaken == list->items.size()) return compile(&target, true);
    if (!compileChain(target, true)) return false;
    Opcode last = module_.code.back().opcode;
    if (last != Opcode::MemberRef && last != Opcode::IndexRef) {
        return fail(*list->items.back(), msg::kInvalidAssignTarget);
    }
    line_ = target.line();
    emit(Opcode::PeekRef);
    viaPlace = true;
    return true;
}

// Stores the new value on the stack into the target of compileUpdateTarget:
// through the place below it (Swap, AssignRef), or as a plain store.
bool CodeGenerator::compileUpdateStore(KvAstNode& target, bool viaPlace, bool used) {
    if (!viaPlace) return compileStore(target, used);
    line_ = target.line();
    emit(Opcode::Swap);
    emit(Opcode::AssignRef).discard = !used;
    return true;
}

}  // namespace kestrel
