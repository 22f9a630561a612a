// Code unit construction and the release of its per-instruction cache.
#include "vm/code_unit.h"

#include "objects/base_object.h"
#include "vm/function_binding.h"

namespace kestrel {

CodeCacheEntry::CodeCacheEntry() = default;
CodeCacheEntry::CodeCacheEntry(CodeCacheEntry&&) noexcept = default;
CodeCacheEntry::~CodeCacheEntry() = default;

CodeUnit::CodeUnit(CompiledModulePtr module, std::u16string moduleKey)
    : module_(std::move(module)), moduleKey_(std::move(moduleKey)),
      count_(static_cast<int32_t>(module_->code.size())), cache_(module_->code.size()),
      exec_(buildExecutable(module_->code, fusedInstructionsEnabled())) {}

CodeUnit::~CodeUnit() = default;

}  // namespace kestrel
