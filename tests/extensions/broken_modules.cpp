// Libraries that load but cannot be used, one per failure the interpreter
// must survive; which one is built is chosen by BROKEN_KIND:
//   1 no_export.kvd    exports no init function at all
//   2 null_init.kvd    its init function gives no module
//   3 new_layout.kvd   its descriptor carries a layout version from the future
#include "kestrel/extension.h"

#if BROKEN_KIND == 1
KV_EXTENSION_EXPORT int kv_something_else() {
    return 1;
}
#elif BROKEN_KIND == 2
KV_EXTENSION_EXPORT const KvModuleDescriptor* kv_module_init_null_init(const KvRuntimeRecord*) {
    return nullptr;
}
#elif BROKEN_KIND == 3
namespace {
const KvModuleDescriptor kFuture = {KESTREL_EXTENSION_LAYOUT_VERSION + 1, "from a later interpreter",
                                    nullptr, 0, nullptr, 0};
}  // namespace

KV_EXTENSION_EXPORT const KvModuleDescriptor* kv_module_init_new_layout(const KvRuntimeRecord*) {
    return &kFuture;
}
#endif
