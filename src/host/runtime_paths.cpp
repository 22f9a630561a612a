#include "host/runtime_paths.h"

#include "host/path_parts.h"
#include "host/platform.h"

namespace kestrel {

std::u16string withTrailingSlash(const std::u16string& directory) {
    if (directory.empty() || directory.back() == u'/') return directory;
    return directory + u"/";
}

// The nearest directory from `start` upward that holds config.json.
static std::u16string findProjectDirectory(const std::u16string& start) {
    PathParts dir(start);
    while (!dir.text().empty()) {
        if (platform::pathExists(withTrailingSlash(dir.text()) + u"config.json"))
            return dir.text();
        std::u16string up = dir.parent();
        if (up.empty()) break;
        dir.parse(up);
    }
    return start;
}

RuntimePaths RuntimePaths::build(const std::u16string& workingDirectory,
                                 const std::u16string& executablePath,
                                 const std::u16string& temporaryDirectory) {
    RuntimePaths paths;
    paths.executablePath = executablePath;
    paths.temporaryDirectory = withTrailingSlash(temporaryDirectory);
    if (!workingDirectory.empty()) {
        std::u16string normalised = PathParts(workingDirectory).text();
        paths.workingDirectory = withTrailingSlash(normalised);
        paths.projectDirectory = withTrailingSlash(findProjectDirectory(normalised));
    }
    if (!paths.projectDirectory.empty())
        paths.projectLibraryDirectory = paths.projectDirectory + u"lib/";
    if (!executablePath.empty()) {
        paths.executableDirectory = withTrailingSlash(PathParts(executablePath).parent());
        if (!paths.executableDirectory.empty())
            paths.executableLibraryDirectory = paths.executableDirectory + u"lib/";
    }
    return paths;
}

RuntimePaths RuntimePaths::fromSystem() {
    return build(platform::currentDirectory(), platform::executablePath(),
                 platform::temporaryDirectory());
}

RuntimePaths& runtimePaths() {
    static RuntimePaths paths = RuntimePaths::fromSystem();
    return paths;
}

}  // namespace kestrel
