#include "host/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "host/utf8.h"

namespace kestrel {

bool isRegularFile(const std::u16string& path) {
    struct stat status {};
    const std::string narrow = toUtf8(path);
    return !narrow.empty() && ::stat(narrow.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

namespace {

// Closes the descriptor on every way out.
struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

std::optional<std::string> readFileBytes(const std::u16string& path, size_t maxBytes) {
    const std::string narrow = toUtf8(path);
    if (narrow.empty()) return std::nullopt;
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the fstat check
    // below then refuses it.
    FileDescriptor file{::open(narrow.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (file.fd < 0) return std::nullopt;
    struct stat status {};
    if (::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    if (status.st_size < 0 || static_cast<unsigned long long>(status.st_size) > maxBytes) {
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(status.st_size), '\0');
    size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(file.fd, &bytes[filled], bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return std::nullopt;  // an error, or the file shrank under us
        filled += static_cast<size_t>(got);
    }
    return bytes;
}

}  // namespace kestrel
