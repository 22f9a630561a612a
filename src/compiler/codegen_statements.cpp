// Control flow: if, loops with their break/continue records, switch with a
// register holding its subject, return, throw, try with catch and finally,
// and import. Loop records and protected regions belong to one function
// body; break outside any loop emits nothing.
#include "compiler/code_generator.h"
#include "compiler/compile_messages.h"

namespace kestrel {

// A loop or switch begins: its break and continue jumps are collected until
// closeLoop knows their targets. It remembers how many protected regions
// were open, so leaving it leaves only the regions opened inside.
void CodeGenerator::openLoop(bool isSwitch) {
    loops_.emplace_back();
    loops_.back().isSwitch = isSwitch;
    loops_.back().regionDepth = regions_.size();
}

// Leaving protected regions down to toDepth (by break, continue or return):
// their handlers are popped, pending completions of finally blocks being
// left are dropped, and each finally block on the way runs, coming back
// here through a pending jump.
void CodeGenerator::emitExits(size_t toDepth) {
    for (size_t i = regions_.size(); i > toDepth; --i) {
        Region& region = regions_[i - 1];
        if (region.kind == RegionKind::FinallyBody) {
            emit(Opcode::DropPending);
            continue;
        }
        emit(Opcode::PopHandler);
        if (region.kind == RegionKind::Catch) continue;
        int32_t resume = emitJump(Opcode::PendingJump);
        region.entryJumps.push_back(emitJump(Opcode::Jump));
        patchJump(resume, position());
        emit(Opcode::Label);
    }
}

// The innermost loop or switch ends: its break and continue jumps are patched.
void CodeGenerator::closeLoop(int32_t breakTarget, int32_t continueTarget) {
    LoopRecord record = std::move(loops_.back());
    loops_.pop_back();
    for (int32_t at : record.breaks) patchJump(at, breakTarget);
    for (int32_t at : record.continues) patchJump(at, continueTarget);
}

// if-stmt: "if" "(" test ")" then ["else" else]
//   test; JumpIfFalse else; then; Jump end; else; Label end.
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

// while-stmt: "while" "(" test ")" body
//   Jump test; body; Label test; test; JumpIfTrue body; Label end. continue
//   goes to the test.
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

// do-stmt: "do" body "while" "(" test ")"
//   Label body; body; test; JumpIfTrue body; Label end. continue goes to the test.
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

// for-stmt: "for" "(" [init] ";" [test] ";" [step] ")" body
//   init; Jump test; Label body; body; step; test and JumpIfTrue body (or
//   Jump body without a test); Label end. continue goes to the step.
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

// for-each: "for" "(" "var" name ":" range ")" body
//   range; EachBegin r; Label next; EachNext r; JumpIfFalse end; StoreLocal
//   name; body; Jump next; Label end; ClearRegister r. The cursor in register
//   r walks the range; continue goes to EachNext, break to the end.
bool CodeGenerator::compileForEach(KvAstNode& node) {
    auto* loop = node.payloadAs<KvAstEachLoop>();
    const VariableDecl* decl = resolutions_.declOf(node);
    if (!loop || !decl) return true;
    int32_t reg = -1;
    if (!takeRegister(node, reg)) return false;
    if (!compile(loop->range.get(), true)) return false;
    line_ = node.line();
    emitInt(Opcode::EachBegin, reg);
    ++registerDepth_;
    openLoop(false);
    int32_t next = position();
    emitInt(Opcode::EachNext, reg);
    int32_t toEnd = emitJump(Opcode::JumpIfFalse);
    emitInt(Opcode::StoreLocal, decl->slot);
    bool ok = compile(loop->body.get(), false);
    --registerDepth_;
    if (!ok) return false;
    line_ = node.line();
    emitInt(Opcode::Jump, next);
    int32_t end = position();
    patchJump(toEnd, end);
    closeLoop(end, next);
    emit(Opcode::Label);
    emitInt(Opcode::ClearRegister, reg);
    return true;
}

// break-stmt: "break"
//   The exits of the regions inside the loop, then a Jump to its end; outside
//   any loop nothing at all.
bool CodeGenerator::compileBreak() {
    if (loops_.empty()) return true;
    emitExits(loops_.back().regionDepth);
    loops_.back().breaks.push_back(emitJump(Opcode::Jump));
    return true;
}

// continue-stmt: "continue"
//   To the innermost loop's next iteration (a switch is passed through);
//   outside any loop nothing at all.
bool CodeGenerator::compileContinue() {
    auto loop = loops_.rbegin();
    while (loop != loops_.rend() && loop->isSwitch) ++loop;
    if (loop == loops_.rend()) return true;
    // The subjects of the switches left behind are dropped on the way out.
    for (auto it = loops_.rbegin(); it != loop; ++it) emitInt(Opcode::ClearRegister, it->reg);
    emitExits(loop->regionDepth);
    loop->continues.push_back(emitJump(Opcode::Jump));
    return true;
}

// switch-stmt: "switch" subject "{" {"case" value ":" stmts | "default" ":" stmts} "}"
//   subject into register r; per case value: value, PushRegister r,
//   JumpIfEqual body; Jump default-or-end; the bodies in order (falling
//   through); Label end; ClearRegister r.
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
    int32_t defaultCase = -1;  // the clause without values, if any
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

// return-stmt: "return" [value]
//   The value (or null), the exits of every open region, Return.
bool CodeGenerator::compileReturn(KvAstNode& node) {
    auto* value = node.payloadAs<KvAstOneChild>();
    if (!compile(value ? value->child.get() : nullptr, true)) return false;
    line_ = node.line();
    emitExits(0);  // the value waits on the stack while finally blocks run
    emit(Opcode::Return);
    return true;
}

// throw-stmt: "throw" value ["," second]
//   The value, the second value when there is one, Throw count.
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

// try-stmt: "try" block ["catch" "(" name ")" block] ["finally" block]
//   [PushHandler finally-pad] [PushHandler catch] try block
//   [PopHandler] then, with a finally: PopHandler, PendingJump end, Jump finally;
//   catch: the exception into the catch variable (or dropped), catch block,
//   likewise; finally-pad: PendingRaise; finally block; EndFinally; Label end.
//   The finally block thus runs on every way out, and EndFinally carries on
//   with what was pending (the jump onwards or the exception). Without a
//   catch part or a finally, the try still catches (and drops) exceptions.
bool CodeGenerator::compileTry(KvAstNode& node) {
    auto* statement = node.payloadAs<KvAstTry>();
    if (!statement) return true;
    const bool hasFinally = statement->finallyBlock != nullptr;
    const bool hasCatch = statement->catchBlock || statement->catchVar || !hasFinally;
    int32_t pad = -1;
    if (hasFinally) {
        pad = emitJump(Opcode::PushHandler);
        regions_.push_back({RegionKind::Finally, {}});
    }
    std::vector<int32_t> toEnd;
    if (!compileTryBlocks(*statement, hasCatch, hasFinally, toEnd)) return false;
    if (hasFinally) {
        Region region = std::move(regions_.back());
        regions_.pop_back();
        patchJump(pad, position());
        emit(Opcode::Label);
        emit(Opcode::PendingRaise);
        for (int32_t at : region.entryJumps) patchJump(at, position());
        regions_.push_back({RegionKind::FinallyBody, {}});
        bool ok = compile(statement->finallyBlock.get(), false);
        regions_.pop_back();
        if (!ok) return false;
        emit(Opcode::EndFinally);
    }
    for (int32_t at : toEnd) patchJump(at, position());
    emit(Opcode::Label);
    return true;
}

// The try block and the catch part; each ends by going to the finally block
// (with a pending jump to the end) or straight to the end.
bool CodeGenerator::compileTryBlocks(KvAstTry& statement, bool hasCatch, bool hasFinally,
                                     std::vector<int32_t>& toEnd) {
    auto leave = [&]() {
        if (hasFinally) {
            emit(Opcode::PopHandler);
            toEnd.push_back(emitJump(Opcode::PendingJump));
            regions_.back().entryJumps.push_back(emitJump(Opcode::Jump));
        } else {
            toEnd.push_back(emitJump(Opcode::Jump));
        }
    };
    int32_t handler = -1;
    if (hasCatch) {
        handler = emitJump(Opcode::PushHandler);
        regions_.push_back({RegionKind::Catch, {}});
    }
    bool ok = compile(statement.tryBlock.get(), false);
    if (hasCatch) regions_.pop_back();
    if (!ok) return false;
    if (hasCatch) emit(Opcode::PopHandler);
    leave();
    if (!hasCatch) return true;
    patchJump(handler, position());
    emit(Opcode::Label);
    const VariableDecl* caught = statement.catchVar ? resolutions_.declOf(*statement.catchVar) : nullptr;
    if (caught) {
        emitInt(Opcode::StoreLocal, caught->slot);
    } else {
        emit(Opcode::Pop);
    }
    if (!compile(statement.catchBlock.get(), false)) return false;
    leave();
    return true;
}

// import-stmt: "import" (string | name {"." name}) ["select" ("*" | field {"," field})]
//   Import with a descriptor naming the module by its dotted path.
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
