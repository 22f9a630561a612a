#include "modules/builtin_names.h"

#include <unordered_map>

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

}  // namespace kestrel
