// The "os" module: the wall clock in milliseconds, a monotonic clock in
// nanoseconds, environment variables, the script's path and arguments, and
// whole UTF-8 text files. A file
// that cannot be read or written raises an exception naming the path and
// the system's reason.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "stdlib_runtime.h"

namespace kestrel::stdlib {

namespace {

const KvValueApi& values() {
    return *runtime().values;
}

// Raises "os.WHAT: cannot VERB 'PATH': REASON" and answers null.
KvValue* fail(const char* what, const char* verb, const std::string& path, int error) {
    std::string message = std::string("os.") + what + ": cannot " + verb + " '" + path + "': " + std::strerror(error);
    values().raise(message.c_str());
    return nullptr;
}

// The path argument; an absent or empty one is refused like a missing file.
bool pathArgument(const KvArgs* args, std::string& path) {
    path = ext::text8(runtime(), ext::arg(args, 0));
    return !path.empty();
}

KvValue* timeMillis(const KvArgs*) {
    using namespace std::chrono;
    return values().newLong(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

KvValue* nanoTime(const KvArgs*) {
    using namespace std::chrono;
    return values().newLong(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

// getEnv(name): the variable's text, or null when it is not set.
KvValue* getEnv(const KvArgs* args) {
    std::string name = ext::text8(runtime(), ext::arg(args, 0));
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    return value ? ext::newString(runtime(), std::string(value)) : nullptr;
}

// args(): the command-line arguments after "--", a new list each call.
KvValue* scriptArguments(const KvArgs*) {
    return runtime().host->scriptArguments();
}

KvValue* scriptPath(const KvArgs*) {
    return runtime().host->scriptPath();
}

KvValue* readText(const KvArgs* args) {
    std::string path;
    if (!pathArgument(args, path)) return fail("readText", "read", path, ENOENT);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return fail("readText", "read", path, errno);
    std::string bytes;
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
    int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error != 0) return fail("readText", "read", path, error);
    return ext::newString(runtime(), bytes);
}

// Writes the second argument's text form as UTF-8; true when all of it landed.
KvValue* writeFile(const KvArgs* args, const char* what, const char* mode, const char* ending) {
    std::string path;
    if (!pathArgument(args, path)) return fail(what, "write", path, ENOENT);
    std::string text = ext::text8(runtime(), ext::arg(args, 1)) + ending;
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file) return fail(what, "write", path, errno);
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    int error = written ? 0 : errno;
    if (std::fclose(file) != 0 && error == 0) error = errno;
    if (!written || error != 0) return fail(what, "write", path, error != 0 ? error : EIO);
    return runtime().trueValue;
}

KvValue* writeText(const KvArgs* args) {
    return writeFile(args, "writeText", "wb", "");
}

KvValue* appendLine(const KvArgs* args) {
    return writeFile(args, "appendLine", "ab", "\n");
}

KvValue* removeFile(const KvArgs* args) {
    std::string path;
    if (!pathArgument(args, path)) return fail("removeFile", "remove", path, ENOENT);
    if (std::remove(path.c_str()) != 0) return fail("removeFile", "remove", path, errno);
    return runtime().trueValue;
}

const KvFunctionEntry kFunctions[] = {
    {"time", "time(): milliseconds since 1970 (wall clock)", timeMillis},
    {"nanoTime", "nanoTime(): nanoseconds of a monotonic clock, for timing", nanoTime},
    {"getEnv", "getEnv(name): the environment variable, or null", getEnv},
    {"args", "args(): the command-line arguments after \"--\", as a list of strings", scriptArguments},
    {"scriptPath", "scriptPath(): the path of the script file being run, or null", scriptPath},
    {"readText", "readText(path): the whole UTF-8 file as a string", readText},
    {"writeText", "writeText(path, text): replaces the file with the text", writeText},
    {"appendLine", "appendLine(path, text): adds the text and a line break", appendLine},
    {"removeFile", "removeFile(path)", removeFile},
};

const KvModuleDescriptor kOs = {
    KESTREL_EXTENSION_LAYOUT_VERSION, "os: clocks, environment, script arguments, text files",
    kFunctions, sizeof(kFunctions) / sizeof(kFunctions[0]), nullptr, 0,
};

}  // namespace

const KvModuleDescriptor* osModule() {
    return &kOs;
}

}  // namespace kestrel::stdlib
