// Loading objects.json. The file is named relative to the working directory
// on purpose: no other directory is searched.
#include "shell/objects_model.h"

#include "host/platform.h"
#include "shell/json_file.h"
#include "shell/startup_output.h"

namespace kestrel {
namespace {

const char16_t kObjectsFile[] = u"objects.json";

}  // namespace

std::unique_ptr<Json::Value> loadObjectsMeta() {
    if (!platform::pathExists(kObjectsFile)) {
        startupError(u"Can't find objects meta file \"objects.json\"!\r\n");
        return nullptr;
    }
    auto document = std::make_unique<Json::Value>();
    if (readJsonFile(kObjectsFile, *document) != JsonFileResult::Parsed) {
        startupError(u"Error read file \"objects.json\"!\r\n");  // also for an empty file
        return nullptr;
    }
    return document;
}

bool loadObjectsModel() {
    static bool loaded = false;
    if (loaded) return true;
    startupNotice(u"[Loading objects model] ");
    if (loadObjectsMeta() == nullptr) return false;
    startupNotice(u"Objects model loaded.\r\n");
    loaded = true;
    return true;
}

}  // namespace kestrel
