// The console queue: order, merging of neighbours of one level, colours,
// and that nothing queued is lost when the queue stops.
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "host/console_queue.h"
#include "host/platform.h"

using namespace kestrel;

namespace {

// Records every write the writer makes.
struct RecordingSink {
    std::mutex lock;
    std::vector<ConsoleMessage> writes;
    ConsoleQueue::Sink sink() {
        return [this](const ConsoleMessage& m) {
            std::lock_guard<std::mutex> guard(lock);
            writes.push_back(m);
        };
    }
};

// Queues a batch before the writer starts, so merging is deterministic.
std::vector<ConsoleMessage> writesOf(const std::vector<ConsoleMessage>& batch) {
    RecordingSink recorder;
    ConsoleQueue queue(recorder.sink(), false);
    for (const auto& m : batch) queue.write(m.text, m.level);
    queue.start();
    queue.flush();
    return recorder.writes;
}

}  // namespace

TEST(ConsoleQueue, JoinsNeighboursOfOneLevel) {
    auto writes = writesOf({{u"a", 0}, {u"b", 0}, {u"c", 256}});
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].text, u"ab");
    EXPECT_EQ(writes[0].level, 0u);
    EXPECT_EQ(writes[1].text, u"c");
    EXPECT_EQ(writes[1].level, 256u);
}

TEST(ConsoleQueue, NeverReordersAcrossLevels) {
    auto writes = writesOf({{u"1", 0}, {u"2", 16}, {u"3", 0}});
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].text, u"1");
    EXPECT_EQ(writes[1].text, u"2");
    EXPECT_EQ(writes[2].text, u"3");
}

TEST(ConsoleQueue, EmptyTextIsStillAWrite) {
    auto writes = writesOf({{u"", 256}});
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].text, u"");
}

TEST(ConsoleQueue, OrderHoldsWhileTheWriterRuns) {
    RecordingSink recorder;
    std::u16string expected;
    {
        ConsoleQueue queue(recorder.sink());
        for (int i = 0; i < 5000; ++i) {
            std::u16string text(1, char16_t(u'a' + i % 26));
            expected += text;
            queue.write(text, i % 3 == 0 ? 16 : 0);
        }
    }  // destruction drains
    std::u16string seen;
    for (const auto& w : recorder.writes) seen += w.text;
    EXPECT_EQ(seen, expected);
}

TEST(ConsoleQueue, ShutdownDrainsEverythingQueued) {
    RecordingSink recorder;
    ConsoleQueue queue(recorder.sink());
    for (int i = 0; i < 1000; ++i) queue.write(u"x", 0);
    queue.shutdown();
    size_t total = 0;
    for (const auto& w : recorder.writes) total += w.text.size();
    EXPECT_EQ(total, 1000u);
    queue.write(u"late", 0);  // after shutdown: printed at once, not lost
    EXPECT_EQ(recorder.writes.back().text, u"late");
}

TEST(ConsoleQueue, UnstartedQueueStillDeliversAtShutdown) {
    RecordingSink recorder;
    {
        ConsoleQueue queue(recorder.sink(), false);
        queue.write(u"kept", 0);
    }
    ASSERT_EQ(recorder.writes.size(), 1u);
    EXPECT_EQ(recorder.writes[0].text, u"kept");
}

TEST(ConsoleQueue, LevelColours) {
    EXPECT_EQ(consoleAttribute(0), platform::kAttributeNormal);
    EXPECT_EQ(consoleAttribute(1), platform::kAttributeBlue);
    EXPECT_EQ(consoleAttribute(16), platform::kAttributeGreen);
    EXPECT_EQ(consoleAttribute(256), platform::kAttributeRed);
    EXPECT_EQ(consoleAttribute(2), platform::kAttributeNormal);
    EXPECT_EQ(consoleAttribute(17), platform::kAttributeNormal);
}

TEST(Platform, ConsoleBytesAreUtf8WithUnixLineEnds) {
    EXPECT_EQ(platform::consoleBytes(u"a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(platform::consoleBytes(u"lone\rcr"), "lone\rcr");
    EXPECT_EQ(platform::consoleBytes(u"10 秒"), "10 \xE7\xA7\x92");
}

TEST(Platform, PathsAndClock) {
    std::u16string tmp = platform::temporaryDirectory();
    ASSERT_FALSE(tmp.empty());
    EXPECT_EQ(tmp.back(), u'/');
    EXPECT_FALSE(platform::executablePath().empty());
    EXPECT_TRUE(platform::pathExists(platform::executablePath()));
    EXPECT_FALSE(platform::pathExists(u"/no/such/kestrel/file"));
    int64_t a = platform::monotonicMillis();
    EXPECT_LE(a, platform::monotonicMillis());
}
