// Log stamps, the format-driven parser, HTTP dates, the writers and the number reader. The program is
// also run in a time zone and locale far from UTC and C: no result may change.
#include "time_utils.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// The last time the C runtime's _gmtime64 breaks down: msvcrt, which the Windows build links, goes to
// 3001-01-01 07:59:59 UTC; the POSIX stand-in stops at 3000-12-31 23:59:59 UTC.
#ifdef _WIN32
constexpr std::int64_t last_broken_down_time = 32535244799;
#else
constexpr std::int64_t last_broken_down_time = 32535215999;
#endif

struct Fields {
    int year, month, day, hour, minute, second; // as written: 2026, 12, 9...
};

bool operator==(const struct tm& t, const Fields& f) {
    return t.tm_year + 1900 == f.year && t.tm_mon + 1 == f.month && t.tm_mday == f.day &&
           t.tm_hour == f.hour && t.tm_min == f.minute && t.tm_sec == f.second;
}

std::string show(const struct tm& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%d %d:%d:%d wday %d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec, t.tm_wday);
    return text;
}

struct StampCase {
    const char* stamp;
    bool ok;
    Fields fields;
    std::int64_t time;
};

const std::vector<StampCase> stamp_cases = {
    {"20261209T101502UTC", true, {2026, 12, 9, 10, 15, 2}, 1796811302},
    {"19700101T000000UTC", true, {1970, 1, 1, 0, 0, 0}, 0},
    {"20000229T000000UTC", true, {2000, 2, 29, 0, 0, 0}, 951782400},             // leap day
    {"20261209X101502ZZZ", true, {2026, 12, 9, 10, 15, 2}, 1796811302},          // T and UTC are not examined
    {"20261209T101502UTC and more", true, {2026, 12, 9, 10, 15, 2}, 1796811302}, // nor what follows
    {"20260231T000000UTC", true, {2026, 2, 31, 0, 0, 0}, 1772496000},            // counts as 3 March
    {"20261231T235960UTC", true, {2026, 12, 31, 23, 59, 60}, 1798761600}, // a leap second: the next minute
    {"19691231T235959UTC", true, {1969, 12, 31, 23, 59, 59}, -1},         // before 1970: negative
    {"19000101T000000UTC", true, {1900, 1, 1, 0, 0, 0}, -2208988800},
    {"99991231T235959UTC", true, {9999, 12, 31, 23, 59, 59}, 253402300799},
    {"2026-12-09T10:15:02Z", false, {}, 0}, // a minus sign in the month
    {"20261232T000000UTC", false, {}, 0},   // day 32
    {"20261300T000000UTC", false, {}, 0},
    {"20261200T000000UTC", false, {}, 0},
    {"20261209T241502UTC", false, {}, 0},
    {"20261209T106002UTC", false, {}, 0},
    {"20261209T101561UTC", false, {}, 0},
    {"18991231T235959UTC", false, {}, 0},
    {"2026120 T101502UTC", false, {}, 0},
    {"+0261209T101502UTC", false, {}, 0},
    {"2026120aT101502UTC", false, {}, 0},
    {"20261209T10157 UTC", true, {2026, 12, 9, 10, 15, 7}, 1796811307}, // one digit ends the seconds
    {"20261209T1015x2UTC", false, {}, 0},
    {"20261209T10 502UTC", false, {}, 0},
};

TEST(ParseRfc8601Time, EveryFormReadsTheStamps) {
    for (const auto& k : stamp_cases) {
        for (int form : {0, 1, 2}) {
            struct tm t = {};
            t.tm_isdst = 7; // the parser clears the structure first
            bool ok = form == 0   ? ParseRfc8601Time(std::string(k.stamp), &t)
                      : form == 1 ? ParseRfc8601Time(k.stamp, &t)
                                  : ParseRfc8601Time(k.stamp, std::strlen(k.stamp), &t);
            ASSERT_EQ(ok, k.ok) << k.stamp;
            if (!k.ok)
                continue;
            EXPECT_TRUE(t == k.fields) << k.stamp << ": " << show(t);
            EXPECT_EQ(t.tm_isdst, 0) << k.stamp;
            EXPECT_EQ(utc_to_time(&t), k.time) << k.stamp;
        }
    }
}

TEST(ParseRfc8601Time, ANulInsideTheStampEndsIt) {
    // A log line may hold any byte; a NUL counts as the end of the field it stands in.
    for (bool counted : {false, true}) {
        const std::string ends_seconds("20261209T10150\0UTC", 18), ends_minutes("20261209T1015\0"
                                                                                "2UTC",
                                                                                18);
        struct tm t = {};
        EXPECT_TRUE(counted ? ParseRfc8601Time(ends_seconds.c_str(), ends_seconds.size(), &t)
                            : ParseRfc8601Time(ends_seconds, &t));
        EXPECT_TRUE(t == (Fields{2026, 12, 9, 10, 15, 0})) << show(t);
        EXPECT_FALSE(counted ? ParseRfc8601Time(ends_minutes.c_str(), ends_minutes.size(), &t)
                             : ParseRfc8601Time(ends_minutes, &t));
    }
}

TEST(ParseRfc8601Time, AShortStampPrintsItsLengthAndFails) {
    for (bool c_string : {false, true}) {
        struct tm t = {};
        testing::internal::CaptureStdout();
        bool ok = c_string ? ParseRfc8601Time("20261209T101502UT", &t)
                           : ParseRfc8601Time(std::string("20261209T101502UT"), &t);
        std::fflush(stdout);
        std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_FALSE(ok);
        EXPECT_EQ(printed,
                  "ParseRfc8601Time: String too short (17 characters) - Cannot parse 20261209T101502UT\n");
    }
    struct tm t = {};
    EXPECT_FALSE(ParseRfc8601Time(static_cast<const char*>(nullptr), &t));
    EXPECT_FALSE(ParseRfc8601Time(static_cast<const char*>(nullptr), 18, &t));
    EXPECT_FALSE(ParseRfc8601Time("20261209T101502UTC", nullptr));
}

TEST(ParseTime, Directives) {
    struct Case {
        const char* input;
        const char* format;
        int consumed; // -1: no match
        Fields fields;
        int wday;
    };
    const std::vector<Case> cases = {
        {"68", "%y", 2, {2068, 1, 0, 0, 0, 0}, 0},
        {"69", "%y", 2, {1969, 1, 0, 0, 0, 0}, 0},
        {"00", "%y", 2, {2000, 1, 0, 0, 0, 0}, 0},
        {"100", "%y", -1, {}, 0},
        {"Wednesday 9", "%A %d", 11, {1900, 1, 9, 0, 0, 0}, 3},
        {"wed 9", "%a %d", 5, {1900, 1, 9, 0, 0, 0}, 3},
        {"SEPTEMBER 2026", "%B %Y", 14, {2026, 9, 0, 0, 0, 0}, 0},
        {"sep 2026", "%h %Y", 8, {2026, 9, 0, 0, 0, 0}, 0},
        {"Caturday", "%a", -1, {}, -1},
        {"12:05:60 rest", "%H:%M:%S", 8, {1900, 1, 0, 12, 5, 60}, 0}, // what follows is left over
        {"12-05", "%H:%M", -1, {}, 0},                                // literals match exactly
        {"100%", "%Y%%", -1, {}, 0},
        {"2026%", "%Y%%", 5, {2026, 1, 0, 0, 0, 0}, 0},
        {"1 \t\n 2", "%d%n%m", 6, {1900, 2, 1, 0, 0, 0}, 0},
        {"12", "%d%n", -1, {}, 0},                  // the input ends before the format
        {"  6", "%e", 3, {1900, 1, 6, 0, 0, 0}, 0}, // %e is blank-padded
        {" 6", "%d", -1, {}, 0},
        {"06", "%e", 2, {1900, 1, 6, 0, 0, 0}, 0},
        {"2026", "%Q", -1, {}, 0},  // no such directive
        {"2026", "%Y%", -1, {}, 0}, // a percent sign at the end
        {"", "", 0, {1900, 1, 0, 0, 0, 0}, 0},
    };
    for (const auto& k : cases) {
        struct tm t = {};
        const char* rest = parse_time(k.input, k.format, &t);
        if (k.consumed < 0) {
            EXPECT_EQ(rest, nullptr) << k.input << " / " << k.format;
            continue;
        }
        ASSERT_NE(rest, nullptr) << k.input << " / " << k.format;
        EXPECT_EQ(rest - k.input, k.consumed) << k.input << " / " << k.format;
        EXPECT_TRUE(t == k.fields) << k.input << " / " << k.format << ": " << show(t);
        EXPECT_EQ(t.tm_wday, k.wday) << k.input;
    }
    struct tm t = {};
    EXPECT_EQ(parse_time(nullptr, "%Y", &t), nullptr);
    EXPECT_EQ(parse_time("2026", nullptr, &t), nullptr);
    EXPECT_EQ(parse_time("2026", "%Y", nullptr), nullptr);
}

TEST(ParseNumber, DigitsWithinTheRange) {
    struct Case {
        const char* input;
        int minimum, maximum;
        int consumed; // -1: no number
        int value;
    };
    const std::vector<Case> cases = {
        {"0007x", 0, 10, 4, 7},
        {"31", 1, 31, 2, 31},
        {"32", 1, 31, -1, 0},
        {"0", 1, 31, -1, 0},
        {"x1", 0, 9, -1, 0},
        {"", 0, 9, -1, 0},
        {"-1", -5, 5, -1, 0},
        {"99999999999999999999", 0, INT_MAX, -1, 0}, // far past int: refused, not wrapped
        {"2147483647", 0, INT_MAX, 10, INT_MAX},
    };
    for (const auto& k : cases) {
        int out = 12345;
        const char* rest = parse_number(k.input, k.minimum, k.maximum, &out);
        EXPECT_EQ(rest ? rest - k.input : -1, k.consumed) << k.input;
        EXPECT_EQ(out, k.value) << k.input;
    }
}

TEST(ParseHttpDate, TheThreeLayouts) {
    const Fields fields{1994, 11, 6, 8, 49, 37};
    for (const char* text :
         {"Sun, 06 Nov 1994 08:49:37 GMT", "Sun, 6 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
          "Sun Nov  6 08:49:37 1994", "Sun Nov 06 08:49:37 1994", "sun, 06 nov 1994 08:49:37"}) {
        struct tm t = {};
        ASSERT_TRUE(parse_http_date(text, &t)) << text;
        EXPECT_TRUE(t == fields) << text << ": " << show(t);
        EXPECT_EQ(t.tm_wday, 0) << text;
        EXPECT_EQ(utc_to_time(&t), 784111777) << text;
    }
    for (const char* text : {"", "yesterday", "Sun, 06 Nov 1994", "Sun, 32 Nov 1994 08:49:37 GMT"}) {
        struct tm t = {};
        EXPECT_FALSE(parse_http_date(text, &t)) << text;
    }
}

TEST(Writers, StampsAndDates) {
    struct Case {
        std::int64_t time;
        const char* stamp;
        const char* iso;
        const char* http;
    };
    const std::vector<Case> cases = {
        {1796811302, "20261209T101502UTC", "2026-12-09T10:15:02Z", "Wed, 09 Dec 2026 10:15:02 GMT"},
        {0, "19700101T000000UTC", "1970-01-01T00:00:00Z", "Thu, 01 Jan 1970 00:00:00 GMT"},
        {951782400, "20000229T000000UTC", "2000-02-29T00:00:00Z", "Tue, 29 Feb 2000 00:00:00 GMT"},
        {32535215999, "30001231T235959UTC", "3000-12-31T23:59:59Z", "Wed, 31 Dec 3000 23:59:59 GMT"},
        {last_broken_down_time + 1, "", "", ""},
        {-1, "", "", ""},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(make_utc_stamp(k.time), k.stamp) << k.time;
        EXPECT_EQ(format_iso8601_utc(&k.time), k.iso) << k.time;
        EXPECT_EQ(format_http_date(k.time), k.http) << k.time;
        struct tm t = {};
        if (*k.stamp) { // what the writers write, the readers read back
            ASSERT_TRUE(ParseRfc8601Time(make_utc_stamp(k.time), &t));
            EXPECT_EQ(utc_to_time(&t), k.time);
            ASSERT_TRUE(parse_http_date(format_http_date(k.time).c_str(), &t));
            EXPECT_EQ(utc_to_time(&t), k.time);
        }
    }
    EXPECT_EQ(format_iso8601_utc(nullptr), "");
}

TEST(Writers, TheCurrentStampIsNow) {
    std::int64_t before = std::time(nullptr);
    std::string stamp = make_utc_stamp();
    std::int64_t after = std::time(nullptr);
    struct tm t = {};
    ASSERT_TRUE(ParseRfc8601Time(stamp, &t)) << stamp;
    EXPECT_GE(utc_to_time(&t), before);
    EXPECT_LE(utc_to_time(&t), after);
}

TEST(FormatDuration, HoursMinutesAndSecondsRoundedUp) {
    struct Case {
        double seconds;
        int size;
        const char* text; // null: no result
    };
    const std::vector<Case> cases = {
        {0, 9, "00:00:00"},
        {3661, 9, "01:01:01"},
        {0.2, 9, "00:00:01"},
        {59.2, 9, "00:01:00"},
        {3599.5, 9, "01:00:00"}, // a rounded-up minute carries
        {86399, 9, "23:59:59"},
        {360000, 10, "100:00:00"},
        {360000, 9, nullptr}, // does not fit: no cut-off, unterminated text
        {1, 8, nullptr},
        {std::nan(""), 9, nullptr},
        {std::numeric_limits<double>::infinity(), 9, nullptr},
    };
    for (const auto& k : cases) {
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        char* result = format_duration(k.seconds, buffer, k.size);
        if (!k.text) {
            EXPECT_EQ(result, nullptr) << k.seconds << " in " << k.size;
            if (k.size >= 9) {
                EXPECT_EQ(buffer[0], 0) << k.seconds;
            }
            continue;
        }
        EXPECT_EQ(result, buffer) << k.seconds;
        EXPECT_STREQ(buffer, k.text) << k.seconds;
    }
    EXPECT_EQ(format_duration(1, nullptr, 9), nullptr);
}

TEST(SmallHelpers, LeapYearsAndClockSeconds) {
    for (auto [years, leap] : std::vector<std::pair<int, int>>{
             {100, 1}, {0, 0}, {124, 1}, {125, 0}, {200, 0}, {-1900, 1}, {INT_MAX, 0}})
        EXPECT_EQ(is_leap_year(years), leap) << years + 0LL + 1900;
    EXPECT_DOUBLE_EQ(clock_seconds(1000, 3500), 2.5);
    EXPECT_DOUBLE_EQ(clock_seconds(3500, 1000), -2.5);
    EXPECT_DOUBLE_EQ(clock_seconds(INT_MAX, INT_MIN), 0.001); // the tick counter wrapped
}

TEST(UtcToTime, FieldsBeyondTheirRangeCarry) {
    struct tm t = {};
    t.tm_year = 126;
    t.tm_mon = 12; // the thirteenth month: January of the next year
    t.tm_mday = 1;
    EXPECT_EQ(utc_to_time(&t), 1798761600);
    t.tm_mon = -1; // December of the year before
    t.tm_mday = 1;
    EXPECT_EQ(utc_to_time(&t), 1764547200);
    t = {};
    t.tm_year = INT_MAX; // far out, but neither a hang nor an overflow
    EXPECT_GT(utc_to_time(&t), 0);
}

TEST(FromString, TheThreeForms) {
    struct Case {
        const char* text;
        bool ok;
        std::int64_t value;
    };
    for (const auto& k : std::vector<Case>{{" 42", true, 42},
                                           {"42abc", true, 42},
                                           {"", false, 1}, // nothing to read: left as it was
                                           {"abc", false, 0},
                                           {"-7", true, -7},
                                           {"\t-0009", true, -9},
                                           {"9223372036854775807", true, INT64_MAX},
                                           {"9223372036854775808", false, INT64_MAX}}) {
        std::int64_t v = 1;
        EXPECT_EQ(from_string(v, k.text), k.ok) << k.text;
        EXPECT_EQ(v, k.value) << k.text;
    }
    struct Unsigned {
        const char* text;
        bool ok;
        std::uint64_t value;
    };
    for (const auto& k : std::vector<Unsigned>{{"42", true, 42},
                                               {"18446744073709551615", true, UINT64_MAX},
                                               {"-7", false, 1}, // not 2^64 - 7
                                               {" -7", false, 1},
                                               {"x", false, 0}}) {
        std::uint64_t v = 1;
        EXPECT_EQ(from_string(v, k.text), k.ok) << k.text;
        EXPECT_EQ(v, k.value) << k.text;
    }
    struct Double {
        const char* text;
        bool ok;
        double value;
    };
    for (const auto& k : std::vector<Double>{{"1.5", true, 1.5},
                                             {" 2e3x", true, 2000},
                                             {"1,5", true, 1}, // a point is the decimal mark in every locale
                                             {"-0.25", true, -0.25},
                                             {".", false, 0}}) {
        double v = 7;
        EXPECT_EQ(from_string(v, k.text), k.ok) << k.text;
        EXPECT_EQ(v, k.value) << k.text;
    }
}

// The plain numbers of a log take a shorter way than the stream; both must agree to the last bit.
template <class T> void expect_as_the_stream_reads(const std::vector<const char*>& texts) {
    for (const char* text : texts) {
        T expected = T(1), got = T(1);
        std::istringstream in(text);
        in.imbue(std::locale::classic());
        in >> std::dec >> expected;
        const bool stream_ok = !in.fail();
        ASSERT_EQ(from_string(got, text), stream_ok) << text;
        EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << text << ": " << got << " / " << expected;
    }
}

TEST(FromString, PlainNumbersReadAsTheStreamReadsThem) {
    const std::vector<const char*> common = {
        "0",   "7",  "007", "1234567890", "123456789012345678", "999999999999999999", "1234567890123456789",
        "12a", "1-2"};
    expect_as_the_stream_reads<std::int64_t>(common);
    expect_as_the_stream_reads<std::int64_t>(
        {"-0", "-42", "-123456789012345678", "-9223372036854775808", "-9223372036854775809", "-", "--1"});
    expect_as_the_stream_reads<std::uint64_t>(common);
    expect_as_the_stream_reads<std::uint64_t>({"18446744073709551615", "18446744073709551616"});
    expect_as_the_stream_reads<int>({"42", "-42", "2147483648", "99999999999"});
    expect_as_the_stream_reads<double>(common);
    expect_as_the_stream_reads<double>(
        {"-0", "1.25", "0.1", "12.3456789012345678901234567890", "2.5000000000000000000000000001",
         "9007199254740993", "1.", "1.x", ".5", "-.5", "1.5e3",
         "179769313486231570000000000000000000000000000000"
         "00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
         "00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
         "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
         "0"});
    expect_as_the_stream_reads<float>({"1.25", "0.1", "3.4028235e38"});
}

TEST(Stopwatch, CountsWholeSecondsWhileRunningAndAfterStop) {
    Stopwatch watch;
    EXPECT_EQ(watch.elapsed(), 0); // never started
    watch.stop();                  // stopping an idle watch does nothing
    EXPECT_EQ(watch.elapsed(), 0);

    std::int64_t before = std::time(nullptr);
    std::int64_t started = watch.start();
    EXPECT_GE(started, before);
    EXPECT_LE(watch.elapsed(), 1);
    ::usleep(1100 * 1000);
    watch.stop();
    int stopped = watch.elapsed();
    EXPECT_GE(stopped, 1);
    EXPECT_LE(stopped, 2);
    ::usleep(1100 * 1000);
    EXPECT_EQ(watch.elapsed(), stopped); // stopped: it no longer counts

    watch.reset();
    EXPECT_EQ(watch.elapsed(), 0);
}

} // namespace
