#pragma once
// Base class of diagnostic tests: error bits, a value, elapsed time and messages reported to a host
// object, and the 16-character result code that names the kind of device, the value, the error
// bits, the machine and the date.
#include <cstdint>
#include <string>

namespace zedra_common {

// The callback object of a diagnostic. Diagnostic calls the operations at positions 1, 10 and 15
// of its table; the others keep those positions.
class DiagnosticHost {
public:
    virtual int reserved_0() { return 0; }
    virtual void print_message(const char* text) = 0; // 1
    virtual int reserved_2() { return 0; }
    virtual int reserved_3() { return 0; }
    virtual int reserved_4() { return 0; }
    virtual int reserved_5() { return 0; }
    virtual int reserved_6() { return 0; }
    virtual int reserved_7() { return 0; }
    virtual int reserved_8() { return 0; }
    virtual int reserved_9() { return 0; }
    virtual std::uint8_t get_answer() = 0; // 10
    virtual int reserved_11() { return 0; }
    virtual int reserved_12() { return 0; }
    virtual int reserved_13() { return 0; }
    virtual int reserved_14() { return 0; }
    virtual int report_time(std::uint8_t test_id, double seconds) = 0; // 15

protected:
    ~DiagnosticHost() = default; // a diagnostic never owns its host
};

// Device kinds that have a kind text in the result code.
enum DeviceKind : std::uint8_t { DEVICE_MACHINE = 0, DEVICE_HARD_DISK = 1 };

constexpr int DIAGNOSTIC_NOT_SUPPORTED = 4;
constexpr int DIAGNOSTIC_NO_HOST = 46;
constexpr int DIAGNOSTIC_CODE_FAILED = 8;

class Diagnostic {
public:
    Diagnostic();
    ~Diagnostic(); // not virtual: nothing deletes a diagnostic through this class

    virtual int status_a();                             // 0
    virtual int status_b();                             // 1
    virtual int status_c();                             // 2
    virtual const char* text_a();                       // 3
    virtual std::string text_b();                       // 4
    virtual int report_elapsed();                       // 5: the host's answer, or 46 without a host
    virtual std::uint8_t raise_error(std::uint8_t bit); // 6

    void set_host(DiagnosticHost* host);
    // Bits set in error_word.
    int count_errors() const;
    // Tells the host the user aborted the test.
    void report_abort();
    // host_result = the host's answer; unchanged without a host.
    void query_host();
    void set_host_result(std::uint8_t value);
    std::uint8_t get_host_result() const;
    void set_test_id(std::uint8_t id);
    // start_tick = now, in the runtime clock's milliseconds.
    void start_timer();

    // The serial number for the machine characters (its characters 0, 2 and 4); an empty one is
    // read from the firmware at the next build. Where the serial is shorter, or none can be read
    // (the firmware gives none), the missing characters count as "0".
    void set_serial_number(std::string serial);
    // The date of the code; a 0 in any of the three means today.
    void set_date(int year, int month, int day);

    // Builds result_code: "W", the kind text ("ME" machine, "HD" hard disk), the value and flags
    // block, "-", the machine and date block. 0, and error_flags cleared; 8 when no code was made:
    // for a kind without a kind text, result_code is empty and the error flags are kept.
    int build_result_code(std::uint8_t kind);
    const char* get_result_code() const { return result_code; }

    // Six characters each, no terminator.
    void machine_date_code(char* out);
    void encode_value_flags(char* out) const;

    // (value >> 5i) & 31; 0 for a digit beyond the value's 32 bits.
    static int base32_digit(std::uint32_t value, int i);
    // 0-9 as "0".."9", 10-31 as "A".."V" (the low five bits of d).
    static char digit_char(int d);
    // Turns a capital k places within A-Z, anything else k places within a range of ten from "0".
    static char shift_char(char c, int k);
    static char shift_char_back3(char c);

protected:
    bool error_raised;
    std::uint16_t error_flags;
    std::uint32_t error_word;
    std::uint32_t result_value;
    char result_code[17];
    DiagnosticHost* host; // not owned
    std::uint8_t test_id;
    std::uint8_t host_result;
    std::int32_t start_tick; // runtime clock ticks (milliseconds)
    std::string serial_number;
    std::uint64_t serial_length; // 0: not read yet
    std::int32_t year;
    std::int32_t month;
    std::int32_t day;

private:
    // Reads the serial number from the firmware when none is known; false when none can be had.
    bool ensure_serial_number();
    // Serial character i, or "0" where the serial is shorter.
    char serial_char(std::size_t i) const;
    void ensure_date();
};

} // namespace zedra_common
