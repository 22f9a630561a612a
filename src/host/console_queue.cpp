#include "host/console_queue.h"

#include <cstdlib>
#include <mutex>

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
        first->text += pending_.front()->text;
        pending_.pop_front();
    }
    return first;
}

void ConsoleQueue::writerLoop() {
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
        sink_(*run);  // outside the lock: a slow console never blocks callers
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
