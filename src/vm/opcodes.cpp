#include "vm/opcodes.h"

namespace kestrel {

const char* opcodeName(uint32_t opcode) {
    switch (opcode) {
#define KESTREL_OPCODE_NAME(name, number) case number: return #name;
        KESTREL_OPCODES(KESTREL_OPCODE_NAME)
#undef KESTREL_OPCODE_NAME
        default: return nullptr;
    }
}

bool isKnownOpcode(uint32_t opcode) { return opcodeName(opcode) != nullptr; }

}  // namespace kestrel
