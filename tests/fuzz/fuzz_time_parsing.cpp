// Time stamps and numbers in text: the log stamp parser in its three forms, the format-driven parser
// (format and text separated by the first '|' of the input), the HTTP date parser, the number
// readers, and the formatters on whatever the parsers accepted.
#include "fuzz_files.h"
#include "time_utils.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace {

void format_all(const struct tm& parsed) {
    const std::int64_t time = utc_to_time(&parsed);
    make_utc_stamp(time);
    format_iso8601_utc(&time);
    format_http_date(time);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zvk_fuzz::silence_standard_output(); // the stamp parser's too-short message
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    struct tm parsed {};
    if (ParseRfc8601Time(text, &parsed))
        format_all(parsed);
    parsed = {};
    ParseRfc8601Time(text.c_str(), &parsed);
    parsed = {};
    ParseRfc8601Time(text.c_str(), text.size(), &parsed);
    parsed = {};
    if (parse_http_date(text.c_str(), &parsed))
        format_all(parsed);

    const std::size_t bar = text.find('|');
    if (bar != std::string::npos) {
        const std::string format = text.substr(0, bar), input = text.substr(bar + 1);
        parsed = {};
        if (parse_time(input.c_str(), format.c_str(), &parsed))
            format_all(parsed);
        int number = 0;
        parse_number(input.c_str(), 0, 9999, &number);
    }

    std::int64_t signed_number = 0;
    std::uint64_t unsigned_number = 0;
    double real = 0;
    from_string(signed_number, text);
    from_string(unsigned_number, text);
    if (from_string(real, text)) {
        char buffer[32];
        format_duration(real, buffer, sizeof buffer);
    }
    return 0;
}
