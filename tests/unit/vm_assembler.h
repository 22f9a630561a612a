// Hand-assembled modules for machine tests: instructions appended one by
// one, scopes declared with their slots in order.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "objects/base_object.h"
#include "objects/shared_constants.h"
#include "vm/code_unit.h"
#include "vm/instruction.h"
#include "vm/machine.h"

namespace kestrel::testing {

class Assembler {
public:
    Assembler() : module_(std::make_shared<CompiledModule>()) {}

    // A scope whose slots hold the given names (all declared, slot = position).
    ScopeTable* scope(const std::vector<std::u16string>& names, ScopeKind kind = ScopeKind::Module) {
        auto table = std::make_unique<ScopeTable>();
        table->number = static_cast<int32_t>(module_->scopes.size());
        table->kind = kind;
        for (const auto& name : names) {
            auto decl = std::make_unique<VariableDecl>();
            decl->name = name;
            decl->slot = table->slotCount();
            table->names[name] = decl.get();
            table->declared.push_back(decl.get());
            table->slotOrder.push_back(decl.get());
            table->declarations.push_back(std::move(decl));
        }
        module_->scopes.push_back(std::move(table));
        return module_->scopes.back().get();
    }

    int32_t here() const { return static_cast<int32_t>(module_->code.size()); }

    Instruction& op(Opcode opcode, int64_t operand = 0, bool discard = true) {
        Instruction ins;
        ins.opcode = opcode;
        ins.intValue = operand;
        ins.discard = discard;
        module_->code.push_back(ins);
        return module_->code.back();
    }
    Instruction& text(Opcode opcode, const std::u16string& text) {
        Instruction& ins = op(opcode);
        ins.text = module_->texts.add(text);
        return ins;
    }
    Instruction& enter(ScopeTable* scope) {
        Instruction& ins = op(Opcode::EnterScope);
        ins.scope = scope;
        return ins;
    }
    void patch(int32_t at, int64_t target) { module_->code[static_cast<size_t>(at)].intValue = target; }

    CompiledModulePtr module() const { return module_; }

private:
    CompiledModulePtr module_;
};

// Runs the module as a new program and hands back the result's text form
// ("<none>" without a result) and whether it ended in an exception.
struct MachineRun {
    std::u16string text;
    bool raised = false;
};

inline MachineRun runAssembled(const Assembler& code) {
    initObjectModel();
    MachineRun out;
    auto* unit = new CodeUnit(code.module(), u"");
    KvVirtualMachine machine;
    machine.setReportUncaught(false);
    KvValueRef result = machine.run(unit, true, true);
    out.raised = machine.endedInException();
    out.text = result ? result->toString() : u"<none>";
    result.reset();
    unit->releaseRef();
    return out;
}

}  // namespace kestrel::testing
