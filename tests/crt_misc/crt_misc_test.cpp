// The stand-in's clock, _localtime64_s and sprintf_s keep their Windows meaning.
#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

TEST(CrtMisc, ClockCountsWallMillisecondsNotProcessorTime) {
    const std::clock_t before = zvk_crt::clock();
    const std::clock_t cpu_before = ::clock();
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    const std::clock_t waited = zvk_crt::clock() - before;
    EXPECT_GE(waited, 120);
    EXPECT_LT(waited, 10000);
    EXPECT_GE(before, 0);
    // The C library's own clock still counts processor time, which a sleep hardly uses.
    EXPECT_LT(::clock() - cpu_before, CLOCKS_PER_SEC / 10);
}

TEST(CrtMisc, LocalTime) {
    struct tm t;
    __time64_t when = 1316044800; // 2011-09-15 00:00:00 UTC; the tests run in UTC
    ASSERT_EQ(_localtime64_s(&t, &when), 0);
    EXPECT_EQ(t.tm_year, 111);
    EXPECT_EQ(t.tm_mon, 8);
    EXPECT_EQ(t.tm_mday, 15);
    EXPECT_EQ(t.tm_hour, 0);

    __time64_t negative = -1;
    EXPECT_EQ(_localtime64_s(&t, &negative), EINVAL);
    EXPECT_EQ(t.tm_year, -1);
    EXPECT_EQ(t.tm_mday, -1);
    EXPECT_EQ(_localtime64_s(&t, nullptr), EINVAL);
    EXPECT_EQ(_localtime64_s(nullptr, &when), EINVAL);
}

TEST(CrtMisc, SprintfFailsRatherThanCut) {
    char buffer[8];
    EXPECT_EQ(sprintf_s(buffer, sizeof buffer, "%s-%d", "ab", 42), 5);
    EXPECT_STREQ(buffer, "ab-42");
    EXPECT_EQ(sprintf_s(buffer, sizeof buffer, "%7s", "x"), 7); // exactly fills it
    EXPECT_EQ(sprintf_s(buffer, sizeof buffer, "%8s", "x"), -1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(sprintf_s(nullptr, 8, "x"), -1);
    EXPECT_EQ(sprintf_s(buffer, 0, "x"), -1);
}

} // namespace
