// A diagnostic without a serial number takes the firmware's.
#include "diagnostic_probe.h"
#include "smbios_fixture.h"

#include <gtest/gtest.h>

TEST(DiagnosticSerial, ComesFromTheFirmwareWhenNotSet) {
    zvk_test::use_smbios_table("firmware", zvk_test::smbios_system_information(1, 2, {"Varnek", "PF0ABC12"}) +
                                               zvk_test::smbios_end_of_table());
    zvk_test::ProbeDiagnostic d("", 0x1234, 5);
    EXPECT_EQ(d.serial_length, 0u);
    ASSERT_EQ(d.build_result_code(0), 0);
    EXPECT_EQ(d.code(), "WME4HK005-UG7DGI");
    EXPECT_EQ(d.serial_number, "PF0ABC12");
    EXPECT_EQ(d.serial_length, 8u);

    // A serial that was set wins over the firmware's.
    zvk_test::ProbeDiagnostic own("Z00000", 0, 0);
    ASSERT_EQ(own.build_result_code(0), 0);
    EXPECT_EQ(own.code(), "WME000000-EG7D5I");
}
