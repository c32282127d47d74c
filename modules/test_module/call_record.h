#pragma once
// The host side of the test modules' call record.
//
// Every test module (modules/README.md lists them) writes one line for each call it receives, in
// the order it receives them, into a record in its own memory:
//
//     <thread id> <operation>[ <argument> ...]
//
// The thread id is the caller's GetCurrentThreadId as the module's KERNEL32 sees it
// (current_thread_id() below gives the same number on the host side). The operations and their
// arguments:
//
//     DllMain <reason>                      1 attach (the detach is not readable any more)
//     get_module_name | get_module_image | get_used_screens
//     get_screen_properties <screen bit>
//     get_module_interface <serial>         serial of the new object, counted from 1; 0 when null
//     delete_module_interface <serial>      the object's serial, or "unknown" for an object the
//                                           module did not hand out or that was handed back already
//                                           (such an object is left alone)
//     begin_tests | end_tests | end_run | enumerate_devices | get_test_progress
//     get_devices | get_tests | get_test_status | get_result_code
//     begin_run <start time>
//     select_device <device id> <test mask>
//     run_test <test code>
//     set_abort <0|1>
//     reserved_6 | reserved_11 | reserved_12 | reserved_17   (the host must never call these)
//
// Extra exports, resolved like the contract's (SecureLibrary::resolve), give the record to tests and
// let them hold a call:
//
//     unsigned int zvk_call_record(char* buffer, unsigned int capacity)
//         copies the record, cut to capacity - 1 bytes and NUL-terminated, and returns its full
//         length; safe to call at any time, from any thread
//     void zvk_clear_call_record(void)
//         empties the record
//     void zvk_hold_enumeration(const int* gate)
//         from then on enumerate_devices, once recorded (and past the variant's own delay), waits
//         while *gate is not 0; null removes the gate (EnumerationGate below)
//
// All use the modules' calling convention (ZVK_MODULE_CALL).
#include "module_contract.h"
#include "zvk_windows.h"

#include <sstream>
#include <string>
#include <vector>

namespace zvk_test_modules {

typedef ZVK_MODULE_CALL unsigned int (*call_record_fn)(char* buffer, unsigned int capacity);
typedef ZVK_MODULE_CALL void (*clear_call_record_fn)(void);
typedef ZVK_MODULE_CALL void (*hold_enumeration_fn)(const int* gate);

struct RecordedCall {
    unsigned long thread = 0;
    std::string operation;
    std::vector<std::string> arguments;

    // The first argument, or an empty text.
    std::string argument() const { return arguments.empty() ? std::string() : arguments.front(); }
};

// The record as text, through the address of the module's zvk_call_record export.
inline std::string read_call_record(void* call_record_export) {
    call_record_fn read = reinterpret_cast<call_record_fn>(call_record_export);
    std::string text(read(nullptr, 0), '\0');
    // The record may have grown between the two calls; the second call cuts it to the first length.
    unsigned int length = read(&text[0], static_cast<unsigned int>(text.size() + 1));
    if (length < text.size())
        text.resize(length);
    return text;
}

inline void clear_call_record(void* clear_call_record_export) {
    reinterpret_cast<clear_call_record_fn>(clear_call_record_export)();
}

// One RecordedCall a line.
inline std::vector<RecordedCall> parse_call_record(const std::string& text) {
    std::vector<RecordedCall> calls;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        RecordedCall call;
        if (!(words >> call.thread >> call.operation))
            continue;
        std::string word;
        while (words >> word)
            call.arguments.push_back(word);
        calls.push_back(call);
    }
    return calls;
}

// Holds a test module's enumerate_devices inside the call, after its record, until the test opens
// the gate: a test that needs the worker busy in a module call decides itself when the call returns,
// whatever the machine's load. The flag is the host's memory and the module only reads it, so
// opening runs no module code: any thread may open the gate, also while the module is being unmapped.
// The gate must outlive the module's use of it.
class EnumerationGate {
public:
    EnumerationGate() = default;
    EnumerationGate(const EnumerationGate&) = delete;
    EnumerationGate& operator=(const EnumerationGate&) = delete;

    // Installs the gate in a module, through the address of its zvk_hold_enumeration export.
    void install(void* hold_enumeration_export) {
        reinterpret_cast<hold_enumeration_fn>(hold_enumeration_export)(&flag);
    }
    void close() { __atomic_store_n(&flag, 1, __ATOMIC_RELEASE); }
    void open() { __atomic_store_n(&flag, 0, __ATOMIC_RELEASE); }

private:
    int flag = 0;
};

// The calling thread's id as the modules record it.
inline unsigned long current_thread_id() {
    typedef ZVK_MODULE_CALL DWORD (*thread_id_fn)(void);
    static thread_id_fn thread_id = reinterpret_cast<thread_id_fn>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("KERNEL32.dll"), "GetCurrentThreadId")));
    return thread_id ? thread_id() : 0;
}

} // namespace zvk_test_modules
