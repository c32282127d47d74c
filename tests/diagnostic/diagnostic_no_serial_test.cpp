// A machine whose firmware gives no serial number: its characters count as "0", and the firmware
// is asked again at the next build.
#include "diagnostic_probe.h"

#include <gtest/gtest.h>

TEST(DiagnosticSerial, NoneFromTheFirmware) {
    zvk_test::ProbeDiagnostic d("", 0x1234, 5);
    ASSERT_EQ(d.build_result_code(0), 0);
    EXPECT_EQ(d.code(), "WME4HK005-5G7D5I");
    EXPECT_EQ(d.serial_length, 0u);
    EXPECT_EQ(d.serial_number, "");
    ASSERT_EQ(d.build_result_code(1), 0);
    EXPECT_EQ(d.code(), "WHD4HK000-5G7D5I");
}
