// Limits read from the environment: a positive decimal count may only lower
// a limit; anything else leaves it as it was.
#include <gtest/gtest.h>

#include <cstdlib>

#include "host/runtime_settings.h"

namespace kestrel::testing {
namespace {

int64_t limitFrom(const char* text, int64_t fallback) {
    if (text) {
        ::setenv("KESTREL_TEST_LIMIT", text, 1);
    } else {
        ::unsetenv("KESTREL_TEST_LIMIT");
    }
    int64_t value = environmentLimit("KESTREL_TEST_LIMIT", fallback);
    ::unsetenv("KESTREL_TEST_LIMIT");
    return value;
}

TEST(EnvironmentLimit, OnlyAPositiveCountBelowTheLimitCounts) {
    EXPECT_EQ(limitFrom("1000", 0x7FFFFFFF), 1000);
    EXPECT_EQ(limitFrom("1", 0x7FFFFFFF), 1);
    EXPECT_EQ(limitFrom("2147483647", 0x7FFFFFFF), 0x7FFFFFFF);
    EXPECT_EQ(limitFrom("2147483648", 0x7FFFFFFF), 0x7FFFFFFF) << "a setting never raises a limit";
    EXPECT_EQ(limitFrom("99999999999999999999999", INT64_MAX), INT64_MAX) << "no overflow";
    EXPECT_EQ(limitFrom("9223372036854775807", INT64_MAX), INT64_MAX);
    for (const char* bad : {"", "0", "-5", "12k", " 12", "1e6", "0x10"}) {
        EXPECT_EQ(limitFrom(bad, 500), 500) << bad;
    }
    EXPECT_EQ(limitFrom(nullptr, 500), 500);
}

}  // namespace
}  // namespace kestrel::testing
