// The C runtime's 64-bit time calls and _snprintf as the stand-in gives them, with Windows' rules.
#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

TEST(CrtTime, GmtimeCoversWindowsRangeOnly) {
    struct Case {
        __time64_t time;
        bool ok;
        int year, yday, hour, min, sec;
    };
    const std::vector<Case> cases = {
        {0, true, 70, 0, 0, 0, 0},
        {1796811302, true, 126, 342, 10, 15, 2},
        {_MAX__TIME64_T, true, 1100, 364, 23, 59, 59},
        {_MAX__TIME64_T + 1, false, 0, 0, 0, 0, 0},
        {-1, false, 0, 0, 0, 0, 0},
    };
    for (const auto& k : cases) {
        errno = 0;
        struct tm* t = _gmtime64(&k.time);
        ASSERT_EQ(t != nullptr, k.ok) << k.time;
        if (!t) {
            EXPECT_EQ(errno, EINVAL);
            continue;
        }
        EXPECT_EQ(t->tm_year, k.year);
        EXPECT_EQ(t->tm_yday, k.yday);
        EXPECT_EQ(t->tm_hour, k.hour);
        EXPECT_EQ(t->tm_min, k.min);
        EXPECT_EQ(t->tm_sec, k.sec);
        EXPECT_EQ(t->tm_isdst, 0);
    }
    EXPECT_EQ(_gmtime64(nullptr), nullptr);
}

TEST(CrtTime, NowAndDifferences) {
    __time64_t stored = 0;
    __time64_t now = _time64(&stored);
    EXPECT_EQ(stored, now);
    EXPECT_LE(std::abs(now - static_cast<__time64_t>(std::time(nullptr))), 1);
    EXPECT_EQ(_time64(nullptr) >= now, true);
    EXPECT_DOUBLE_EQ(_difftime64(5, 7), -2.0);
    EXPECT_DOUBLE_EQ(_difftime64(INT64_MAX, INT64_MIN), 2.0 * 9223372036854775808.0); // no overflow
}

TEST(CrtTime, SnprintfTerminatesOnlyWhenThereIsRoom) {
    struct Case {
        std::size_t count;
        int result;
        std::string written; // the bytes written; '#' is untouched
    };
    const std::vector<Case> cases = {
        {8, 5, std::string("hello\0##", 8)},
        {6, 5, std::string("hello\0##", 8)},
        {5, 5, "hello###"}, // exactly full: no terminator
        {3, -1, "hel#####"},
        {0, -1, "########"},
    };
    for (const auto& k : cases) {
        char buffer[8];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(_snprintf(buffer, k.count, "%s%c", "hell", 'o'), k.result) << k.count;
        EXPECT_EQ(std::string(buffer, sizeof buffer), k.written) << k.count;
    }
}

} // namespace
