// Module name resolution. Only existing regular files count as found, and the
// key is the file's canonical path, so "a", "./a" and "dir/../a" naming one
// file share one module record.
#include "loader/module_path.h"

#include <climits>
#include <cstdlib>

#include "host/file_io.h"
#include "host/utf8.h"

namespace kestrel {

// Only a trailing ".kv" or ".kvc" is an extension: "y.kvz.kv" names
// y.kvz.kv, never y.kv.
std::u16string moduleBaseName(const std::u16string& name) {
    for (const std::u16string extension : {u".kvc", u".kv"}) {
        if (name.size() > extension.size() &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0) {
            return name.substr(0, name.size() - extension.size());
        }
    }
    return name;
}

std::u16string directoryOf(const std::u16string& path) {
    size_t slash = path.find_last_of(u"/\\");
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

// The real path, or the path as given when it cannot be resolved (the key
// then still names the file, just not uniquely).
static std::u16string canonicalPath(const std::u16string& path) {
    char resolved[PATH_MAX];
    if (::realpath(toUtf8(path).c_str(), resolved) == nullptr) return path;
    return fromUtf8(resolved);
}

// Joins with exactly one "/" between; an empty directory leaves the name alone.
static std::u16string joinPath(const std::u16string& directory, const std::u16string& name) {
    if (directory.empty() || directory.back() == u'/') return directory + name;
    return directory + u"/" + name;
}

bool hasForeignExtension(const std::u16string& name) {
    size_t slash = name.find_last_of(u"/\\");
    size_t dot = name.find_last_of(u'.');
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return false;
    if (dot == 0 || dot + 1 == name.size() || (slash != std::u16string::npos && dot == slash + 1)) return false;
    return moduleBaseName(name) == name;  // ".kv" and ".kvc" are ours
}

// The source beside base wins over a compiled-only file of the same name;
// a name with another extension ("Simple.txt") may name a source itself.
static bool tryCandidate(const std::u16string& base, ModuleFile& found) {
    for (ModuleFileKind kind : {ModuleFileKind::Source, ModuleFileKind::CompiledOnly}) {
        std::u16string path = base + (kind == ModuleFileKind::Source ? u".kv" : u".kvc");
        if (!isRegularFile(path)) continue;
        found = ModuleFile{path, base, canonicalPath(path), kind};
        return true;
    }
    if (hasForeignExtension(base) && isRegularFile(base)) {
        found = ModuleFile{base, base, canonicalPath(base), ModuleFileKind::Source};
        return true;
    }
    return false;
}

// The search order is documented in module_path.h; the first candidate
// that exists is taken, even when a later one would also match.
bool findModuleFile(const std::u16string& callerDirectory, const std::u16string& rawName,
                    const std::vector<std::u16string>& searchDirectories, ModuleFile& found) {
    std::u16string name = moduleBaseName(rawName);
    if (name.empty()) return false;
    if (name[0] == u'/') return tryCandidate(name, found);
    if (name.rfind(u"./", 0) == 0 || name.rfind(u".\\", 0) == 0) {
        // With no caller, "./" means the working directory, as in a shell.
        return tryCandidate(callerDirectory.empty() ? name : joinPath(callerDirectory, name.substr(2)),
                            found);
    }
    if (!callerDirectory.empty() && tryCandidate(joinPath(callerDirectory, name), found)) return true;
    for (const auto& directory : searchDirectories)
        if (!directory.empty() && tryCandidate(joinPath(directory, name), found)) return true;
    return false;
}

}  // namespace kestrel
