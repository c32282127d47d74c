#pragma once
// Time stamps and numbers in text. Every time here is UTC: no time zone, daylight rule or locale
// touches any result. Time values are signed seconds since 1970-01-01 00:00:00 UTC.
#include <cstdint>
#include <ctime>
#include <locale>
#include <sstream>
#include <string>
#include <type_traits>

// A log stamp such as 20261209T101502UTC: the 14 digit positions must hold year (1900 to 9999), month,
// day (01 to 31, whatever the month), hour, minute and second (00 to 60); character 8 and everything from
// character 15 on are not examined. Clears `*out` and fills its date and time; false for a bad stamp
// (a stamp shorter than 18 characters also prints a message on standard output).
bool ParseRfc8601Time(std::string text, struct tm* out);
bool ParseRfc8601Time(const char* text, struct tm* out);

// Reads `input` by a strptime-like format: %a %A (day names), %b %B %h (month names), %d %e (day),
// %m, %Y, %y (68 or below: 20xx), %H, %M, %S, %n %t (any white space), %%; other characters match
// themselves. Names are English and match without regard to case. Returns the input after the format,
// or null when the input does not match.
const char* parse_time(const char* input, const char* format, struct tm* out);

// A decimal number from minimum to maximum at the start of `input`; returns the input after its digits,
// or null (and `*out` 0) when there is none or it lies outside the range.
const char* parse_number(const char* input, int minimum, int maximum, int* out);

// An HTTP date in any of its three layouts: "Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94
// 08:49:37 GMT", "Sun Nov  6 08:49:37 1994". The zone name is not examined.
bool parse_http_date(const char* text, struct tm* out);

// The seconds since 1970 of a UTC date and time (fields beyond their range, such as 31 February, carry
// into the next day, minute...).
std::int64_t utc_to_time(const struct tm* value);

// 1 when the year (years since 1900) is a leap year, else 0.
int is_leap_year(int years_since_1900);

// A log stamp of the current time or of `time`; empty for a time before 1970 or after the year 3000.
std::string make_utc_stamp();
std::string make_utc_stamp(std::int64_t time);

// "2026-12-09T10:15:02Z"; empty for a null pointer or a time the C runtime cannot break down.
std::string format_iso8601_utc(const std::int64_t* time);
// "Wed, 09 Dec 2026 10:15:02 GMT"; empty for a time the C runtime cannot break down.
std::string format_http_date(std::int64_t time);

// Writes hh:mm:ss into `buffer` (seconds rounded up) and returns it; null for a size below 9, a null
// buffer, or a duration that does not fit (the buffer then holds an empty text).
char* format_duration(double seconds, char* buffer, int size);

// Seconds between two clock() readings in milliseconds; the difference wraps as 32-bit ticks do.
double clock_seconds(int earlier, int later);

// Reads a decimal number as the stream does: leading white space is skipped, the longest valid start is
// taken, the rest is ignored. False for an empty or non-numeric text, a number out of range, or a minus
// sign before an unsigned number. The classic locale is used whatever the program's locale is.
template <class T> bool from_string(T& value, const std::string& text) {
    static_assert(std::is_arithmetic<T>::value, "numbers only");
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    if (std::is_unsigned<T>::value) {
        in >> std::ws;
        if (in.peek() == '-') // the stream would wrap -7 round to 2^64 - 7
            return false;
    }
    in >> std::dec >> value;
    return !in.fail();
}

// Whole seconds between start and stop, or start and now while it runs.
class Stopwatch {
public:
    void reset();
    // Starts anew; returns the start time.
    std::int64_t start();
    // Stops, when started.
    void stop();
    // 0 when never started.
    int elapsed() const;

private:
    std::int64_t start_time = 0; // 0: not started
    std::int64_t stop_time = 0;  // 0: running (or not started)
};
