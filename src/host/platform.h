// The small layer between the interpreter and the host system: standard
// output (UTF-8, optional ANSI colour), the clock, and well-known paths.
// Every byte that reaches standard output goes through writeStdout, which
// serialises writers so that no two texts ever garble each other, and ends
// the program when the bytes cannot be written.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel::platform {

// Console text attributes, as the rest of the program names colours.
enum ConsoleAttribute : int {
    kAttributeBlue = 1,
    kAttributeGreen = 2,
    kAttributeRed = 4,
    kAttributeNormal = 7,
};

// True when standard output is a terminal and NO_COLOR is unset.
bool colourEnabled();

// True when standard error is a terminal and NO_COLOR is unset.
bool stderrColourEnabled();

// UTF-16 text as the terminal should see it: UTF-8, with "\r\n" as "\n".
std::string consoleBytes(const std::u16string& text);

// The escape sequence that selects an attribute; empty without colour.
std::string attributeEscape(int attribute);
// The same for standard error (empty when it takes no colour).
std::string stderrAttributeEscape(int attribute);

// Writes bytes to standard output whole, under the process-wide output lock.
// When standard output cannot take them (a closed pipe with SIGPIPE ignored,
// a full disk, a descriptor closed at start), the program ends: the reason
// goes to standard error and the status is kOutputFailedStatus.
void writeStdout(const std::string& bytes);

constexpr const char* kOutputFailedReport = "cannot write to standard output";
constexpr int kOutputFailedStatus = 1;

// Called first thing: a standard descriptor that is closed gets /dev/null,
// so no file the program opens takes its number (script output would land
// in it); a closed standard output is remembered as a failed one.
void guardStandardStreams();

// Milliseconds from a fixed point; never goes backwards.
int64_t monotonicMillis();

// Full path of the running program; empty when the system will not say.
std::u16string executablePath();

// The current directory, without a trailing "/"; empty on failure.
std::u16string currentDirectory();

// TMPDIR, or /tmp, always ending in "/".
std::u16string temporaryDirectory();

// True when a file or directory exists at the path.
bool pathExists(const std::u16string& path);

// Writes bytes to standard error whole (diagnostics of our own).
void writeStderr(const std::string& bytes);

// A shared object opened for the life of the process, or the system's reason.
struct LibraryOpen {
    void* handle = nullptr;
    std::string error;  // the loader's own text when handle is null
};
// Opens a shared object with every symbol bound now, its symbols kept local.
LibraryOpen openLibrary(const std::u16string& path);
// The address exported under name, or null.
void* librarySymbol(void* handle, const std::string& name);
void closeLibrary(void* handle);

}  // namespace kestrel::platform
