#include "host/platform.h"

#include <dlfcn.h>
#include <unistd.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>

#include "host/utf8.h"

namespace kestrel::platform {

bool colourEnabled() {
    static const bool enabled = isatty(STDOUT_FILENO) == 1 && std::getenv("NO_COLOR") == nullptr;
    return enabled;
}

bool stderrColourEnabled() {
    static const bool enabled = isatty(STDERR_FILENO) == 1 && std::getenv("NO_COLOR") == nullptr;
    return enabled;
}

std::string consoleBytes(const std::u16string& text) {
    std::u16string unixText;
    unixText.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
        unixText.push_back(text[i]);
    }
    return toUtf8(unixText);
}

static std::string escapeFor(int attribute) {
    switch (attribute) {
        case kAttributeBlue: return "\x1b[34m";
        case kAttributeGreen: return "\x1b[32m";
        case kAttributeRed: return "\x1b[31m";
        default: return "\x1b[0m";
    }
}

std::string attributeEscape(int attribute) {
    return colourEnabled() ? escapeFor(attribute) : std::string();
}

std::string stderrAttributeEscape(int attribute) {
    return stderrColourEnabled() ? escapeFor(attribute) : std::string();
}

static void writeWhole(int descriptor, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a closed pipe: nothing more can be shown
        written += static_cast<size_t>(n);
    }
}

void writeStdout(const std::string& bytes) {
    static std::mutex outputLock;
    std::lock_guard<std::mutex> guard(outputLock);
    writeWhole(STDOUT_FILENO, bytes);
}

void writeStderr(const std::string& bytes) {
    static std::mutex errorLock;
    std::lock_guard<std::mutex> guard(errorLock);
    writeWhole(STDERR_FILENO, bytes);
}

int64_t monotonicMillis() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::u16string executablePath() {
    std::string buffer(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return {};
    buffer.resize(static_cast<size_t>(n));
    return fromUtf8(buffer);
}

std::u16string currentDirectory() {
    std::string buffer(4096, '\0');
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) return {};
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return fromUtf8(buffer);
}

std::u16string temporaryDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    if (dir.back() != '/') dir.push_back('/');
    return fromUtf8(dir);
}

bool pathExists(const std::u16string& path) {
    struct stat info {};
    return ::stat(toUtf8(path).c_str(), &info) == 0;
}

LibraryOpen openLibrary(const std::u16string& path) {
    LibraryOpen result;
    dlerror();  // a stale message must not be reported for this call
    result.handle = ::dlopen(toUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!result.handle) {
        const char* reason = dlerror();
        result.error = reason ? reason : "unknown error";
    }
    return result;
}

void* librarySymbol(void* handle, const std::string& name) {
    if (!handle) return nullptr;
    return ::dlsym(handle, name.c_str());
}

void closeLibrary(void* handle) {
    if (handle) ::dlclose(handle);
}

}  // namespace kestrel::platform
