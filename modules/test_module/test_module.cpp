// The test module: one source that keeps the whole module contract, built into several module
// files whose behaviour differs by the TM_* settings below (the variants and what each does:
// modules/README.md). Besides its diagnostic work it records every call it receives, with the
// calling thread, for the host's tests to read (call_record.h).
#include "zvk_module_sdk.h"

#include <direct.h>
#include <share.h>
#include <stdio.h>
#include <time.h>

#include <map>
#include <string>

// ---- settings of a variant (defaults: the well-behaved module)

#ifndef TM_NAME
#define TM_NAME "TestModule" // get_module_name; TM_NULL_NAME 1 returns null instead
#endif
#ifndef TM_NULL_NAME
#define TM_NULL_NAME 0
#endif
#ifndef TM_SUBSYSTEM
// Section name in the log: the display name, which the log screen looks the run's section up by.
#define TM_SUBSYSTEM TM_NAME
#endif
#ifndef TM_DEVICES
#define TM_DEVICES 3 // devices found by enumerate_devices, 0 to 4
#endif
#ifndef TM_TESTS
#define TM_TESTS 3 // tests, codes 1, 2, 4 ..., 1 to 8
#endif
#ifndef TM_STATUSES
#define TM_STATUSES 0 // status of each test in code order, repeated when there are fewer values
#endif
#ifndef TM_TEST_MS
#define TM_TEST_MS 200 // duration of one test
#endif
#ifndef TM_TEST_STEPS
#define TM_TEST_STEPS 10 // progress steps of one test; the abort request is looked at before each
#endif
#ifndef TM_IGNORE_ABORT
#define TM_IGNORE_ABORT 0 // 1: a test runs to its end whatever set_abort asked
#endif
#ifndef TM_ENUM_MS
#define TM_ENUM_MS 0 // duration of enumerate_devices
#endif
#ifndef TM_BEGIN_RUN
#define TM_BEGIN_RUN 0 // result of begin_run: not 0 means the log is busy
#endif
#ifndef TM_REFUSE_SELECT
#define TM_REFUSE_SELECT 0 // the n-th select_device of a run (counted from 1) is refused; 0 none
#endif
#ifndef TM_USED_SCREENS
#define TM_USED_SCREENS 126 // all five screens and the end mark
#endif
#ifndef TM_DEVICES_PROPERTY
#define TM_DEVICES_PROPERTY 1 // get_screen_properties(ScreenBit::Devices)
#endif
#ifndef TM_PROGRESS_PROPERTY
#define TM_PROGRESS_PROPERTY 1 // get_screen_properties(ScreenBit::Progress)
#endif
#ifndef TM_PICTURE
#define TM_PICTURE 1 // get_module_image: 0 null, 1 a PNG picture, 2 bytes of no picture format
#endif
#ifndef TM_EXPORT_IMAGE
#define TM_EXPORT_IMAGE 1
#endif
#ifndef TM_INTERFACE
#define TM_INTERFACE 1 // 0: get_module_interface returns null
#endif
#ifndef TM_EXPORT_INTERFACE
#define TM_EXPORT_INTERFACE 1
#endif
#ifndef TM_EXPORT_USED_SCREENS
#define TM_EXPORT_USED_SCREENS 1
#endif
#ifndef TM_UPPER_CASE
#define TM_UPPER_CASE 0 // the contract's exports under names in capital letters
#endif
#ifndef TM_UNKNOWN_IMPORT
#define TM_UNKNOWN_IMPORT 0 // imports a KERNEL32 function the host does not offer
#endif

#if TM_UPPER_CASE
#define TM_EXPORT_NAME(lower, upper) upper
#else
#define TM_EXPORT_NAME(lower, upper) lower
#endif

#if TM_PICTURE == 1
#include "test_module_picture.h"
#endif

static_assert(TM_DEVICES >= 0 && TM_DEVICES <= 4, "TM_DEVICES");
static_assert(TM_TESTS >= 1 && TM_TESTS <= 8, "TM_TESTS");
static_assert(sizeof(std::string) == 32 && sizeof(DeviceMap) == 48, "the host's libstdc++ layout");

namespace {

// ---- small helpers (no C library formatting: the module imports only what the host offers)

std::string decimal(long long value) {
    unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value) : value;
    char digits[24];
    int n = 0;
    do {
        digits[n++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    std::string text = value < 0 ? "-" : "";
    while (n)
        text += digits[--n];
    return text;
}

std::string two_digits(int value) {
    return std::string(1, char('0' + value / 10)) + char('0' + value % 10);
}

// Seconds since 1970 as the log's time stamp, 20261209T101502UTC.
std::string time_stamp(long long seconds) {
    long long days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    long long rest = seconds - days * 86400;
    // Civil date from a day count (proleptic Gregorian calendar, eras of 400 years).
    long long z = days + 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    int day = int(doy - (153 * mp + 2) / 5 + 1);
    int month = int(mp < 10 ? mp + 3 : mp - 9);
    long long year = yoe + era * 400 + (month <= 2);
    std::string text = decimal(year);
    while (text.size() < 4)
        text.insert(text.begin(), '0');
    return text + two_digits(month) + two_digits(day) + "T" + two_digits(int(rest / 3600)) +
           two_digits(int(rest / 60 % 60)) + two_digits(int(rest % 60)) + "UTC";
}

std::string now_stamp() {
    return time_stamp(_time64(nullptr));
}

// Milliseconds as seconds with three decimals.
std::string seconds_text(unsigned long long ms) {
    std::string fraction = decimal(static_cast<long long>(ms % 1000));
    while (fraction.size() < 3)
        fraction.insert(fraction.begin(), '0');
    return decimal(static_cast<long long>(ms / 1000)) + "." + fraction;
}

// ---- the call record, shared by both threads that call the module

SRWLOCK record_lock = SRWLOCK_INIT;
std::string call_record; // constructed by the runtime before DllMain runs

void record(const char* operation, const std::string& arguments = std::string()) {
    std::string line = decimal(GetCurrentThreadId()) + " " + operation;
    if (!arguments.empty())
        line += " " + arguments;
    line += "\n";
    AcquireSRWLockExclusive(&record_lock);
    call_record += line;
    ReleaseSRWLockExclusive(&record_lock);
}

// ---- the enumeration gate: a test's own flag that holds enumerate_devices inside the call

// The host's flag, handed over through zvk_hold_enumeration; null: no gate. The module only reads
// the flag, so the host opens the gate without running module code.
const int* enumeration_gate = nullptr;

void wait_at_enumeration_gate() {
    const int* gate = __atomic_load_n(&enumeration_gate, __ATOMIC_ACQUIRE);
    // Only Sleep and SRW locks are importable, so no event to wait on: the flag is polled.
    while (gate && __atomic_load_n(gate, __ATOMIC_ACQUIRE) != 0)
        Sleep(1);
}

// ---- the log, appended line by line to \zedra\zedra.log on the system drive

void append_log(const std::string& lines) {
    char windows_directory[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows_directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    std::string folder = std::string(1, windows_directory[0]) + ":\\zedra";
    _mkdir(folder.c_str());
    // Opened and closed for every piece, shared, so the host may read the log at any time.
    FILE* file = _fsopen((folder + "\\zedra.log").c_str(), "a", _SH_DENYNO);
    if (!file)
        return;
    fwrite(lines.data(), 1, lines.size(), file);
    fclose(file);
}

void append_record(const char* tag, const std::string& fields) {
    append_log(now_stamp() + " " + tag + " " + fields + "\n");
}

// ---- what the module tests

struct DeviceInfo {
    const char* id;
    const char* name;
    const char* model;
};
// The second id is longer than std::string keeps in place, so it crosses with a heap block.
const DeviceInfo device_table[4] = {
    {"DEVICE_0", "HardDisk 0", "TM-HD-100"},
    {"DEVICE_1_WITH_AN_IDENTIFIER_LONGER_THAN_A_SHORT_STRING", "HardDisk 1", "TM-HD-200"},
    {"DEVICE_2", "SolidStateDisk 2", "TM-SSD-300"},
    {"DEVICE_3", "OpticalDrive 3", "TM-OD-400"},
};

struct TestInfo {
    const char* token; // name in the test map
    const char* code;  // name in the log
};
const TestInfo test_table[8] = {
    {"ReadTest", "READ_TEST"},   {"WriteTest", "WRITE_TEST"}, {"VerifyTest", "VERIFY_TEST"},
    {"SeekTest", "SEEK_TEST"},   {"CacheTest", "CACHE_TEST"}, {"SmartTest", "SMART_TEST"},
    {"SpeedTest", "SPEED_TEST"}, {"NoiseTest", "NOISE_TEST"},
};

const int configured_statuses[] = {TM_STATUSES};
constexpr int configured_status_count = sizeof(configured_statuses) / sizeof(configured_statuses[0]);

const char* result_word(int status) {
    switch (status) {
    case 0:
        return "SUCCESS";
    case 1:
        return "FAILURE";
    case 2:
        return "NOT_SUPPORTED";
    case 3:
        return "ABORTED";
    default:
        return "UNKNOWN";
    }
}

// Index of a test code (one bit) in the test table, or -1.
int test_index(int code) {
    for (int i = 0; i < TM_TESTS; ++i)
        if (code == (1 << i))
            return i;
    return -1;
}

class TestModule : public ModuleInterface {
public:
    explicit TestModule(int serial) : serial(serial) {
        for (int i = 0; i < TM_TESTS; ++i)
            tests[1 << i] = test_table[i].token;
    }

    ZVK_MODULE_CALL int begin_tests() override {
        record("begin_tests");
        tests_begun = true;
        append_log("START TESTS\n");
        append_record("MESSAGE", "DEVICE_SELECTED " + decimal(test_mask));
        return 0;
    }

    ZVK_MODULE_CALL int end_tests() override {
        record("end_tests");
        // passed-failed-not supported-aborted, and the tests without a status; all 0 for a device the
        // module refused, whose tests never began (and whose log has no tests to close)
        result_code = decimal(counts[0]) + "-" + decimal(counts[1]) + "-" + decimal(counts[2]) + "-" +
                      decimal(counts[3]) + "-" + decimal(counts[4]);
        if (tests_begun)
            append_log("STOP TESTS " + result_code + "\n");
        tests_begun = false;
        return 0;
    }

    ZVK_MODULE_CALL int begin_run(std::int64_t start_time) override {
        record("begin_run", decimal(start_time));
        if (TM_BEGIN_RUN != 0)
            return TM_BEGIN_RUN;
        selections = 0;
        run_start = start_time;
        append_log("+++ " + now_stamp() + " " + TM_SUBSYSTEM + " " + decimal(run_start) + "\n");
        return 0;
    }

    ZVK_MODULE_CALL int end_run() override {
        record("end_run");
        append_log(std::string("--- ") + TM_SUBSYSTEM + "\n");
        return 0;
    }

    ZVK_MODULE_CALL int reserved_6() override { return record("reserved_6"), 0; }

    ZVK_MODULE_CALL int select_device(std::string device_id, int mask) override {
        record("select_device", device_id + " " + decimal(mask));
        for (int& count : counts)
            count = 0;
        if (++selections == TM_REFUSE_SELECT)
            return 1;
        selected_id = device_id;
        test_mask = mask;
        // A device the module did not enumerate (the module itself as the device) keeps its id as name.
        std::string name = device_id, model = "TM-MODULE";
        for (int i = 0; i < TM_DEVICES; ++i)
            if (device_id == device_table[i].id) {
                name = device_table[i].name;
                model = device_table[i].model;
            }
        append_log("UID: " + device_id + "\nDISPLAYNAME: " + name + "\nMODEL: " + model +
                   "\n>>> RESOURCE PARTITION\nINDEX: 0\nSIZE: 100 GB\n<<< RESOURCE\n");
        return 0;
    }

    ZVK_MODULE_CALL int enumerate_devices() override {
        record("enumerate_devices");
        if (TM_ENUM_MS > 0)
            Sleep(TM_ENUM_MS);
        wait_at_enumeration_gate();
        devices.clear();
        for (int i = 0; i < TM_DEVICES; ++i)
            devices[device_table[i].id] = device_table[i].name;
        return 0;
    }

    ZVK_MODULE_CALL int run_test(int code) override {
        record("run_test", decimal(code));
        __atomic_store_n(&progress, 0, __ATOMIC_RELAXED);
        int index = test_index(code);
        std::string name = index >= 0 ? test_table[index].code : "TEST_" + decimal(code);
        unsigned long long start = GetTickCount64();
        append_record("START", name);

        int outcome = 2; // a code the module does not have is not supported
        if (index >= 0) {
            outcome = configured_statuses[index % configured_status_count];
            for (int step = 1; step <= TM_TEST_STEPS; ++step) {
                if (!TM_IGNORE_ABORT && __atomic_load_n(&abort_requested, __ATOMIC_ACQUIRE)) {
                    outcome = 3;
                    break;
                }
                Sleep(TM_TEST_MS / TM_TEST_STEPS);
                __atomic_store_n(&progress, step * 100 / TM_TEST_STEPS, __ATOMIC_RELAXED);
            }
        }
        if (outcome == 1)
            append_record("ERROR", "ERRORS_FOUND 1");
        else if (outcome == 2)
            append_record("MESSAGE", "TEST_NOT_SUPPORTED");
        else if (outcome == 3)
            append_record("WARNING", "TEST_ABORTED_BY_USER");
        append_record("STOP",
                      name + " " + result_word(outcome) + " " + seconds_text(GetTickCount64() - start));
        ++counts[outcome >= 0 && outcome <= 3 ? outcome : 4];
        status = static_cast<TestStatus>(outcome);
        return 0;
    }

    ZVK_MODULE_CALL int get_test_progress() override {
        record("get_test_progress");
        return __atomic_load_n(&progress, __ATOMIC_RELAXED);
    }

    ZVK_MODULE_CALL int reserved_11() override { return record("reserved_11"), 0; }
    ZVK_MODULE_CALL int reserved_12() override { return record("reserved_12"), 0; }

    ZVK_MODULE_CALL DeviceMap* get_devices() override { return record("get_devices"), &devices; }
    ZVK_MODULE_CALL TestMap* get_tests() override { return record("get_tests"), &tests; }
    ZVK_MODULE_CALL TestStatus* get_test_status() override { return record("get_test_status"), &status; }
    ZVK_MODULE_CALL const std::string& get_result_code() override {
        return record("get_result_code"), result_code;
    }

    ZVK_MODULE_CALL int reserved_17() override { return record("reserved_17"), 0; }

    ZVK_MODULE_CALL int set_abort(bool abort) override {
        record("set_abort", abort ? "1" : "0");
        __atomic_store_n(&abort_requested, abort ? 1 : 0, __ATOMIC_RELEASE);
        return 0;
    }

    const int serial;

private:
    DeviceMap devices;
    TestMap tests;
    TestStatus status = TestStatus::Passed;
    std::string result_code;
    std::string selected_id;
    std::int64_t run_start = 0;
    int test_mask = 0;
    int selections = 0;
    int counts[5] = {0, 0, 0, 0, 0};
    bool tests_begun = false;
    int progress = 0;        // written by the worker, read by the GUI thread
    int abort_requested = 0; // written by the GUI thread, read by the worker
};

// The interface objects handed out and not yet handed back, by their serial number.
std::map<ModuleInterface*, int> live_objects;
[[maybe_unused]] int last_serial = 0;

} // namespace

// ---- the contract's exports

// A static object: the name reaches the host only if the runtime ran the module's constructors.
const std::string module_name = TM_NAME;

ZVK_MODULE_EXPORT const char* TM_EXPORT_NAME(get_module_name, GET_MODULE_NAME)(void) {
    record("get_module_name");
    return TM_NULL_NAME ? nullptr : module_name.c_str();
}

#if TM_EXPORT_IMAGE
ZVK_MODULE_EXPORT const unsigned char* TM_EXPORT_NAME(get_module_image,
                                                      GET_MODULE_IMAGE)(unsigned int* length) {
    record("get_module_image");
#if TM_PICTURE == 1
    *length = sizeof(tm_picture);
    return tm_picture;
#elif TM_PICTURE == 2
    static const unsigned char no_picture[] = "these bytes are no picture of any format";
    *length = sizeof(no_picture) - 1;
    return no_picture;
#else
    *length = 0;
    return nullptr;
#endif
}
#endif

#if TM_EXPORT_USED_SCREENS
ZVK_MODULE_EXPORT int TM_EXPORT_NAME(get_used_screens, GET_USED_SCREENS)(void) {
    record("get_used_screens");
    return TM_USED_SCREENS;
}
#endif

ZVK_MODULE_EXPORT int TM_EXPORT_NAME(get_screen_properties, GET_SCREEN_PROPERTIES)(int screen_bit) {
    record("get_screen_properties", decimal(screen_bit));
    if (screen_bit == ScreenBit::Devices)
        return TM_DEVICES_PROPERTY;
    if (screen_bit == ScreenBit::Progress)
        return TM_PROGRESS_PROPERTY;
    return ScreenProperty::Default;
}

#if TM_EXPORT_INTERFACE
ZVK_MODULE_EXPORT ModuleInterface* TM_EXPORT_NAME(get_module_interface, GET_MODULE_INTERFACE)(void) {
    if (!TM_INTERFACE) {
        record("get_module_interface", "0");
        return nullptr;
    }
    TestModule* object = new TestModule(++last_serial);
    live_objects[object] = object->serial;
    record("get_module_interface", decimal(object->serial));
    return object;
}
#endif

// An object this module did not hand out, or handed back twice, is recorded and left alone.
ZVK_MODULE_EXPORT void TM_EXPORT_NAME(delete_module_interface,
                                      DELETE_MODULE_INTERFACE)(ModuleInterface* object) {
    auto found = live_objects.find(object);
    if (found == live_objects.end()) {
        record("delete_module_interface", "unknown");
        return;
    }
    record("delete_module_interface", decimal(found->second));
    live_objects.erase(found);
    delete static_cast<TestModule*>(object);
}

// ---- the call record and the enumeration gate for the host's tests (call_record.h)

ZVK_MODULE_EXPORT unsigned int zvk_call_record(char* buffer, unsigned int capacity) {
    AcquireSRWLockExclusive(&record_lock);
    unsigned int length = static_cast<unsigned int>(call_record.size());
    if (capacity > 0) {
        unsigned int copied = length < capacity - 1 ? length : capacity - 1;
        call_record.copy(buffer, copied);
        buffer[copied] = '\0';
    }
    ReleaseSRWLockExclusive(&record_lock);
    return length;
}

ZVK_MODULE_EXPORT void zvk_clear_call_record(void) {
    AcquireSRWLockExclusive(&record_lock);
    call_record.clear();
    ReleaseSRWLockExclusive(&record_lock);
}

ZVK_MODULE_EXPORT void zvk_hold_enumeration(const int* gate) {
    __atomic_store_n(&enumeration_gate, gate, __ATOMIC_RELEASE);
}

#if TM_UNKNOWN_IMPORT
// Never called: its import of a function the host does not offer is enough to refuse the module.
ZVK_MODULE_EXPORT void tm_beep(void) {
    Beep(440, 10);
}
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    record("DllMain", decimal(reason));
    return TRUE;
}
