#include "host/console_queue.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <new>

#include "host/memory_limit.h"
#include "host/platform.h"

namespace kestrel {

int consoleAttribute(uint32_t level) {
    switch (level) {
        case kLevelNormal: return platform::kAttributeNormal;
        case kLevelBlue: return platform::kAttributeBlue;
        case kLevelNotice: return platform::kAttributeGreen;
        case kLevelError: return platform::kAttributeRed;
        default: return platform::kAttributeNormal;
    }
}

static void printWithAttribute(const std::u16string& text, int attribute) {
    std::string bytes;
    if (attribute != platform::kAttributeNormal) bytes = platform::attributeEscape(attribute);
    bytes += platform::consoleBytes(text);
    if (attribute != platform::kAttributeNormal)
        bytes += platform::attributeEscape(platform::kAttributeNormal);
    platform::writeStdout(bytes);
}

void consolePrint(const ConsoleMessage& message) {
    printWithAttribute(message.text, consoleAttribute(message.level));
}

ConsoleQueue::ConsoleQueue(Sink sink, bool startWriter) : sink_(std::move(sink)) {
    if (startWriter) start();
}

ConsoleQueue::~ConsoleQueue() { shutdown(); }

void ConsoleQueue::start() {
    boost::lock_guard<boost::mutex> guard(mutex_);
    if (started_ || !running_) return;
    started_ = true;
    writer_ = boost::thread([this] { writerLoop(); });
}

void ConsoleQueue::write(const std::u16string& text, uint32_t level) {
    auto message = std::make_unique<ConsoleMessage>(ConsoleMessage{text, level});
    try {
        boost::unique_lock<boost::mutex> lock(mutex_);
        if (!running_) {
            // After shutdown (late exit handlers) there is no writer: print here.
            lock.unlock();
            sink_(*message);
            return;
        }
        pending_.push_back(std::move(message));
    } catch (const boost::thread_interrupted&) {
        printWithAttribute(u"[write][boost::thread_interrupted]\r\n", platform::kAttributeNormal);
        return;
    }
    workArrived_.notify_one();
}

// Takes the oldest message and joins every following message of its level.
std::unique_ptr<ConsoleMessage> ConsoleQueue::takeRun() {
    auto first = std::move(pending_.front());
    pending_.pop_front();
    while (!pending_.empty() && pending_.front()->level == first->level) {
        try {
            first->text += pending_.front()->text;
        } catch (const std::bad_alloc&) {
            break;  // no memory to join them: the next run prints the rest
        }
        pending_.pop_front();
    }
    return first;
}

// When memory runs short, a long text goes out in small pieces, each cut
// where no surrogate pair is split; a piece that still finds no memory is lost.
void ConsoleQueue::printInPieces(const ConsoleMessage& message) {
    constexpr size_t kPiece = 4096;
    const std::u16string& text = message.text;
    for (size_t at = 0; at < text.size();) {
        size_t count = std::min(kPiece, text.size() - at);
        if (at + count < text.size() && text[at + count - 1] >= 0xD800 && text[at + count - 1] < 0xDC00) --count;
        try {
            sink_(ConsoleMessage{text.substr(at, count), message.level});
        } catch (const std::bad_alloc&) {
        }
        at += count;
    }
}

void ConsoleQueue::writerLoop() {
    exemptThisThreadFromLimit();
    for (;;) {
        std::unique_ptr<ConsoleMessage> run;
        try {
            boost::unique_lock<boost::mutex> lock(mutex_);
            while (pending_.empty() && running_) {
                printing_ = false;
                drained_.notify_all();
                workArrived_.wait(lock);
            }
            if (pending_.empty()) {  // stopped and nothing left
                printing_ = false;
                drained_.notify_all();
                return;
            }
            run = takeRun();
            printing_ = true;
        } catch (const boost::thread_interrupted&) {
            printWithAttribute(u"[get][boost::thread_interrupted]\r\n", platform::kAttributeNormal);
            continue;
        }
        try {
            sink_(*run);  // outside the lock: a slow console never blocks callers
        } catch (const std::bad_alloc&) {
            printInPieces(*run);
        }
    }
}

void ConsoleQueue::flush() {
    boost::unique_lock<boost::mutex> lock(mutex_);
    if (!started_) return;
    while ((!pending_.empty() || printing_) && running_) drained_.wait(lock);
}

void ConsoleQueue::shutdown() {
    {
        boost::lock_guard<boost::mutex> guard(mutex_);
        if (!running_) return;
        running_ = false;
    }
    workArrived_.notify_all();
    if (writer_.joinable()) writer_.join();
    // A queue whose writer never started still owes its messages.
    while (!pending_.empty()) sink_(*takeRun());
}

ConsoleQueue& consoleQueue() {
    static ConsoleQueue* queue = nullptr;
    static std::once_flag created;
    std::call_once(created, [] {
        queue = new ConsoleQueue();  // lives for the whole process
        std::atexit([] { queue->shutdown(); });
    });
    return *queue;
}

void consoleWrite(const std::u16string& text, uint32_t level) {
    consoleQueue().write(text, level);
}

void consoleWriteDirect(const std::u16string& text, int attribute) {
    consoleQueue().flush();
    printWithAttribute(text, attribute);
}

void consoleWriteDiagnostic(const std::u16string& text) {
    consoleQueue().flush();
    platform::writeStderr(platform::consoleBytes(text));
}

}  // namespace kestrel
