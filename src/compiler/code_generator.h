// The code generator's state and its per-construct routines. Every routine
// takes "used": when true the construct leaves exactly one value on the
// operand stack, when false it leaves none.
#pragma once

#include <cstdint>
#include <vector>

#include "parser/ast_node.h"
#include "parser/parser_error.h"
#include "compiler/resolution_table.h"
#include "vm/instruction.h"

namespace kestrel {

class CodeGenerator {
public:
    CodeGenerator(CompiledModule& module, const ResolutionTable& resolutions, KvParserException& error)
        : module_(module), resolutions_(resolutions), error_(error) {}

    bool compileProgram(KvAstNode& program);

private:
    // break and continue jumps of one loop or switch, patched when it closes.
    struct LoopRecord {
        bool isSwitch = false;
        int32_t reg = -1;  // a switch's subject register
        std::vector<int32_t> breaks;
        std::vector<int32_t> continues;
        size_t regionDepth = 0;  // protected regions open where the loop starts
    };
    // A protected region of the function body being compiled: a try block
    // (its catch handler is pushed), a try or catch block with a finally
    // (its finally handler is pushed), or a finally block (a completion is pending).
    enum class RegionKind { Catch, Finally, FinallyBody };
    struct Region {
        RegionKind kind;
        std::vector<int32_t> entryJumps;  // Finally: jumps to the finally block
    };

    // Emitting (code_generator.cpp).
    int32_t position() const { return static_cast<int32_t>(module_.code.size()); }
    Instruction& emit(Opcode opcode);
    Instruction& emitInt(Opcode opcode, int64_t value);
    Instruction& emitText(Opcode opcode, const std::u16string& text);
    int32_t emitJump(Opcode opcode);
    void patchJump(int32_t at, int32_t target);
    void markValue();  // the last instruction's value is used
    bool fail(const KvAstNode& node, const char16_t* message);
    bool takeRegister(const KvAstNode& node, int32_t& reg);

    bool compile(KvAstNode* node, bool used);
    bool compileNode(KvAstNode& node, bool used);
    bool compileList(const KvAstNodeList& list);
    bool compileStatementOnly(KvAstNode& node, bool used);
    bool compileLiteral(KvAstNode& node, bool used);
    bool compileNumber(const KvAstNode& node);
    bool compileVariable(KvAstNode& node, bool used);
    bool compileBlockNode(KvAstNode& node, bool used);
    bool compileParens(KvAstNode& node, bool used);

    // Expressions (codegen_expressions.cpp).
    bool compileOperatorChain(KvAstNode& node, bool used);
    bool emitOperator(const KvAstNode& node, const KvAstOperator* op);
    bool compileNot(KvAstNode& node, bool used);
    bool compileBitOp(KvAstNode& node, bool used);
    bool compileTernary(KvAstNode& node, bool used);
    bool compileListLiteral(KvAstNode& node, bool used);
    bool compileMapLiteral(KvAstNode& node, bool used);
    bool compileAssign(KvAstNode& node, bool used);
    bool compileCompoundAssign(KvAstNode& node, bool used);
    bool compileIncrement(KvAstNode& node, bool used);
    bool compileNew(KvAstNode& node, bool used);
    bool compileVarDefine(KvAstNode& node, bool used);
    bool compileTupleDefine(KvAstNode& node, bool used);

    // Member/call chains and stores (codegen_chains.cpp).
    bool compileChain(KvAstNode& pipe, bool used);
    bool compileChainHead(KvAstNode& pipe, const KvAstNodeList& items, size_t& next);
    bool compileArguments(const KvAstNode& group, int32_t& count);
    bool compileStore(KvAstNode& target, bool used);
    bool compileChainStore(KvAstNode& target, bool used);
    bool compileUpdateTarget(KvAstNode& target, bool& viaPlace);
    bool compileUpdateStore(KvAstNode& target, bool viaPlace, bool used);

    // Statements (codegen_statements.cpp).
    bool compileIf(KvAstNode& node);
    bool compileWhile(KvAstNode& node);
    bool compileDoWhile(KvAstNode& node);
    bool compileFor(KvAstNode& node);
    bool compileForEach(KvAstNode& node);
    bool compileBreak();
    bool compileContinue();
    bool compileSwitch(KvAstNode& node);
    bool compileReturn(KvAstNode& node);
    bool compileThrow(KvAstNode& node);
    bool compileTry(KvAstNode& node);
    bool compileImport(KvAstNode& node);
    bool compileTryBlocks(KvAstTry& statement, bool hasCatch, bool hasFinally,
                          std::vector<int32_t>& toEnd);
    void emitExits(size_t toDepth);
    void openLoop(bool isSwitch);
    void closeLoop(int32_t breakTarget, int32_t continueTarget);

    // Definitions (codegen_definitions.cpp).
    bool compileFunction(KvAstNode& node, bool used);
    bool compileClass(KvAstNode& node, bool used);
    FunctionDescriptor* newDescriptor(const KvAstNode& node, ScopeTable& scope, const std::u16string& name);
    bool compileBody(const KvAstNodeList& first, const KvAstNodeList& second);

    CompiledModule& module_;
    const ResolutionTable& resolutions_;  // what the pass found, by node
    KvParserException& error_;
    std::vector<LoopRecord> loops_;  // of the function body being compiled
    std::vector<Region> regions_;    // of the function body being compiled
    // Operator nodes of the left spines being compiled, with their payloads.
    // The operator nodes of the left spines being compiled; eight bytes each,
    // as a chain of millions of terms keeps one entry per term.
    std::vector<KvAstNode*> spine_;
    int32_t registerDepth_ = 0;      // next free register of the current frame
    int32_t depth_ = 0;              // recursion depth
    uint32_t line_ = 0;              // line of the node being compiled
};

}  // namespace kestrel
