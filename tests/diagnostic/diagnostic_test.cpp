// The diagnostic base class: the result code and its parts, the character shifts, and what it
// tells its host.
#include "diagnostic_probe.h"
#include "table_position.h"
#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <cstring>

using zedra_common::Diagnostic;
using zedra_common::DiagnosticHost;
using zvk_test::ProbeDiagnostic;
using zvk_test::RecordingHost;

namespace {

TEST(DiagnosticCode, WorkedExamplesAndTheirParts) {
    struct Case {
        const char* name;
        std::string serial;
        std::uint32_t value;
        std::uint16_t flags;
        std::uint8_t kind;
        const char* code;
    } cases[] = {
        {"worked example", "PF0ABC12", 0x1234, 5, 0, "WME4HK005-UG7DGI"},
        {"hard disk", "PF0ABC12", 0x1234, 5, 1, "WHD4HK005-UG7DGI"},
        {"only 15 value bits", "PF0ABC12", 0x8000, 0, 0, "WME000000-UG7DGI"},
        {"only 15 flag bits", "PF0ABC12", 0x7FFF, 0x8001, 0, "WMEVVV001-UG7DGI"},
        {"serial starting with Z", "Z00000", 0, 0, 0, "WME000000-EG7D5I"},
        {"serial starting with 7", "700000", 0, 0, 0, "WME000000-2G7D5I"},
        // Shorter serials: the missing characters count as "0" (shifted: "5", "7", "5").
        {"serial of 4", "PF0A", 0, 0, 0, "WME000000-UG7D5I"},
        {"serial of 2", "PF", 0, 0, 0, "WME000000-UG7D5I"},
        {"serial of 1", "P", 0, 0, 0, "WME000000-UG7D5I"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProbeDiagnostic d(c.serial, c.value, c.flags);
        EXPECT_EQ(d.build_result_code(c.kind), 0);
        EXPECT_EQ(d.code(), c.code);
        EXPECT_EQ(std::strlen(d.get_result_code()), 16u);
        EXPECT_EQ(d.error_flags, 0u); // cleared by every build
    }
}

TEST(DiagnosticCode, DateDigitsAndTodayForAZero) {
    struct Case {
        int year, month, day;
        const char* date_letters; // characters 1, 3 and 5 of the machine block
    } cases[] = {
        {2011, 9, 15, "GDI"},
        {1999, 12, 31, "EXG"}, // 1+9+9+9+2 = 30 -> 4; 1+2-6 = -3 -> 23; 3+1+2 = 6
        {2024, 1, 1, "KVD"},   // 2+0+2+4+2 = 10; 0+1-6 = -5 -> 21; 0+1+2 = 3
        {2099, 10, 29, "WVN"}, // 2+0+9+9+2 = 22; 1+0-6 = -5 -> 21; 2+9+2 = 13
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.year * 10000 + c.month * 100 + c.day);
        ProbeDiagnostic d("PF0ABC12", 0, 0);
        d.set_date(c.year, c.month, c.day);
        const std::string m = d.machine();
        EXPECT_EQ(std::string({m[1], m[3], m[5]}), c.date_letters);
    }

    const __time64_t now = std::time(nullptr);
    struct tm today;
    ASSERT_EQ(_localtime64_s(&today, &now), 0);
    for (auto zero : {0, 1, 2}) {
        ProbeDiagnostic d("PF0ABC12", 0, 0);
        d.set_date(zero == 0 ? 0 : 2011, zero == 1 ? 0 : 9, zero == 2 ? 0 : 15);
        d.machine();
        EXPECT_EQ(d.year, today.tm_year + 1900);
        EXPECT_EQ(d.month, today.tm_mon + 1);
        EXPECT_EQ(d.day, today.tm_mday);
    }
}

TEST(DiagnosticCode, KindWithoutKindTextMakesNoCode) {
    for (int kind : {2, 127, 255}) {
        SCOPED_TRACE(kind);
        ProbeDiagnostic d("PF0ABC12", 0x1234, 5);
        ASSERT_EQ(d.build_result_code(0), 0);
        d.error_flags = 5;
        EXPECT_EQ(d.build_result_code(std::uint8_t(kind)), zedra_common::DIAGNOSTIC_CODE_FAILED);
        EXPECT_EQ(d.code(), "");      // no stale code of an earlier build
        EXPECT_EQ(d.error_flags, 5u); // not reported, so not forgotten
    }
}

TEST(DiagnosticCode, ShiftChar) {
    struct Case {
        char c;
        int k;
        char expected;
    } cases[] = {
        {'A', 5, 'F'},   {'Z', 5, 'E'}, {'B', -3, 'Y'}, {'A', -26, 'A'}, {'M', 27, 'N'},
        {'A', -27, 'Z'}, {'0', 5, '5'}, {'7', 5, '2'},  {'0', -3, '7'},  {'9', 1, '0'},
        {'3', -13, '0'}, {' ', 5, '/'}, {'a', 5, '4'},  {'a', -3, '6'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(1, c.c) + " by " + std::to_string(c.k));
        EXPECT_EQ(Diagnostic::shift_char(c.c, c.k), c.expected);
    }
    EXPECT_EQ(Diagnostic::shift_char_back3('C'), 'Z');
    EXPECT_EQ(Diagnostic::shift_char_back3('2'), '9');
}

TEST(DiagnosticCode, Base32Digits) {
    EXPECT_EQ(Diagnostic::base32_digit(0x1234, 0), 20);
    EXPECT_EQ(Diagnostic::base32_digit(0x1234, 1), 17);
    EXPECT_EQ(Diagnostic::base32_digit(0x1234, 2), 4);
    EXPECT_EQ(Diagnostic::base32_digit(0xFFFFFFFFu, 6), 3); // the top two bits
    EXPECT_EQ(Diagnostic::base32_digit(0xFFFFFFFFu, 7), 0);
    EXPECT_EQ(Diagnostic::base32_digit(0xFFFFFFFFu, -1), 0);
    const std::string digits = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
    for (int d = 0; d < 32; ++d)
        EXPECT_EQ(Diagnostic::digit_char(d), digits[std::size_t(d)]);
}

TEST(DiagnosticErrors, RaiseAndCount) {
    ProbeDiagnostic d("PF0ABC12", 0, 0);
    EXPECT_FALSE(d.error_raised);
    EXPECT_EQ(d.raise_error(0x81), 0x81);
    EXPECT_EQ(d.raise_error(0x02), 0x02);
    EXPECT_TRUE(d.error_raised);
    EXPECT_EQ(d.error_flags, 0x83u);
    EXPECT_EQ(d.count_errors(), 0); // counts error_word, not the flags
    d.error_word = 0x80000101u;
    EXPECT_EQ(d.count_errors(), 3);
    d.error_word = 0xFFFFFFFFu;
    EXPECT_EQ(d.count_errors(), 32);
}

TEST(DiagnosticHostCalls, WithoutAHostNothingIsCalled) {
    ProbeDiagnostic d("PF0ABC12", 0, 0);
    d.set_host_result(9);
    EXPECT_EQ(d.report_elapsed(), zedra_common::DIAGNOSTIC_NO_HOST);
    d.report_abort();
    d.query_host();
    EXPECT_EQ(d.get_host_result(), 9);
}

TEST(DiagnosticHostCalls, TheHostHearsMessagesAnswersAndTimes) {
    RecordingHost host;
    ProbeDiagnostic d("PF0ABC12", 0, 0);
    d.set_host(&host);

    d.report_abort();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Test aborted by the user\n");

    host.answer = 0xAB;
    d.query_host();
    EXPECT_EQ(d.get_host_result(), 0xAB);
    EXPECT_EQ(host.answers_given, 1);

    d.set_test_id(7);
    d.start_tick = std::int32_t(zvk_crt::clock()) - 1500;
    host.time_answer = 33;
    EXPECT_EQ(d.report_elapsed(), 33);
    EXPECT_EQ(host.times_reported, 1);
    EXPECT_EQ(host.reported_id, 7);
    EXPECT_GE(host.reported_seconds, 1.5);
    EXPECT_LT(host.reported_seconds, 60.0);

    d.start_timer();
    d.report_elapsed();
    EXPECT_GE(host.reported_seconds, 0.0);
    EXPECT_LT(host.reported_seconds, 60.0);
}

TEST(DiagnosticTable, OperationsSitAtTheirPositions) {
    using zvk_test::table_position;
    EXPECT_EQ(table_position(&Diagnostic::status_a), 0);
    EXPECT_EQ(table_position(&Diagnostic::status_b), 1);
    EXPECT_EQ(table_position(&Diagnostic::status_c), 2);
    EXPECT_EQ(table_position(&Diagnostic::text_a), 3);
    EXPECT_EQ(table_position(&Diagnostic::text_b), 4);
    EXPECT_EQ(table_position(&Diagnostic::report_elapsed), 5);
    EXPECT_EQ(table_position(&Diagnostic::raise_error), 6);
    EXPECT_EQ(table_position(&DiagnosticHost::print_message), 1);
    EXPECT_EQ(table_position(&DiagnosticHost::get_answer), 10);
    EXPECT_EQ(table_position(&DiagnosticHost::report_time), 15);

    Diagnostic base;
    EXPECT_EQ(base.status_a(), 4);
    EXPECT_EQ(base.status_b(), 4);
    EXPECT_EQ(base.status_c(), 4);
    EXPECT_STREQ(base.text_a(), "");
    EXPECT_EQ(base.text_b(), "");
    EXPECT_EQ(std::memcmp(base.get_result_code(), std::string(17, '\0').data(), 17), 0);
}

} // namespace
