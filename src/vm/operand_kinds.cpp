// Operand kinds by opcode; opcodes not listed carry no operand.
#include "vm/operand_kinds.h"

namespace kestrel {

OperandKind operandKindOf(Opcode opcode) {
    switch (opcode) {
        case Opcode::Jump: case Opcode::JumpAlways: case Opcode::JumpIfTrue: case Opcode::JumpIfFalse:
        case Opcode::JumpIfEqual: case Opcode::JumpIfNotEqual: case Opcode::JumpIfGreater:
        case Opcode::JumpIfGreaterEqual: case Opcode::JumpIfLess: case Opcode::JumpIfLessEqual:
        case Opcode::CallBuiltin: case Opcode::Throw: case Opcode::PushInt: case Opcode::StoreLocal:
        case Opcode::LoadLocal: case Opcode::MakeList: case Opcode::IndexRef: case Opcode::PopToRegister:
        case Opcode::PeekToRegister: case Opcode::TakeRegister: case Opcode::PushRegister:
        case Opcode::ClearRegister: case Opcode::PushHandler: case Opcode::PendingJump:
            return OperandKind::Int;
        case Opcode::PushLong: return OperandKind::Long;
        case Opcode::PushFloat: return OperandKind::Float;
        case Opcode::PushDouble: return OperandKind::Double;
        case Opcode::PushString: case Opcode::MapPut: case Opcode::MemberRef: case Opcode::LoadName:
        case Opcode::New:
            return OperandKind::Text;
        case Opcode::PushBool: return OperandKind::Bool;
        case Opcode::EnterScope: return OperandKind::Scope;
        case Opcode::MakeFunction: return OperandKind::Function;
        case Opcode::MakeClass: return OperandKind::Class;
        case Opcode::Import: return OperandKind::Import;
        default: return OperandKind::None;
    }
}

bool isJumpOpcode(Opcode opcode) {
    switch (opcode) {
        case Opcode::Jump: case Opcode::JumpAlways: case Opcode::JumpIfTrue: case Opcode::JumpIfFalse:
        case Opcode::JumpIfEqual: case Opcode::JumpIfNotEqual: case Opcode::JumpIfGreater:
        case Opcode::JumpIfGreaterEqual: case Opcode::JumpIfLess: case Opcode::JumpIfLessEqual:
        case Opcode::PushHandler: case Opcode::PendingJump:
            return true;
        default: return false;
    }
}

bool isRegisterOpcode(Opcode opcode) {
    switch (opcode) {
        case Opcode::PopToRegister: case Opcode::PeekToRegister: case Opcode::TakeRegister:
        case Opcode::PushRegister: case Opcode::ClearRegister:
            return true;
        default: return false;
    }
}

}  // namespace kestrel
