// The one runtime record of the process.
#include "modules/runtime_record.h"

#include "host/console_queue.h"
#include "host/runtime_paths.h"
#include "host/runtime_settings.h"
#include "loader/module_loader.h"
#include "modules/native_values.h"
#include "objects/member_registry.h"
#include "objects/shared_constants.h"
#include "objects/value_pool.h"

namespace kestrel {

namespace {

KvRuntimeRecord& record() {
    static KvRuntimeRecord instance{};
    return instance;
}

}  // namespace

void buildRuntimeRecord() {
    KvRuntimeRecord& r = record();
    if (r.values) return;
    const KvSharedConstants& constants = sharedConstants();
    r.settings = &runtimeSettings();
    r.consoleQueue = &consoleQueue();
    r.typeRegistry = &memberRegistry();
    r.valuePool = &valuePool();
    r.trueValue = toNative(constants.trueValue);
    r.falseValue = toNative(constants.falseValue);
    r.nullValue = toNative(constants.null);
    r.smallIntegers = const_cast<KvObjInt**>(constants.ints);
    r.regexCache = nullptr;
    r.layoutVersion = KESTREL_EXTENSION_LAYOUT_VERSION;
    r.values = &nativeValueApi();
    r.host = &nativeHostApi();
}

void completeRuntimeRecord() {
    buildRuntimeRecord();
    record().moduleManager = &moduleManager();
    record().runtimePaths = &runtimePaths();
}

const KvRuntimeRecord* runtimeRecord() {
    if (!record().runtimePaths) completeRuntimeRecord();
    return &record();
}

}  // namespace kestrel
