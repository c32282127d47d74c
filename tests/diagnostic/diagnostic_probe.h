#pragma once
// A diagnostic whose members the tests may set and read, and a host that records its calls.
#include "diagnostic.h"

#include <string>
#include <vector>

namespace zvk_test {

class ProbeDiagnostic : public zedra_common::Diagnostic {
public:
    using Diagnostic::day;
    using Diagnostic::error_flags;
    using Diagnostic::error_raised;
    using Diagnostic::error_word;
    using Diagnostic::month;
    using Diagnostic::result_value;
    using Diagnostic::serial_length;
    using Diagnostic::serial_number;
    using Diagnostic::start_tick;
    using Diagnostic::test_id;
    using Diagnostic::year;

    ProbeDiagnostic(const std::string& serial, std::uint32_t value, std::uint16_t flags) {
        set_serial_number(serial);
        set_date(2011, 9, 15);
        result_value = value;
        error_flags = flags;
    }
    std::string code() { return get_result_code(); }
    std::string machine() {
        char out[6];
        machine_date_code(out);
        return std::string(out, 6);
    }
};

class RecordingHost : public zedra_common::DiagnosticHost {
public:
    std::vector<std::string> messages;
    int answers_given = 0;
    std::uint8_t answer = 0;
    int times_reported = 0;
    std::uint8_t reported_id = 0;
    double reported_seconds = -1;
    int time_answer = 0;

    void print_message(const char* text) override { messages.push_back(text); }
    std::uint8_t get_answer() override {
        ++answers_given;
        return answer;
    }
    int report_time(std::uint8_t id, double seconds) override {
        ++times_reported;
        reported_id = id;
        reported_seconds = seconds;
        return time_answer;
    }
};

} // namespace zvk_test
