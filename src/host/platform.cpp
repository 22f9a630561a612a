#include "host/platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
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

namespace {

// Standard output was closed when the program started (its descriptor now
// holds /dev/null, so that no file the program opens can take its place).
std::atomic<bool> stdoutWasClosed{false};

// False with errno set when the bytes could not all be written.
bool writeWhole(int descriptor, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

// Output that cannot be written must not be lost silently: the program ends
// at once (it could show nothing more anyway) with the reason on standard error.
[[noreturn]] void outputFailed(int error) {
    const std::string report = std::string(kOutputFailedReport) + ": " + std::strerror(error) + "\n";
    writeWhole(STDERR_FILENO, report);
    std::_Exit(kOutputFailedStatus);
}

}  // namespace

void guardStandardStreams() {
    for (int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
        if (descriptor == STDOUT_FILENO) stdoutWasClosed = true;
        int opened = ::open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != descriptor) {  // a lower one was free after all
            ::dup2(opened, descriptor);
            ::close(opened);
        }
    }
}

void writeStdout(const std::string& bytes) {
    static std::mutex outputLock;
    std::lock_guard<std::mutex> guard(outputLock);
    if (bytes.empty()) return;
    if (stdoutWasClosed) outputFailed(EBADF);
    if (!writeWhole(STDOUT_FILENO, bytes)) outputFailed(errno);
}

void writeStderr(const std::string& bytes) {
    static std::mutex errorLock;
    std::lock_guard<std::mutex> guard(errorLock);
    writeWhole(STDERR_FILENO, bytes);  // with no standard error there is nowhere left to tell
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
