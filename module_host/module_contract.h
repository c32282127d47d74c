#pragma once
// What the host and a diagnostic module agree on: the shared value types, the six exported functions
// and the module's interface object. Modules are compiled from this same header by the Windows
// compiler, so it holds nothing host-only and no Qt.
#include <cstdint>
#include <map>
#include <string>

// Calling convention of every call between host and module: the module is a 64-bit Windows image, so
// on other hosts the calls use the Windows x64 convention explicitly.
#if defined(_WIN32)
#define ZVK_MODULE_CALL
#else
#define ZVK_MODULE_CALL __attribute__((ms_abi))
#endif

// Outcome of one test as the module reports it; any other value means no status.
enum class TestStatus : std::int32_t { Passed = 0, Failed = 1, NotSupported = 2, Aborted = 3 };

// The screens of a module's sequence, as bits of its used-screens mask.
namespace ScreenBit {
constexpr int Main = 2;
constexpr int Devices = 4;
constexpr int Tests = 8;
constexpr int Progress = 16;
constexpr int Log = 32;
constexpr int End = 64;
} // namespace ScreenBit

// Per-screen behaviour a module asks for (get_screen_properties).
namespace ScreenProperty {
constexpr int Default = 1;
constexpr int ReadOnlyDevices = 2; // for ScreenBit::Devices
constexpr int ModuleAsDevice = 4;  // for ScreenBit::Progress
} // namespace ScreenProperty

// device id -> display-name tokens separated by blanks
typedef std::map<std::string, std::string> DeviceMap;
// test code (one bit) -> test-name token
typedef std::map<int, std::string> TestMap;

// The module's interface object. The host calls its operations by their position in the table of
// virtual operations; the destructor fills positions 0 and 1, and the reserved operations keep the
// positions of the others. Everything an operation returns stays owned by the module.
class ModuleInterface {
public:
    // The host never calls the destructor; it keeps the default convention so that implicit
    // destructors of implementations match it.
    virtual ~ModuleInterface() {} // 0, 1
    ZVK_MODULE_CALL virtual int begin_tests() = 0;                                    // 2
    ZVK_MODULE_CALL virtual int end_tests() = 0;                                      // 3
    ZVK_MODULE_CALL virtual int begin_run(std::int64_t start_time) = 0;               // 4
    ZVK_MODULE_CALL virtual int end_run() = 0;                                        // 5
    ZVK_MODULE_CALL virtual int reserved_6() = 0;                                     // 6
    ZVK_MODULE_CALL virtual int select_device(std::string device_id, int test_mask) = 0; // 7
    ZVK_MODULE_CALL virtual int enumerate_devices() = 0;                              // 8
    ZVK_MODULE_CALL virtual int run_test(int test_code) = 0;                          // 9
    ZVK_MODULE_CALL virtual int get_test_progress() = 0;                              // 10
    ZVK_MODULE_CALL virtual int reserved_11() = 0;                                    // 11
    ZVK_MODULE_CALL virtual int reserved_12() = 0;                                    // 12
    ZVK_MODULE_CALL virtual DeviceMap* get_devices() = 0;                             // 13
    ZVK_MODULE_CALL virtual TestMap* get_tests() = 0;                                 // 14
    ZVK_MODULE_CALL virtual TestStatus* get_test_status() = 0;                        // 15
    ZVK_MODULE_CALL virtual const std::string& get_result_code() = 0;                 // 16
    ZVK_MODULE_CALL virtual int reserved_17() = 0;                                    // 17
    ZVK_MODULE_CALL virtual int set_abort(bool abort) = 0;                            // 18
};

// The module's exports, found by name in its image.
extern "C" {
typedef ZVK_MODULE_CALL const char* (*get_module_name_fn)(void);
typedef ZVK_MODULE_CALL const unsigned char* (*get_module_image_fn)(unsigned int* length);
typedef ZVK_MODULE_CALL int (*get_used_screens_fn)(void);
typedef ZVK_MODULE_CALL int (*get_screen_properties_fn)(int screen_bit);
typedef ZVK_MODULE_CALL ModuleInterface* (*get_module_interface_fn)(void);
typedef ZVK_MODULE_CALL void (*delete_module_interface_fn)(ModuleInterface* object);
}
