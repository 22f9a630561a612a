// The objects model: "objects.json" in the working directory must
// exist and parse; its content is checked for validity only. Start-up loads
// the language packs only after this succeeded.
#pragma once

#include <memory>

#include <json/value.h>

namespace kestrel {

// True once objects.json has been found and parsed; later calls return true
// at once, and a failed load is tried again by the next call.
bool loadObjectsModel();

// The parsed objects.json, or null after writing why there is none.
std::unique_ptr<Json::Value> loadObjectsMeta();

}  // namespace kestrel
