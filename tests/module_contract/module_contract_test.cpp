// The positions of the interface object's operations are what host and module agree on; a change of
// order in the header must fail here.
#include "module_contract.h"
#include "table_position.h"

#include <gtest/gtest.h>

// A status crosses as a 32-bit value and the screen bits and properties must not overlap.
static_assert(sizeof(TestStatus) == 4);
static_assert(int(TestStatus::Passed) == 0 && int(TestStatus::Aborted) == 3);
static_assert((ScreenBit::Main | ScreenBit::Devices | ScreenBit::Tests | ScreenBit::Progress |
               ScreenBit::Log | ScreenBit::End) == 126);
static_assert((ScreenProperty::Default | ScreenProperty::ReadOnlyDevices | ScreenProperty::ModuleAsDevice) ==
              7);

namespace {

// Every operation answers with its own position and remembers the last one called.
class PositionModule : public ModuleInterface {
public:
    int last = -1;
    DeviceMap devices{{"d", "Disk"}};
    TestMap tests{{1, "T"}};
    TestStatus status = TestStatus::Failed;
    std::string result = "R-16";
    std::string device_seen;

    ZVK_MODULE_CALL int begin_tests() override { return last = 2; }
    ZVK_MODULE_CALL int end_tests() override { return last = 3; }
    ZVK_MODULE_CALL int begin_run(std::int64_t) override { return last = 4; }
    ZVK_MODULE_CALL int end_run() override { return last = 5; }
    ZVK_MODULE_CALL int reserved_6() override { return last = 6; }
    ZVK_MODULE_CALL int select_device(std::string id, int) override {
        device_seen = id;
        return last = 7;
    }
    ZVK_MODULE_CALL int enumerate_devices() override { return last = 8; }
    ZVK_MODULE_CALL int run_test(int) override { return last = 9; }
    ZVK_MODULE_CALL int get_test_progress() override { return last = 10; }
    ZVK_MODULE_CALL int reserved_11() override { return last = 11; }
    ZVK_MODULE_CALL int reserved_12() override { return last = 12; }
    ZVK_MODULE_CALL DeviceMap* get_devices() override { return last = 13, &devices; }
    ZVK_MODULE_CALL TestMap* get_tests() override { return last = 14, &tests; }
    ZVK_MODULE_CALL TestStatus* get_test_status() override { return last = 15, &status; }
    ZVK_MODULE_CALL const std::string& get_result_code() override { return last = 16, result; }
    ZVK_MODULE_CALL int reserved_17() override { return last = 17; }
    ZVK_MODULE_CALL int set_abort(bool) override { return last = 18; }
};

using zvk_test::table_position;

TEST(ModuleContract, OperationsSitAtTheirPositions) {
    EXPECT_EQ(table_position(&ModuleInterface::begin_tests), 2);
    EXPECT_EQ(table_position(&ModuleInterface::end_tests), 3);
    EXPECT_EQ(table_position(&ModuleInterface::begin_run), 4);
    EXPECT_EQ(table_position(&ModuleInterface::end_run), 5);
    EXPECT_EQ(table_position(&ModuleInterface::reserved_6), 6);
    EXPECT_EQ(table_position(&ModuleInterface::select_device), 7);
    EXPECT_EQ(table_position(&ModuleInterface::enumerate_devices), 8);
    EXPECT_EQ(table_position(&ModuleInterface::run_test), 9);
    EXPECT_EQ(table_position(&ModuleInterface::get_test_progress), 10);
    EXPECT_EQ(table_position(&ModuleInterface::reserved_11), 11);
    EXPECT_EQ(table_position(&ModuleInterface::reserved_12), 12);
    EXPECT_EQ(table_position(&ModuleInterface::get_devices), 13);
    EXPECT_EQ(table_position(&ModuleInterface::get_tests), 14);
    EXPECT_EQ(table_position(&ModuleInterface::get_test_status), 15);
    EXPECT_EQ(table_position(&ModuleInterface::get_result_code), 16);
    EXPECT_EQ(table_position(&ModuleInterface::reserved_17), 17);
    EXPECT_EQ(table_position(&ModuleInterface::set_abort), 18);
}

// Calls slot `position` of the object's table the way a module's caller does, with the Windows
// convention, for the operations without arguments.
int call_slot(ModuleInterface* object, int position) {
    typedef ZVK_MODULE_CALL int (*Slot)(ModuleInterface*);
    Slot* table = *reinterpret_cast<Slot**>(object);
    return table[position](object);
}

TEST(ModuleContract, SlotsReachTheOperationsOfThatPosition) {
    PositionModule module;
    for (int position : {2, 3, 5, 6, 8, 10, 11, 12, 17}) {
        EXPECT_EQ(call_slot(&module, position), position);
        EXPECT_EQ(module.last, position);
    }
}

TEST(ModuleContract, CallsThroughTheHeaderCarryArgumentsAndResults) {
    PositionModule module;
    ModuleInterface* object = &module;
    EXPECT_EQ(object->begin_run(1796811302), 4);
    // A long id does not fit the short-string buffer: the copy crosses by value with its heap block.
    const std::string id = "\\\\.\\PhysicalDrive0 with a name longer than fifteen characters";
    EXPECT_EQ(object->select_device(id, 5), 7);
    EXPECT_EQ(module.device_seen, id);
    EXPECT_EQ(object->run_test(4), 9);
    EXPECT_EQ(object->set_abort(true), 18);
    EXPECT_EQ(object->get_devices()->at("d"), "Disk");
    EXPECT_EQ(object->get_tests()->at(1), "T");
    EXPECT_EQ(*object->get_test_status(), TestStatus::Failed);
    EXPECT_EQ(object->get_result_code(), "R-16");
}

} // namespace
