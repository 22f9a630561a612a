// Expressions: operators (left-leaning chains compiled in a loop), the
// ternary, list and map literals, assignments, increments, new and variable
// definitions. Updates evaluate their target once; postfix forms yield the
// value before the update.
#include "objects/string_value.h"
#include "compiler/code_generator.h"
#include "compiler/compile_messages.h"

namespace kestrel {

namespace {

// Arithmetic operators by their single character.
bool arithmeticOpcode(const std::u16string& op, Opcode& out) {
    if (op.size() != 1) return false;
    switch (op[0]) {
        case u'+': out = Opcode::Add; return true;
        case u'-': out = Opcode::Subtract; return true;
        case u'*': out = Opcode::Multiply; return true;
        case u'/': out = Opcode::Divide; return true;
        case u'%': out = Opcode::Modulo; return true;
        case u'\\': out = Opcode::IntegerDivide; return true;
        default: return false;
    }
}

// Logical and comparison operators by the parser's operator code; unknown
// codes join their operands like "&&".
Opcode boolOpcode(int32_t code) {
    switch (code) {
        case 1: return Opcode::Or;
        case 2: return Opcode::Equal;
        case 3: return Opcode::NotEqual;
        case 4: return Opcode::StrictEqual;
        case 5: return Opcode::Greater;
        case 6: return Opcode::GreaterEqual;
        case 7: return Opcode::Less;
        case 8: return Opcode::LessEqual;
        default: return Opcode::And;
    }
}

// Two-operand bit operators by their text.
bool bitOpcode(const std::u16string& op, Opcode& out) {
    if (op == u"&") out = Opcode::BitAnd;
    else if (op == u"|") out = Opcode::BitOr;
    else if (op == u"^") out = Opcode::BitXor;
    else if (op == u"<<") out = Opcode::ShiftLeft;
    else if (op == u">>") out = Opcode::ShiftRight;
    else return false;
    return true;
}

// The nodes compileOperatorChain walks down the left of: a compound
// assignment is a store, compiled on its own.
bool isBinaryOperator(const KvAstNode& node) {
    return node.type() == KvAstType_NumberOp || node.type() == KvAstType_BoolOp;
}

}  // namespace

// The one instruction of an operator node: arithmetic by its character (an
// unknown one adds), logical and comparison by the parser's code.
bool CodeGenerator::emitOperator(const KvAstNode& node, const KvAstOperator* op) {
    Opcode opcode = Opcode::And;
    if (node.type() == KvAstType_NumberOp || node.type() == KvAstType_CompoundAssign) {
        if (!op || !arithmeticOpcode(op->op, opcode)) opcode = Opcode::Add;
    } else {
        opcode = boolOpcode(op ? op->code : 0);
    }
    emit(opcode);
    return true;
}

// operator-expr: operand {operator operand}
//   Left operand, then per operator: its right operand and the operator's
//   instruction. The left spine is walked in a loop, not by recursion; it
//   goes on spine_ above the spines of the chains around it.
bool CodeGenerator::compileOperatorChain(KvAstNode& node, bool used) {
    const size_t base = spine_.size();
    size_t depth = 0;  // counted first, so a long chain's spine is sized once
    for (KvAstNode* at = &node; at && isBinaryOperator(*at);) {
        ++depth;
        auto* op = at->payloadAs<KvAstOperator>();
        at = op ? op->left.get() : nullptr;
    }
    if (spine_.capacity() < base + depth) spine_.reserve(base + depth);
    KvAstNode* at = &node;
    while (at && isBinaryOperator(*at)) {
        spine_.push_back(at);
        auto* op = at->payloadAs<KvAstOperator>();
        at = op ? op->left.get() : nullptr;
    }
    bool ok = compile(at, true);
    for (size_t i = spine_.size(); ok && i > base; --i) {
        KvAstNode* step = spine_[i - 1];  // by value: right operands push spines of their own
        auto* op = step->payloadAs<KvAstOperator>();
        line_ = step->line();
        ok = compile(op ? op->right.get() : nullptr, true);
        if (ok) emitOperator(*step, op);
    }
    spine_.resize(base);
    if (!ok) return false;
    if (used) markValue();
    else emit(Opcode::Pop);
    return true;
}

// bit-expr: operand bitop operand | "~" operand
//   The operands, then the operator's instruction. Only "~" takes one
//   operand and only the others take two; anything else is an error.
bool CodeGenerator::compileBitOp(KvAstNode& node, bool used) {
    auto* list = node.payloadAs<KvAstList>();
    if (!list) return compileStatementOnly(node, used);
    const bool unary = node.textRef() == u"~";
    Opcode opcode = Opcode::BitNot;
    if (list->items.size() != (unary ? 1u : 2u) || (!unary && !bitOpcode(node.textRef(), opcode))) {
        return fail(node, msg::kBitOperands);
    }
    for (const auto& operand : list->items) {
        if (!compile(operand.get(), true)) return false;
    }
    line_ = node.line();
    emit(opcode);
    if (used) markValue();
    else emit(Opcode::Pop);
    return true;
}

// not-expr: "!" operand
//   The operand, then Not.
bool CodeGenerator::compileNot(KvAstNode& node, bool used) {
    auto* list = node.payloadAs<KvAstList>();
    if (!compile(list && !list->items.empty() ? list->items.front().get() : nullptr, true)) return false;
    emit(Opcode::Not);
    if (used) markValue();
    else emit(Opcode::Pop);
    return true;
}

// ternary: test "?" then ":" else
//   test; JumpIfFalse else; then; Jump end; else; Label end. Only the chosen
//   side is evaluated.
bool CodeGenerator::compileTernary(KvAstNode& node, bool used) {
    auto* parts = node.payloadAs<KvAstThreeChildren>();
    if (!parts) return compileStatementOnly(node, used);
    if (!compile(parts->first.get(), true)) return false;
    int32_t toElse = emitJump(Opcode::JumpIfFalse);
    if (!compile(parts->second.get(), used)) return false;
    int32_t toEnd = emitJump(Opcode::Jump);
    patchJump(toElse, position());
    if (!compile(parts->third.get(), used)) return false;
    patchJump(toEnd, position());
    emit(Opcode::Label);
    return true;
}

// list-literal: "[" [expression {"," expression}] "]"
//   The elements in order, then MakeList count.
bool CodeGenerator::compileListLiteral(KvAstNode& node, bool used) {
    auto* list = node.payloadAs<KvAstList>();
    int32_t count = 0;
    if (list) {
        for (const auto& element : list->items) {
            if (!compile(element.get(), true)) return false;
            ++count;
        }
    }
    line_ = node.line();
    emitInt(Opcode::MakeList, count);
    if (used) markValue();
    else emit(Opcode::Pop);
    return true;
}

// map-literal: "{" key ":" value {"," key ":" value} "}"
//   MakeMap, then per entry: its value (or null) and MapPut key. A key is
//   unescaped like a string constant, so {"a\"b": 1} and "a\"b" name one entry.
bool CodeGenerator::compileMapLiteral(KvAstNode& node, bool used) {
    emit(Opcode::MakeMap);
    if (auto* list = node.payloadAs<KvAstList>()) {
        for (const auto& entry : list->items) {
            auto* value = entry->payloadAs<KvAstOneChild>();
            if (!compile(value ? value->child.get() : nullptr, true)) return false;
            line_ = entry->line();
            emitText(Opcode::MapPut, kvUnescapeLiteral(entry->textRef()));
        }
    }
    line_ = node.line();
    if (used) markValue();
    else emit(Opcode::Pop);
    return true;
}

// assign: target "=" value
//   The value, then the store into the target.
bool CodeGenerator::compileAssign(KvAstNode& node, bool used) {
    auto* parts = node.payloadAs<KvAstTwoChildren>();
    if (!parts || !parts->first) return compileStatementOnly(node, used);
    if (!compile(parts->second.get(), true)) return false;
    line_ = node.line();
    return compileStore(*parts->first, used);
}

// compound-assign: target op "=" value
//   The target's place and value (evaluated once), the value, the operator,
//   then the store; the expression's value is the new value.
bool CodeGenerator::compileCompoundAssign(KvAstNode& node, bool used) {
    auto* op = node.payloadAs<KvAstOperator>();
    if (!op || !op->left) return compileStatementOnly(node, used);
    bool viaPlace = false;
    if (!compileUpdateTarget(*op->left, viaPlace) || !compile(op->right.get(), true)) return false;
    line_ = node.line();
    emitOperator(node, op);
    return compileUpdateStore(*op->left, viaPlace, used);
}

// increment: ("++" | "--") target | target ("++" | "--")
//   The target's place and value, PushInt 1 or -1, Add, then the store.
//   Prefix forms yield the updated value; postfix forms the value before
//   the update, kept in a register across the store.
bool CodeGenerator::compileIncrement(KvAstNode& node, bool used) {
    auto* operand = node.payloadAs<KvAstOneChild>();
    if (!operand || !operand->child) return compileStatementOnly(node, used);
    const bool postfix = node.type() == KvAstType_PostIncrement || node.type() == KvAstType_PostDecrement;
    const bool increment = node.type() == KvAstType_PreIncrement || node.type() == KvAstType_PostIncrement;
    bool viaPlace = false;
    if (!compileUpdateTarget(*operand->child, viaPlace)) return false;
    line_ = node.line();
    int32_t reg = -1;
    if (postfix && used) {
        if (!takeRegister(node, reg)) return false;
        emitInt(Opcode::PopToRegister, reg);
        emitInt(Opcode::PushRegister, reg);
        ++registerDepth_;
    }
    emitInt(Opcode::PushInt, increment ? 1 : -1);
    emit(Opcode::Add);
    bool ok = compileUpdateStore(*operand->child, viaPlace, used && !postfix);
    if (reg >= 0) {
        --registerDepth_;
        emitInt(Opcode::TakeRegister, reg);
        markValue();
    }
    return ok;
}

// new-expr: "new" class "(" args ")"
//   The class value, New with the class's name, the arguments, PushInt count,
//   Construct; the value is the new instance.
bool CodeGenerator::compileNew(KvAstNode& node, bool used) {
    auto* call = node.payloadAs<KvAstCallLike>();
    if (!call || !call->target) return compileStatementOnly(node, used);
    if (!compile(call->target.get(), true)) return false;
    std::u16string className = call->target->text();  // a.b.C is named C
    if (auto* pipe = call->target->payloadAs<KvAstList>(); pipe && !pipe->items.empty()) {
        className = pipe->items.back()->text();
    }
    line_ = node.line();
    emitText(Opcode::New, className);
    for (const auto& argument : call->arguments) {
        if (!compile(argument.get(), true)) return false;
    }
    line_ = node.line();
    emitInt(Opcode::PushInt, static_cast<int64_t>(call->arguments.size()));
    emit(Opcode::Construct);
    if (used) markValue();
    else emit(Opcode::Pop);
    return true;
}

// var-define: name ["=" value]
//   The initial value (or null), then StoreLocal into the variable's slot.
bool CodeGenerator::compileVarDefine(KvAstNode& node, bool used) {
    auto* definition = node.payloadAs<KvAstDefinition>();
    const VariableDecl* decl = resolutions_.declOf(node);
    if (!definition || !decl) return compileStatementOnly(node, used);
    if (!compile(definition->value.get(), true)) return false;
    line_ = node.line();
    emitInt(Opcode::StoreLocal, decl->slot).discard = !used;
    return true;
}

// tuple-var: "var" ("(" | "[") name {"," name} (")" | "]") "=" value
//   The value into register r; per name i: PushRegister r, TupleItem i,
//   StoreLocal; ClearRegister r. A list gives its items in order (null where
//   it is short), any other value goes to the first name alone.
bool CodeGenerator::compileTupleDefine(KvAstNode& node, bool used) {
    auto* definition = node.payloadAs<KvAstMultiDefinition>();
    const std::vector<const VariableDecl*>* decls = resolutions_.declsOf(node);
    if (!definition || !decls) return compileStatementOnly(node, used);
    int32_t reg = -1;
    if (!takeRegister(node, reg)) return false;
    if (!compile(definition->value.get(), true)) return false;
    line_ = node.line();
    emitInt(Opcode::PopToRegister, reg);
    for (size_t i = 0; i < decls->size(); ++i) {
        emitInt(Opcode::PushRegister, reg);
        emitInt(Opcode::TupleItem, static_cast<int64_t>(i));
        emitInt(Opcode::StoreLocal, (*decls)[i]->slot);
    }
    emitInt(Opcode::ClearRegister, reg);
    if (used) {
        emit(Opcode::PushNull);
        markValue();
    }
    return true;
}

}  // namespace kestrel
