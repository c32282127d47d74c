#include "time_utils.h"

#include "zvk_windows.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Each name's abbreviation and full name. The full name is tried first: its abbreviation is a prefix
// of it and would leave the rest ("day") unmatched.
const char* const day_names[7][2] = {{"Sun", "Sunday"},    {"Mon", "Monday"},   {"Tue", "Tuesday"},
                                     {"Wed", "Wednesday"}, {"Thu", "Thursday"}, {"Fri", "Friday"},
                                     {"Sat", "Saturday"}};
const char* const month_names[12][2] = {{"Jan", "January"}, {"Feb", "February"}, {"Mar", "March"},
                                        {"Apr", "April"},   {"May", "May"},      {"Jun", "June"},
                                        {"Jul", "July"},    {"Aug", "August"},   {"Sep", "September"},
                                        {"Oct", "October"}, {"Nov", "November"}, {"Dec", "December"}};

const int days_in_month[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                  {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

const char stamp_format[] = "%Y%m%dT%H%M%SUTC";
constexpr std::size_t stamp_length = 18;

// Matches one of `count` names at the input; the index, or -1. The input advances past the name.
template <std::size_t count> int match_name(const char*& input, const char* const (&names)[count][2]) {
    for (std::size_t i = 0; i < count; ++i) {
        for (const char* name : {names[i][1], names[i][0]}) {
            std::size_t length = std::strlen(name);
            if (_strnicmp(input, name, length) == 0) {
                input += length;
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Days from 1970-01-01 to the first of January of the year (negative before 1970).
std::int64_t days_before_year(std::int64_t year) {
    std::int64_t y = year - 1;
    auto floor_div = [](std::int64_t a, std::int64_t b) {
        return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
    };
    std::int64_t leap_days = floor_div(y, 4) - floor_div(y, 100) + floor_div(y, 400);
    const std::int64_t leap_days_before_1970 = 477; // 1969/4 - 1969/100 + 1969/400
    return (year - 1970) * 365 + (leap_days - leap_days_before_1970);
}

bool leap(std::int64_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// The broken-down UTC time of a time value through the C runtime, or null outside its range.
struct tm* broken_down(std::int64_t time) {
    __time64_t t = time;
    return _gmtime64(&t);
}

std::string stamp_of(std::int64_t time) {
    struct tm* value = broken_down(time);
    char buffer[stamp_length + 1];
    if (!value || std::strftime(buffer, sizeof buffer, stamp_format, value) != stamp_length)
        return {};
    return buffer;
}

bool parse_stamp(const char* text, std::size_t length, struct tm* out) {
    if (!out)
        return false;
    if (length < stamp_length) {
        std::printf("ParseRfc8601Time: String too short (%d characters) - Cannot parse %s\n",
                    static_cast<int>(length), text);
        return false;
    }
    // Year, month, day, hour, minute and second apart; the T and what follows the seconds are skipped.
    char fields[20];
    _snprintf(fields, sizeof fields, "%c%c%c%c %c%c %c%c %c%c %c%c %c%c", text[0], text[1], text[2], text[3],
              text[4], text[5], text[6], text[7], text[9], text[10], text[11], text[12], text[13], text[14]);
    fields[sizeof fields - 1] = 0;
    std::memset(out, 0, sizeof *out);
    return parse_time(fields, "%Y %m %d %H %M %S", out) != nullptr;
}

} // namespace

bool ParseRfc8601Time(std::string text, struct tm* out) {
    return parse_stamp(text.c_str(), text.size(), out);
}

bool ParseRfc8601Time(const char* text, struct tm* out) {
    return text && parse_stamp(text, std::strlen(text), out);
}

const char* parse_number(const char* input, int minimum, int maximum, int* out) {
    if (!out)
        return nullptr;
    *out = 0;
    if (!input || !*input)
        return nullptr;
    long long value = 0;
    const char* p = input;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (value <= INT_MAX) // past INT_MAX it is out of every range; keep reading the digits
            value = value * 10 + (*p - '0');
    }
    if (p == input || value < minimum || value > maximum)
        return nullptr;
    *out = static_cast<int>(value);
    return p;
}

const char* parse_time(const char* input, const char* format, struct tm* out) {
    if (!input || !format || !out)
        return nullptr;
    int number = 0;
    while (*format) {
        if (!*input)
            return nullptr;
        if (*format != '%') {
            if (*format++ != *input++)
                return nullptr;
            continue;
        }
        char directive = format[1];
        if (!directive)
            return nullptr;
        format += 2;
        switch (directive) {
        case '%':
            if (*input++ != '%')
                return nullptr;
            break;
        case 'a':
        case 'A':
            out->tm_wday = match_name(input, day_names);
            if (out->tm_wday < 0)
                return nullptr;
            break;
        case 'b':
        case 'B':
        case 'h':
            out->tm_mon = match_name(input, month_names);
            if (out->tm_mon < 0)
                return nullptr;
            break;
        case 'H':
            if (!(input = parse_number(input, 0, 23, &out->tm_hour)))
                return nullptr;
            break;
        case 'M':
            if (!(input = parse_number(input, 0, 59, &out->tm_min)))
                return nullptr;
            break;
        case 'S':
            if (!(input = parse_number(input, 0, 60, &out->tm_sec)))
                return nullptr;
            break;
        case 'Y':
            if (!(input = parse_number(input, 1900, 9999, &number)))
                return nullptr;
            out->tm_year = number - 1900;
            break;
        case 'e':
            // The blank-padded day ("Nov  6"): the padding belongs to the field.
            while (*input == ' ')
                ++input;
            [[fallthrough]];
        case 'd':
            if (!(input = parse_number(input, 1, 31, &out->tm_mday)))
                return nullptr;
            break;
        case 'm':
            if (!(input = parse_number(input, 1, 12, &number)))
                return nullptr;
            out->tm_mon = number - 1;
            break;
        case 'y':
            if (!(input = parse_number(input, 0, 99, &number)))
                return nullptr;
            out->tm_year = number <= 68 ? number + 100 : number;
            break;
        case 'n':
        case 't':
            while (is_space(*input))
                ++input;
            break;
        default:
            return nullptr;
        }
    }
    return input;
}

bool parse_http_date(const char* text, struct tm* out) {
    if (!text || !out)
        return false;
    std::memset(out, 0, sizeof *out);
    for (const char* layout : {"%a, %e %b %Y %H:%M:%S", "%a, %e-%b-%y %H:%M:%S", "%a %b %e %H:%M:%S %Y"})
        if (parse_time(text, layout, out))
            return true;
    return false;
}

int is_leap_year(int years_since_1900) {
    return leap(std::int64_t(years_since_1900) + 1900) ? 1 : 0;
}

std::int64_t utc_to_time(const struct tm* value) {
    if (!value)
        return 0;
    // A month outside 0 to 11 carries into the year, so the table is never read out of bounds.
    std::int64_t year = std::int64_t(value->tm_year) + 1900;
    std::int64_t month = value->tm_mon;
    year += month / 12;
    month %= 12;
    if (month < 0) {
        month += 12;
        year -= 1;
    }
    std::int64_t days = days_before_year(year);
    const int* lengths = days_in_month[leap(year) ? 1 : 0];
    for (std::int64_t m = 0; m < month; ++m)
        days += lengths[m];
    return (((days + value->tm_mday - 1) * 24 + value->tm_hour) * 60 + value->tm_min) * 60 + value->tm_sec;
}

std::string make_utc_stamp() {
    return stamp_of(_time64(nullptr));
}

std::string make_utc_stamp(std::int64_t time) {
    return stamp_of(time);
}

std::string format_iso8601_utc(const std::int64_t* time) {
    if (!time)
        return {};
    struct tm* value = broken_down(*time);
    char buffer[80];
    if (!value || std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", value) == 0)
        return {};
    return buffer;
}

std::string format_http_date(std::int64_t time) {
    struct tm* value = broken_down(time);
    if (!value || value->tm_wday < 0 || value->tm_wday > 6 || value->tm_mon < 0 || value->tm_mon > 11)
        return {};
    // The names are written from the English tables: strftime would follow the program's locale.
    char buffer[256];
    int n = _snprintf(buffer, sizeof buffer, "%s, %02d %s %04d %02d:%02d:%02d GMT",
                      day_names[value->tm_wday][0], value->tm_mday, month_names[value->tm_mon][0],
                      value->tm_year + 1900, value->tm_hour, value->tm_min, value->tm_sec);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof buffer)
        return {};
    return buffer;
}

char* format_duration(double seconds, char* buffer, int size) {
    if (size < 9 || !buffer)
        return nullptr;
    buffer[0] = 0;
    if (!std::isfinite(seconds) || std::fabs(seconds) / 3600 > INT_MAX)
        return nullptr;
    double hours = std::floor(seconds / 3600);
    double rest = seconds - hours * 3600;
    double minutes = std::floor(rest / 60);
    rest -= minutes * 60;
    double whole_seconds = std::ceil(rest);
    // Rounding up can make a full minute (59.2 s is 00:01:00, not 00:00:60), and a full minute an hour.
    if (whole_seconds >= 60) {
        whole_seconds -= 60;
        minutes += 1;
    }
    if (minutes >= 60) {
        minutes -= 60;
        hours += 1;
    }
    int n = _snprintf(buffer, static_cast<std::size_t>(size), "%02d:%02d:%02d", static_cast<int>(hours),
                      static_cast<int>(minutes), static_cast<int>(whole_seconds));
    if (n < 0 || n >= size) { // cut off, and _snprintf then writes no terminator
        buffer[0] = 0;
        return nullptr;
    }
    return buffer;
}

double clock_seconds(int earlier, int later) {
    std::int32_t ticks =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(later) - static_cast<std::uint32_t>(earlier));
    return ticks / 1000.0;
}

void Stopwatch::reset() {
    start_time = stop_time = 0;
}

std::int64_t Stopwatch::start() {
    start_time = _time64(nullptr);
    stop_time = 0;
    return start_time;
}

void Stopwatch::stop() {
    if (start_time > 0)
        stop_time = _time64(nullptr);
}

int Stopwatch::elapsed() const {
    if (start_time <= 0)
        return 0;
    double seconds = _difftime64(stop_time ? stop_time : _time64(nullptr), start_time);
    if (seconds >= INT_MAX)
        return INT_MAX;
    if (seconds <= INT_MIN)
        return INT_MIN;
    return static_cast<int>(seconds); // toward zero
}
