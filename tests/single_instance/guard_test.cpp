// The guard within one process, on both branches: on Windows the real named mutex (under Wine), on
// Linux the stand-in's. A second guard of the same name counts as a running instance until the last
// guard of that name is gone; other names, and the same name in the other namespace, stay apart.
#include "single_instance_guard.h"

#include "process_state.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char* const program_name = "Global\\{2194ABA1-BFFA-4e6b-8C26-D191BB16F9E6}";

class Guard : public ::testing::Test {
protected:
    // The stand-in's kernel namespace of this test's own (Windows has no such variable).
    void SetUp() override { environment.set("ZVK_KERNEL_OBJECTS_DIR", zvk_test::fresh_folder("objects")); }
    zvk_test::Environment environment;
};

TEST_F(Guard, ASecondGuardSeesTheFirstUntilTheLastOneGoes) {
    auto first = std::make_unique<SingleInstanceGuard>(program_name);
    EXPECT_FALSE(first->is_already_running());
    auto second = std::make_unique<SingleInstanceGuard>(program_name);
    EXPECT_TRUE(second->is_already_running());
    first.reset();
    // The second guard's handle keeps the name.
    EXPECT_TRUE(SingleInstanceGuard(program_name).is_already_running());
    second.reset();
    EXPECT_FALSE(SingleInstanceGuard(program_name).is_already_running());
}

TEST_F(Guard, OtherNamesAndTheOtherNamespaceStayApart) {
    const char* const others[] = {"Global\\{2194ABA1-BFFA-4e6b-8C26-D191BB16F9E7}",
                                  "Local\\{2194ABA1-BFFA-4e6b-8C26-D191BB16F9E6}",
                                  "{2194ABA1-BFFA-4e6b-8C26-D191BB16F9E6}"};
    SingleInstanceGuard held(program_name);
    ASSERT_FALSE(held.is_already_running());
    for (const char* other : others)
        EXPECT_FALSE(SingleInstanceGuard(other).is_already_running()) << other;
}

} // namespace
