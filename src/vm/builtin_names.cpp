#include "vm/builtin_names.h"

#include <unordered_map>

#include "objects/base_object.h"
#include "objects/shared_constants.h"

namespace kestrel {

static const char16_t* const kNames[kBuiltinCount] = {
#define KESTREL_BUILTIN_NAME(name, index) u## #name,
    KESTREL_BUILTINS(KESTREL_BUILTIN_NAME)
#undef KESTREL_BUILTIN_NAME
};

int32_t builtinIndex(const std::u16string& name) {
    static const auto* const byName = [] {
        auto* map = new std::unordered_map<std::u16string, int32_t>();
        for (int32_t i = 0; i < kBuiltinCount; ++i) map->emplace(kNames[i], i);
        return map;
    }();
    auto it = byName->find(name);
    return it == byName->end() ? -1 : it->second;
}

const char16_t* builtinName(int32_t index) {
    return index >= 0 && index < kBuiltinCount ? kNames[index] : nullptr;
}

static const KvBuiltinFunction* installedFunctions = nullptr;

void setBuiltinFunctions(const KvBuiltinFunction* functions) { installedFunctions = functions; }

KvValueRef callBuiltinFunction(int32_t index, const KvArgList& args) {
    if (installedFunctions == nullptr || index < 0 || index >= kBuiltinCount) return kvOwnedOrNull(nullptr);
    return kvOwnedOrNull(installedFunctions[index](args));
}

}  // namespace kestrel
