// Control flow: if, loops with their break/continue records, switch with a
// register holding its subject, return, throw, try and import. Loop records
// belong to one function body; break outside any loop emits nothing.
#include "vm/code_generator.h"
#include "vm/compile_messages.h"

namespace kestrel {

void CodeGenerator::openLoop(bool isSwitch) {
    loops_.emplace_back();
    loops_.back().isSwitch = isSwitch;
}

void CodeGenerator::closeLoop(int32_t breakTarget, int32_t continueTarget) {
    LoopRecord record = std::move(loops_.back());
    loops_.pop_back();
    for (int32_t at : record.breaks) patchJump(at, breakTarget);
    for (int32_t at : record.continues) patchJump(at, continueTarget);
}

// if-stmt: test, JumpIfFalse else, then, Jump end, else, Label end.
bool CodeGenerator::compileIf(KvAstNode& node) {
    auto* parts = node.payloadAs<KvAstThreeChildren>();
    if (!parts) return true;
    if (!compile(parts->first.get(), true)) return false;
    int32_t toElse = emitJump(Opcode::JumpIfFalse);
    if (!compile(parts->second.get(), false)) return false;
    int32_t toEnd = emitJump(Opcode::Jump);
    patchJump(toElse, position());
    if (!compile(parts->third.get(), false)) return false;
    patchJump(toEnd, position());
    emit(Opcode::Label);
    return true;
}

// while-stmt: Jump test, body, Label test, test, JumpIfTrue body, Label end.
bool CodeGenerator::compileWhile(KvAstNode& node) {
    auto* parts = node.payloadAs<KvAstTwoChildren>();
    if (!parts) return true;
    openLoop(false);
    int32_t toTest = emitJump(Opcode::Jump);
    int32_t body = position();
    if (!compile(parts->second.get(), false)) return false;
    int32_t test = position();
    patchJump(toTest, test);
    emit(Opcode::Label);
    if (!compile(parts->first.get(), true)) return false;
    emitInt(Opcode::JumpIfTrue, body);
    closeLoop(position(), test);
    emit(Opcode::Label);
    return true;
}

// do-stmt: Label body, body, test, JumpIfTrue body, Label end; continue goes to the test.
bool CodeGenerator::compileDoWhile(KvAstNode& node) {
    auto* parts = node.payloadAs<KvAstTwoChildren>();
    if (!parts) return true;
    openLoop(false);
    int32_t body = position();
    emit(Opcode::Label);
    if (!compile(parts->first.get(), false)) return false;
    int32_t test = position();
    if (!compile(parts->second.get(), true)) return false;
    emitInt(Opcode::JumpIfTrue, body);
    closeLoop(position(), test);
    emit(Opcode::Label);
    return true;
}

// for-stmt: init, Jump test, Label body, body, step, test + JumpIfTrue body
// (or Jump body without a test), Label end; continue goes to the step.
bool CodeGenerator::compileFor(KvAstNode& node) {
    auto* loop = node.payloadAs<KvAstCountedLoop>();
    if (!loop) return true;
    openLoop(false);
    if (!compileList(loop->initialisers)) return false;
    int32_t toTest = emitJump(Opcode::Jump);
    int32_t body = position();
    emit(Opcode::Label);
    if (!compile(loop->body.get(), false)) return false;
    int32_t step = position();
    if (!compileList(loop->updates)) return false;
    patchJump(toTest, position());
    line_ = node.line();
    if (loop->test) {
        if (!compile(loop->test.get(), true)) return false;
        emitInt(Opcode::JumpIfTrue, body);
    } else {
        emitInt(Opcode::Jump, body);
    }
    closeLoop(position(), step);
    emit(Opcode::Label);
    return true;
}

bool CodeGenerator::compileBreak() {
    if (!loops_.empty()) loops_.back().breaks.push_back(emitJump(Opcode::Jump));
    return true;
}

// continue: to the innermost loop's next iteration (a switch is passed through).
bool CodeGenerator::compileContinue() {
    auto loop = loops_.rbegin();
    while (loop != loops_.rend() && loop->isSwitch) ++loop;
    if (loop == loops_.rend()) return true;
    // The subjects of the switches left behind are dropped on the way out.
    for (auto it = loops_.rbegin(); it != loop; ++it) emitInt(Opcode::ClearRegister, it->reg);
    loop->continues.push_back(emitJump(Opcode::Jump));
    return true;
}

// switch-stmt: subject into register r; per case value: value, PushRegister r,
// JumpIfEqual body; Jump default-or-end; the bodies in order (falling
// through); Label end; ClearRegister r.
bool CodeGenerator::compileSwitch(KvAstNode& node) {
    auto* statement = node.payloadAs<KvAstSwitch>();
    if (!statement) return true;
    int32_t reg = -1;
    if (!takeRegister(node, reg)) return false;
    openLoop(true);
    loops_.back().reg = reg;
    if (!compile(statement->test.get(), true)) return false;
    emitInt(Opcode::PopToRegister, reg);
    ++registerDepth_;
    std::vector<std::vector<int32_t>> caseJumps(statement->cases.size());
    int32_t defaultCase = -1;
    for (size_t i = 0; i < statement->cases.size(); ++i) {
        if (statement->cases[i].values.empty()) defaultCase = static_cast<int32_t>(i);
        for (const auto& value : statement->cases[i].values) {
            if (!compile(value.get(), true)) return false;
            emitInt(Opcode::PushRegister, reg);
            caseJumps[i].push_back(emitJump(Opcode::JumpIfEqual));
        }
    }
    int32_t toDefault = emitJump(Opcode::Jump);
    std::vector<int32_t> bodies(statement->cases.size());
    for (size_t i = 0; i < statement->cases.size(); ++i) {
        bodies[i] = position();
        if (!compileList(statement->cases[i].statements)) return false;
        if (position() == bodies[i]) emit(Opcode::Label);
        for (int32_t at : caseJumps[i]) patchJump(at, bodies[i]);
    }
    --registerDepth_;
    int32_t end = position();
    patchJump(toDefault, defaultCase >= 0 ? bodies[defaultCase] : end);
    closeLoop(end, end);
    emit(Opcode::Label);
    emitInt(Opcode::ClearRegister, reg);
    return true;
}

bool CodeGenerator::compileReturn(KvAstNode& node) {
    auto* value = node.payloadAs<KvAstOneChild>();
    if (!compile(value ? value->child.get() : nullptr, true)) return false;
    line_ = node.line();
    emit(Opcode::Return);
    return true;
}

bool CodeGenerator::compileThrow(KvAstNode& node) {
    auto* parts = node.payloadAs<KvAstTwoChildren>();
    if (!parts) return true;
    if (!compile(parts->first.get(), true)) return false;
    int32_t count = 1;
    if (parts->second) {
        if (!compile(parts->second.get(), true)) return false;
        count = 2;
    }
    line_ = node.line();
    emitInt(Opcode::Throw, count);
    return true;
}

// try-stmt: PushHandler catch, try block, PopHandler, Jump end, Label catch,
// the exception into the catch variable (or dropped), catch block, Label end, finally.
bool CodeGenerator::compileTry(KvAstNode& node) {
    auto* statement = node.payloadAs<KvAstTry>();
    if (!statement) return true;
    int32_t handler = emitJump(Opcode::PushHandler);
    if (!compile(statement->tryBlock.get(), false)) return false;
    emit(Opcode::PopHandler);
    int32_t toEnd = emitJump(Opcode::Jump);
    patchJump(handler, position());
    emit(Opcode::Label);
    if (statement->catchVar && statement->catchVar->resolved) {
        emitInt(Opcode::StoreLocal, statement->catchVar->slot());
    } else {
        emit(Opcode::Pop);
    }
    if (!compile(statement->catchBlock.get(), false)) return false;
    patchJump(toEnd, position());
    emit(Opcode::Label);
    return compile(statement->finallyBlock.get(), false);
}

bool CodeGenerator::compileImport(KvAstNode& node) {
    auto* statement = node.payloadAs<KvAstImport>();
    if (!statement) return true;
    auto descriptor = std::make_unique<ImportDescriptor>();
    descriptor->kind = statement->kind == 2 ? ImportKind::Native : ImportKind::Script;
    for (size_t i = 0; i < statement->path.size(); ++i) {
        if (i > 0) descriptor->name += u".";
        descriptor->name += statement->path[i];
    }
    emit(Opcode::Import).import = descriptor.get();
    module_.imports.push_back(std::move(descriptor));
    return true;
}

}  // namespace kestrel
