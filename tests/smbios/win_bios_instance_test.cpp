// The process-wide WinBios: made and filled on the first call, never read again.
#include "smbios_fixture.h"
#include "win_bios.h"

#include <gtest/gtest.h>

#include <string>

using namespace zvk_test;

TEST(WinBiosInstance, FilledOnFirstUseAndKeptForTheProcess) {
    use_smbios_table("first", smbios_system_information(1, 2, {"Varnek", "PF0ABC12"}));
    zedra_hal::WinBios* bios = zedra_hal::WinBios::get_instance();
    ASSERT_NE(bios, nullptr);
    const char* text = nullptr;
    std::uint64_t size = 0;
    ASSERT_EQ(bios->get_serial_number(&text, &size), 0);
    EXPECT_EQ(std::string(text, size), "PF0ABC12");

    use_smbios_table("second", smbios_system_information(1, 2, {"Other", "ZZ999"}));
    EXPECT_EQ(zedra_hal::WinBios::get_instance(), bios);
    ASSERT_EQ(bios->get_serial_number(&text, &size), 0);
    EXPECT_EQ(std::string(text, size), "PF0ABC12");
}
