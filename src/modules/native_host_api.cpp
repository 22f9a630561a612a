// The run facts extensions may ask for: the script's own path and the
// arguments the command line handed it. Both are read from the runtime
// settings at the moment of the call, so they follow the run in progress.
#include "host/runtime_settings.h"
#include "modules/native_values.h"

namespace kestrel {

namespace {

KvValue* scriptArgumentList() {
    const KvValueApi& values = nativeValueApi();
    KvValue* list = values.newList();
    for (const std::u16string& argument : runtimeSettings().scriptArguments) {
        values.listAppend(list, values.newString16(argument.data(), argument.size()));
    }
    return list;
}

KvValue* scriptPathText() {
    const std::u16string& path = runtimeSettings().scriptPath;
    if (path.empty()) return nullptr;
    return nativeValueApi().newString16(path.data(), path.size());
}

}  // namespace

const KvHostApi& nativeHostApi() {
    static const KvHostApi api = {scriptArgumentList, scriptPathText};
    return api;
}

}  // namespace kestrel
