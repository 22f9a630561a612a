#include "shell/startup.h"

#include <string>

#include "frontend/utf8.h"
#include "modules/builtins.h"
#include "objects/shared_constants.h"
#include "parser/operator_table.h"
#include "shell/console_queue.h"
#include "shell/platform.h"
#include "shell/runtime_paths.h"
#include "vm/module_loader.h"
#include "shell/runtime_settings.h"

namespace kestrel {

RuntimeSettings& runtimeSettings() {
    static RuntimeSettings settings;
    return settings;
}

std::u16string versionString() {
    const RuntimeSettings& s = runtimeSettings();
    return decimalText(s.versionMajor) + u"." + decimalText(s.versionMinor) + u"." +
           decimalText(s.versionPatch) + u" Internal version";
}

std::u16string versionLine() { return u"[Kestrel " + versionString() + u"]"; }

// Start-up steps whose subsystems arrive later; each reports success.
static void buildRuntimeRecord() {}                   // handed to native libraries
static bool loadNativeLibraries() { return true; }    // ".kvd" files of the library directories
static void registerNativeLibraryModules() {}
static bool loadObjectsModel() { return true; }       // objects.json
static bool loadKeywordMapping() { return true; }     // the language packs

// Creates the shared singletons once per process, in dependency order.
static void initializeAll() {
    runtimeSettings();
    consoleQueue();      // starts the writer thread
    initObjectModel();   // built-in types, shared constants
    buildRuntimeRecord();
    runtimePaths();
    moduleManager();
    if (loadNativeLibraries()) registerNativeLibraryModules();
}

bool initializeRuntime() {
    static bool initialized = false;
    if (initialized) return true;
    initializeAll();
    loadOperatorTables();
    const bool quiet = runtimeSettings().quiet;
    if (!quiet) consoleWriteDirect(versionLine() + u"\r\n", platform::kAttributeNormal);
    loadActionsModel();
    bool modelsLoaded = loadObjectsModel() && loadKeywordMapping();
    if (!modelsLoaded) consoleWriteDirect(u"! Error initialize.\r\n", platform::kAttributeGreen);
    else if (!quiet) consoleWriteDirect(u"[Initialize finished]\r\n", platform::kAttributeGreen);
    initialized = true;
    return true;
}

}  // namespace kestrel
