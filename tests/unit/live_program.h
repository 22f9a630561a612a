// A program kept alive after its module ran, so tests can call its global
// functions from native code between checks of the live values.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "objects/number_integer.h"
#include "vm/code_unit.h"
#include "vm/function_value.h"
#include "vm/machine.h"
#include "vm/variable_slot.h"
#include "compile_test_util.h"
#include "vm_script_support.h"

namespace kestrel::testing {

class LiveProgram {
public:
    explicit LiveProgram(const std::string& source) {
        initObjectModel();
        unit_ = new CodeUnit(compileShared(source), u"");
        machine_.run(unit_, true, false);
    }
    ~LiveProgram() { unit_->releaseRef(); }
    LiveProgram(const LiveProgram&) = delete;
    LiveProgram& operator=(const LiveProgram&) = delete;

    KvBaseObject* global(const std::u16string& name) {
        VariableSlot* slot = machine_.program().global(name);
        return slot ? slot->read() : nullptr;
    }
    // Calls a global function; the result is owned.
    KvScriptCallResult callWith(const std::u16string& name, std::vector<KvBaseObject*> args) {
        KvArgList list{static_cast<int32_t>(args.size()), args.data()};
        return callFromNative(global(name), list);
    }
    KvScriptCallResult call(const std::u16string& name, std::initializer_list<int32_t> ints = {}) {
        std::vector<KvBaseObject*> args;
        for (int32_t v : ints) args.push_back(kvInt(v));
        return callWith(name, args);
    }

private:
    KvVirtualMachine machine_;
    CodeUnit* unit_;
};

inline int32_t intResult(const KvScriptCallResult& r) {
    return r.value && r.value->tag() == kTagNumber ? static_cast<KvObjNumber*>(r.value.get())->toInt() : -99;
}

}  // namespace kestrel::testing
