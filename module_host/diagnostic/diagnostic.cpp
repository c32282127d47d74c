#include "diagnostic.h"

#include "win_bios.h"
#include "zvk_windows.h"

#include <bitset>
#include <cstring>
#include <utility>

namespace zedra_common {
namespace {

// v mod 26, never negative.
int mod26(int v) {
    return ((v % 26) + 26) % 26;
}

int digit_sum_year(int y) {
    return y / 1000 + (y % 1000) / 100 + (y % 100) / 10 + y % 10;
}
int digit_sum_two(int v) {
    return v / 10 + v % 10;
}

const char* kind_text(std::uint8_t kind) {
    switch (kind) {
    case DEVICE_MACHINE:
        return "ME";
    case DEVICE_HARD_DISK:
        return "HD";
    default:
        return nullptr;
    }
}

} // namespace

Diagnostic::Diagnostic()
    : error_raised(false), error_flags(0), error_word(0), result_value(0), result_code{}, host(nullptr),
      test_id(0), host_result(0), start_tick(0), serial_length(0), year(0), month(0), day(0) {}

Diagnostic::~Diagnostic() = default;

int Diagnostic::status_a() {
    return DIAGNOSTIC_NOT_SUPPORTED;
}
int Diagnostic::status_b() {
    return DIAGNOSTIC_NOT_SUPPORTED;
}
int Diagnostic::status_c() {
    return DIAGNOSTIC_NOT_SUPPORTED;
}
const char* Diagnostic::text_a() {
    return "";
}
std::string Diagnostic::text_b() {
    return std::string();
}

int Diagnostic::report_elapsed() {
    if (!host)
        return DIAGNOSTIC_NO_HOST;
    // Modular difference: right across the 32-bit tick counter's wrap.
    const std::uint32_t ticks = std::uint32_t(zvk_crt::clock()) - std::uint32_t(start_tick);
    return host->report_time(test_id, ticks / 1000.0);
}

std::uint8_t Diagnostic::raise_error(std::uint8_t bit) {
    error_raised = true;
    error_flags = std::uint16_t(error_flags | bit);
    return bit;
}

void Diagnostic::set_host(DiagnosticHost* new_host) {
    host = new_host;
}

int Diagnostic::count_errors() const {
    return int(std::bitset<32>(error_word).count());
}

void Diagnostic::report_abort() {
    if (host)
        host->print_message("Test aborted by the user\n");
}

void Diagnostic::query_host() {
    if (host)
        host_result = host->get_answer();
}

void Diagnostic::set_host_result(std::uint8_t value) {
    host_result = value;
}
std::uint8_t Diagnostic::get_host_result() const {
    return host_result;
}
void Diagnostic::set_test_id(std::uint8_t id) {
    test_id = id;
}
void Diagnostic::start_timer() {
    start_tick = std::int32_t(std::uint32_t(zvk_crt::clock()));
}

void Diagnostic::set_serial_number(std::string serial) {
    serial_number = std::move(serial);
    serial_length = serial_number.size();
}

void Diagnostic::set_date(int new_year, int new_month, int new_day) {
    year = new_year;
    month = new_month;
    day = new_day;
}

int Diagnostic::base32_digit(std::uint32_t value, int i) {
    if (i < 0 || i > 6)
        return 0;
    return int((value >> (5 * i)) & 31u);
}

char Diagnostic::digit_char(int d) {
    d &= 31;
    return char(d < 10 ? '0' + d : 'A' + (d - 10));
}

char Diagnostic::shift_char(char c, int k) {
    int base = '0', range = 10;
    if (c >= 'A' && c <= 'Z') {
        base = 'A';
        range = 26;
    }
    return char(base + ((k % range) + range + (c - base)) % range);
}

char Diagnostic::shift_char_back3(char c) {
    return shift_char(c, -3);
}

void Diagnostic::encode_value_flags(char* out) const {
    for (int i = 2, at = 0; i >= 0; --i, ++at) {
        out[at] = digit_char(base32_digit(result_value, i));
        out[at + 3] = digit_char(base32_digit(error_flags, i));
    }
}

bool Diagnostic::ensure_serial_number() {
    if (serial_length != 0)
        return true;
    zedra_hal::WinBios* bios = zedra_hal::WinBios::get_instance();
    const char* text = nullptr;
    std::uint64_t size = 0;
    // The placeholder for a serial the firmware does not give is no serial number either.
    if (!bios || bios->get_serial_number(&text, &size) != 0 || !text ||
        text == zedra_hal::Bios::unable_to_obtain)
        return false;
    serial_number.assign(text, std::size_t(size));
    serial_length = serial_number.size();
    return true;
}

char Diagnostic::serial_char(std::size_t i) const {
    return i < serial_number.size() ? serial_number[i] : '0';
}

void Diagnostic::ensure_date() {
    if (year != 0 && month != 0 && day != 0)
        return;
    const __time64_t now = std::time(nullptr);
    struct tm local;
    if (_localtime64_s(&local, &now) != 0)
        return; // no date to be had: the zeros stand, and the next build tries again
    year = local.tm_year + 1900;
    month = local.tm_mon + 1;
    day = local.tm_mday;
}

void Diagnostic::machine_date_code(char* out) {
    // Without a serial number the missing characters count as "0".
    if (!ensure_serial_number())
        serial_number.clear();
    out[0] = shift_char(serial_char(0), 5);
    out[2] = shift_char(serial_char(2), -3);
    out[4] = shift_char(serial_char(4), 5);
    ensure_date();
    out[1] = char('A' + mod26(digit_sum_year(year) + 2));
    out[3] = char('A' + mod26(digit_sum_two(month) - 6));
    out[5] = char('A' + mod26(digit_sum_two(day) + 2));
}

int Diagnostic::build_result_code(std::uint8_t kind) {
    const char* kind_letters = kind_text(kind);
    if (!kind_letters) {
        std::memset(result_code, 0, sizeof result_code);
        return DIAGNOSTIC_CODE_FAILED;
    }
    char machine[7] = {};
    char value[7] = {};
    machine_date_code(machine);
    encode_value_flags(value);
    const int written =
        sprintf_s(result_code, sizeof result_code, "%c%2s%6s-%6s", 'W', kind_letters, value, machine);
    error_flags = 0;
    return written < 1 ? DIAGNOSTIC_CODE_FAILED : 0;
}

} // namespace zedra_common
