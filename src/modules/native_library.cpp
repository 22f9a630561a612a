// Opening libraries and finding their exports.
#include "modules/native_library.h"

#include "host/console_queue.h"
#include "host/platform.h"
#include "host/utf8.h"

namespace kestrel {

namespace {

constexpr int kLargestDecoration = 124;  // argument bytes of a callee-cleans export
constexpr int kDecorationStep = 4;

std::u16string lastComponent(const std::u16string& path) {
    size_t slash = path.find_last_of(u'/');
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void NativeLibrary::free() {
    platform::closeLibrary(handle_);
    handle_ = nullptr;
}

NativeLibraryPtr loadLibrary(const std::u16string& path) {
    platform::LibraryOpen opened = platform::openLibrary(path);
    if (!opened.handle) {
        consoleWrite(u"Load lib '" + lastComponent(path) + u"'error: " + fromUtf8(opened.error) + u"\r\n",
                     kLevelError);
        return nullptr;
    }
    return std::make_shared<NativeLibrary>(opened.handle, lastComponent(path));
}

void* findExport(const std::string& name, const ExportLookup& lookup) {
    if (name.empty()) return nullptr;
    if (void* address = lookup(name)) return address;
    for (int bytes = 0; bytes <= kLargestDecoration; bytes += kDecorationStep) {
        if (void* address = lookup("_" + name + "@" + std::to_string(bytes))) return address;
    }
    return nullptr;
}

void* getExport(const NativeLibrary& library, const std::string& name) {
    void* handle = library.handle();
    return findExport(name, [handle](const std::string& symbol) { return platform::librarySymbol(handle, symbol); });
}

void reportLibraryProblem(const NativeLibrary& library, const std::u16string& problem) {
    consoleWriteDiagnostic(u"Load lib '" + library.fileName() + u"': " + problem + u"\n");
}

}  // namespace kestrel
