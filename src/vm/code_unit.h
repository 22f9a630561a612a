// A compiled instruction list made ready to run: the module it belongs to
// (kept alive while the unit lives) and one cache entry per instruction for
// what an instruction builds once (constants, member bindings, positions).
// Units are reference counted by the frames and functions that run them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "objects/field_value.h"
#include "objects/value_ref.h"
#include "vm/exec_code.h"
#include "vm/instruction.h"
#include "vm/var_position.h"

namespace kestrel {

class KvBaseObject;
class CodeUnit;
struct ImplicitBindings;

// Code units are born holding one reference (their creator's); defined below.
template <>
struct KvRefCounting<CodeUnit> {
    static constexpr bool kBornOwned = true;
    static void retain(CodeUnit* unit);
    static void drop(CodeUnit* unit);
};
using KvUnitRef = KvRef<CodeUnit>;

struct CodeCacheEntry {
    KvValueRef value;                          // a constant, made at its first run
    std::unique_ptr<KvVarPosition> position;   // LoadName
    std::vector<const ScopeTable*> scopes;     // LoadName: the chain it was found through
    KvMemberBindingPtr binding;                // MemberRef
    int8_t readAtOnce = -1;                    // MemberRef, IndexRef: -1 until known, then 0 or 1
    int8_t callAhead = -1;                     // MemberRef: -1 until known; how far the Call calling it is, or 0
    std::unique_ptr<ImplicitBindings> implicits;  // MakeFunction: where free names bind
    CodeCacheEntry();
    ~CodeCacheEntry();
    CodeCacheEntry(CodeCacheEntry&&) noexcept;
};

class CodeUnit {
public:
    // The unit starts with one reference for its creator.
    CodeUnit(CompiledModulePtr module, std::u16string moduleKey);
    CodeUnit(const CodeUnit&) = delete;
    CodeUnit& operator=(const CodeUnit&) = delete;

    const Instruction* code() const { return module_->code.data(); }
    // The executable records (exec_code.h): count() + 1, the last one End.
    const ExecInstruction* exec() const { return exec_.data(); }
    const std::vector<ExecInstruction>& executable() const { return exec_; }
    int32_t count() const { return count_; }
    // The entry of an instruction that builds something once (a constant,
    // a name's position, a member binding, a function's free-name bindings).
    // Most instructions build nothing and have none; any other position gets
    // one made on first use.
    CodeCacheEntry& cache(int32_t position) {
        const int32_t index = cacheIndex_[static_cast<size_t>(position)];
        return index >= 0 ? cache_[static_cast<size_t>(index)] : extraEntry(position);
    }
    const CompiledModulePtr& module() const { return module_; }
    // The key module loading knows the module by (its resolved path), or empty.
    const std::u16string& moduleKey() const { return moduleKey_; }

    void retain() { ++refs_; }
    void releaseRef() {
        if (--refs_ == 0) delete this;
    }

private:
    ~CodeUnit();
    CodeCacheEntry& extraEntry(int32_t position);

    CompiledModulePtr module_;
    std::u16string moduleKey_;
    int32_t count_;
    std::vector<int32_t> cacheIndex_;  // per instruction: its entry in cache_, or -1
    std::vector<CodeCacheEntry> cache_;
    std::unordered_map<int32_t, CodeCacheEntry> extra_;
    std::vector<ExecInstruction> exec_;
    int32_t refs_ = 1;
};

inline void KvRefCounting<CodeUnit>::retain(CodeUnit* unit) { unit->retain(); }
inline void KvRefCounting<CodeUnit>::drop(CodeUnit* unit) { unit->releaseRef(); }

}  // namespace kestrel
