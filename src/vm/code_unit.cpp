// Code unit construction and the release of its per-instruction cache.
#include "vm/code_unit.h"

#include "objects/base_object.h"
#include "objects/shared_constants.h"
#include "vm/function_binding.h"

namespace kestrel {

namespace {

// Instructions that keep something in the unit's cache (see CodeUnit::cache).
bool keepsCacheEntry(const Instruction& ins) {
    switch (ins.opcode) {
    case Opcode::PushInt:  // only values that are not shared constants
        return ins.intValue != static_cast<int32_t>(ins.intValue) ||
               !isSharedIntValue(static_cast<int32_t>(ins.intValue));
    case Opcode::PushLong: case Opcode::PushFloat: case Opcode::PushDouble: case Opcode::PushString:
    case Opcode::MemberRef: case Opcode::IndexRef: case Opcode::LoadName: case Opcode::MakeFunction:
        return true;
    default:
        return false;
    }
}

}  // namespace

CodeCacheEntry::CodeCacheEntry() = default;
CodeCacheEntry::CodeCacheEntry(CodeCacheEntry&&) noexcept = default;
CodeCacheEntry::~CodeCacheEntry() = default;

CodeUnit::CodeUnit(CompiledModulePtr module, std::u16string moduleKey)
    : module_(std::move(module)), moduleKey_(std::move(moduleKey)),
      count_(static_cast<int32_t>(module_->code.size())), cacheIndex_(module_->code.size(), -1),
      exec_(buildExecutable(module_->code, fusedInstructionsEnabled())) {
    int32_t entries = 0;
    for (size_t i = 0; i < module_->code.size(); ++i) {
        if (keepsCacheEntry(module_->code[i])) cacheIndex_[i] = entries++;
    }
    cache_.resize(static_cast<size_t>(entries));
}

CodeCacheEntry& CodeUnit::extraEntry(int32_t position) {
    return extra_[position];
}

CodeUnit::~CodeUnit() = default;

}  // namespace kestrel
