// The console output queue: callers hand texts over with a level and go on;
// one writer thread prints them in order, joining neighbours of one level
// into one write. Everything queued is printed before the process exits.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>

namespace kestrel {

// Colour levels of queued messages.
enum ConsoleLevel : uint32_t {
    kLevelNormal = 0,
    kLevelBlue = 1,
    kLevelNotice = 16,
    kLevelError = 256,
};

struct ConsoleMessage {
    std::u16string text;
    uint32_t level = kLevelNormal;
};

// The console text attribute used while a message of this level is written.
int consoleAttribute(uint32_t level);

// Writes one message to standard output in the colour of its level.
void consolePrint(const ConsoleMessage& message);

class ConsoleQueue {
public:
    using Sink = std::function<void(const ConsoleMessage&)>;

    // The writer starts at once unless startWriter is false (tests queue a
    // batch first, then start it to see how the batch is merged).
    explicit ConsoleQueue(Sink sink = consolePrint, bool startWriter = true);
    ~ConsoleQueue();
    ConsoleQueue(const ConsoleQueue&) = delete;
    ConsoleQueue& operator=(const ConsoleQueue&) = delete;

    void write(const std::u16string& text, uint32_t level);
    void start();
    // Returns once everything queued before the call has been printed.
    void flush();
    // Prints what is left and ends the writer thread; later writes print at once.
    void shutdown();

private:
    void writerLoop();
    std::unique_ptr<ConsoleMessage> takeRun();
    void printInPieces(const ConsoleMessage& message);

    Sink sink_;
    boost::mutex mutex_;
    boost::condition_variable workArrived_;
    boost::condition_variable drained_;
    std::list<std::unique_ptr<ConsoleMessage>> pending_;
    bool running_ = true;
    bool printing_ = false;
    bool started_ = false;
    boost::thread writer_;
};

// The process-wide queue, created on first use; drained when the process exits.
ConsoleQueue& consoleQueue();

// Queues a text at a colour level (0 normal, 16 notice, 256 error).
void consoleWrite(const std::u16string& text, uint32_t level);

// Writes straight to standard output, after everything already queued, with
// a console attribute around the text (the start-up and shell messages).
void consoleWriteDirect(const std::u16string& text, int attribute);

// Writes a diagnostic of our own to standard error, after everything already
// queued, so that it shows in order with the script's output.
void consoleWriteDiagnostic(const std::u16string& text);

}  // namespace kestrel
