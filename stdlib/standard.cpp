// standard.kvd: the modules it carries ("kv_libs") and their init exports.
#include "stdlib_runtime.h"

namespace kestrel::stdlib {

namespace {
const KvRuntimeRecord* kept = nullptr;
}  // namespace

const KvRuntimeRecord& runtime() {
    return *kept;
}

void keepRuntime(const KvRuntimeRecord* record) {
    kept = record;
}

}  // namespace kestrel::stdlib

using namespace kestrel::stdlib;

namespace {

// Refuses an interpreter whose record this library cannot read.
bool accepts(const KvRuntimeRecord* record) {
    return record && record->layoutVersion == KESTREL_EXTENSION_LAYOUT_VERSION && record->values;
}

}  // namespace

KV_EXTENSION_EXPORT const KvLibraryList* kv_libs() {
    static const char16_t* const names[] = {u"util", u"math", u"os"};
    static const KvLibraryList list = {names, names + sizeof(names) / sizeof(names[0])};
    return &list;
}

KV_EXTENSION_EXPORT const KvModuleDescriptor* kv_module_init_util(const KvRuntimeRecord* record) {
    if (!accepts(record)) return nullptr;
    keepRuntime(record);
    return utilModule();
}

KV_EXTENSION_EXPORT const KvModuleDescriptor* kv_module_init_math(const KvRuntimeRecord* record) {
    if (!accepts(record)) return nullptr;
    keepRuntime(record);
    return mathModule();
}

KV_EXTENSION_EXPORT const KvModuleDescriptor* kv_module_init_os(const KvRuntimeRecord* record) {
    if (!accepts(record)) return nullptr;
    keepRuntime(record);
    return osModule();
}
