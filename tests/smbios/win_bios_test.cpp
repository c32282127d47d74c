// WinBios over made-up firmware tables: the three strings, the table walk and the string lookup,
// damaged tables, and WMI failures. Each case reads its own table into an object of its own.
#include "smbios_fixture.h"
#include "table_position.h"
#include "win_bios.h"
#include "wmi_query.h"
#include "zvk_posix_wmi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace zvk_test;
using zedra_hal::Bios;
using zedra_hal::WinBios;

namespace {

const std::string unable = "Unable to Obtain.";

struct Strings {
    std::string vendor, manufacturer, serial;
    bool operator==(const Strings& o) const {
        return vendor == o.vendor && manufacturer == o.manufacturer && serial == o.serial;
    }
};

void PrintTo(const Strings& s, std::ostream* out) {
    *out << "{vendor \"" << s.vendor << "\", manufacturer \"" << s.manufacturer << "\", serial \"" << s.serial
         << "\"}";
}

Strings strings_of(WinBios& bios) {
    const char* text = nullptr;
    std::uint64_t size = 0;
    Strings s;
    EXPECT_EQ(bios.get_bios_vendor(&text, &size), 0);
    s.vendor.assign(text, size);
    EXPECT_EQ(bios.get_manufacturer(&text, &size), 0);
    s.manufacturer.assign(text, size);
    EXPECT_EQ(bios.get_serial_number(&text, &size), 0);
    s.serial.assign(text, size);
    return s;
}

class WinBiosTest : public ::testing::Test {
protected:
    void TearDown() override {
        zvk_winapi::clear_com_faults();
        unsetenv("ZVK_SMBIOS_DIR");
    }
};

const std::string vendor_structure = smbios_bios_information(1, {"Varnek BIOS", "1.02"});
const std::string system_structure = smbios_system_information(1, 2, {"Varnek", "PF0ABC12"});

// A table, the status read_smbios gives for it, and the three strings then held.
struct TableCase {
    const char* name;
    std::string table;
    int status;
    Strings expected;
};

TEST_F(WinBiosTest, ReadsTheThreeStrings) {
    const TableCase cases[] = {
        {"sound table",
         vendor_structure + system_structure + smbios_end_of_table(),
         0,
         {"Varnek BIOS", "Varnek", "PF0ABC12"}},
        {"no type 0", system_structure + smbios_end_of_table(), 0, {unable, "Varnek", "PF0ABC12"}},
        {"serial field 0",
         smbios_system_information(1, 0, {"Varnek"}) + smbios_end_of_table(),
         0,
         {unable, "Varnek", unable}},
        {"serial past the last string",
         smbios_system_information(1, 3, {"Varnek", "X"}),
         0,
         {unable, "Varnek", unable}},
        {"empty string set", smbios_system_information(1, 1, {}), 0, {unable, unable, unable}},
        {"no type 1",
         vendor_structure + smbios_end_of_table(),
         zedra_hal::SMBIOS_BAD_DATA,
         {"Varnek BIOS", unable, unable}},
        // A type 1 whose formatted area ends before the serial number field (07h): the byte at 07h
        // is the first string's first character, which must not be taken for a string number.
        {"short type 1",
         smbios_structure(1, std::string("\x01\x00\x00", 3), {"\x02Varnek", "PF0ABC12"}),
         0,
         {unable, "\x02Varnek", unable}},
        // An OEM structure of formatted length 200 (above 127, a signed byte would go wrong).
        {"long formatted area",
         smbios_structure(0x80, std::string(196, '\x01'), {"oem"}) + system_structure + smbios_end_of_table(),
         0,
         {unable, "Varnek", "PF0ABC12"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        use_smbios_table(c.name, c.table);
        WinBios bios;
        EXPECT_EQ(bios.read_smbios(), c.status);
        EXPECT_EQ(strings_of(bios), c.expected);
    }
}

TEST_F(WinBiosTest, UnusableAnswersGiveBadDataAndPlaceholders) {
    const std::string table = vendor_structure + system_structure;
    struct Case {
        const char* name;
        std::string entry_point;
        std::string table;
    } cases[] = {
        {"version 1.x", smbios_entry_point_2(1, 9, std::uint16_t(table.size())), table},
        {"legacy 1.0", smbios_entry_point_legacy(0x10, std::uint16_t(table.size())), table},
        {"size 0", smbios_entry_point_3(3, 0, 0), table},
        {"no data", smbios_entry_point_3(3, 0, 40), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        use_smbios_tables(c.name, c.entry_point, c.table);
        WinBios bios;
        EXPECT_EQ(bios.read_smbios(), zedra_hal::SMBIOS_BAD_DATA);
        const Strings s = strings_of(bios);
        EXPECT_EQ(s.vendor, unable);
        EXPECT_EQ(s.manufacturer, unable);
        EXPECT_EQ(s.serial, unable);
    }
    // No tables at all: the query finds no object.
    setenv("ZVK_SMBIOS_DIR", "/nonexistent/zvk_smbios", 1);
    WinBios bios;
    EXPECT_EQ(bios.read_smbios(), zedra_hal::SMBIOS_BAD_DATA);
    EXPECT_EQ(strings_of(bios).serial, unable);
}

TEST_F(WinBiosTest, WmiFailuresPassThrough) {
    use_smbios_table("wmi_failure", vendor_structure + system_structure);
    zvk_winapi::ComFaults faults;
    faults.connect_server = true;
    zvk_winapi::set_com_faults(faults);
    WinBios bios;
    EXPECT_EQ(bios.read_smbios(), WMI_CONNECT_FAILED);
    const Strings s = strings_of(bios);
    EXPECT_EQ(s.vendor, unable);
    EXPECT_EQ(s.serial, unable);
    std::uint64_t size = 0;
    bios.get_serial_number(nullptr, &size);
    EXPECT_EQ(size, 17u);
}

TEST_F(WinBiosTest, FindStructureWalksToTheFirstOfItsType) {
    const std::string oem = smbios_structure(0x80, std::string(196, '\0'), {}); // long, no strings
    const std::string table = vendor_structure + oem + system_structure +
                              smbios_system_information(1, 1, {"second"}) + smbios_end_of_table();
    use_smbios_table("walk", table);
    WinBios bios;
    ASSERT_EQ(bios.read_smbios(), 0);
    struct Case {
        int type;
        int status;
        std::uint64_t offset;
    } cases[] = {
        {0, 0, 0},
        {0x80, 0, vendor_structure.size()},
        {1, 0, vendor_structure.size() + oem.size()},
        {127, 0, table.size() - smbios_end_of_table().size()},
        {4, zedra_hal::SMBIOS_NOT_FOUND, 0},
        {-1, zedra_hal::SMBIOS_NOT_FOUND, 0},
        {256, zedra_hal::SMBIOS_NOT_FOUND, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        std::uint64_t offset = 99;
        EXPECT_EQ(bios.find_structure(c.type, &offset), c.status);
        EXPECT_EQ(offset, c.offset);
    }
}

TEST_F(WinBiosTest, StructureStringsByNumber) {
    const std::string no_strings = smbios_structure(2, std::string(4, '\0'), {});
    const std::string table = system_structure + no_strings;
    use_smbios_table("strings", table);
    WinBios bios;
    ASSERT_EQ(bios.read_smbios(), 0);
    const std::uint64_t second = system_structure.size();
    struct Case {
        std::uint64_t offset;
        std::uint64_t number;
        const char* expected; // null: no string
    } cases[] = {
        {0, 1, "Varnek"},
        {0, 2, "PF0ABC12"},
        {0, 0, nullptr},
        {0, 3, nullptr}, // one past the last
        {second, 1, ""}, // no strings: the set's first NUL
        {second, 2, nullptr},
        {table.size() - 1, 1, nullptr},
        {table.size(), 1, nullptr},
        {~std::uint64_t(0), 1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.offset) + "/" + std::to_string(c.number));
        const char* s = bios.get_structure_string(c.offset, c.number);
        if (!c.expected) {
            EXPECT_EQ(s, nullptr);
        } else {
            ASSERT_NE(s, nullptr);
            EXPECT_STREQ(s, c.expected);
        }
    }
}

// Damaged tables: every walk stops inside the table (the sanitizer build checks that no byte past
// the copy is read).
TEST_F(WinBiosTest, DamagedTablesEndTheWalk) {
    const std::string broken_length = smbios_structure(0x80, "", {});
    std::string length_2 = broken_length;
    length_2[1] = 2;
    std::string length_0 = broken_length;
    length_0[1] = 0;
    std::string past_end = smbios_structure(0x80, std::string(8, '\0'), {});
    past_end[1] = char(200);
    std::string unterminated = smbios_system_information(1, 2, {"Varnek", "PF0ABC12"});
    unterminated.resize(unterminated.size() - 2); // the serial's NUL and the set's last NUL gone
    std::string no_double_nul = smbios_system_information(1, 0, {"Varnek"});
    no_double_nul.pop_back();
    const TableCase cases[] = {
        {"length byte 2", length_2 + system_structure, zedra_hal::SMBIOS_BAD_DATA, {unable, unable, unable}},
        {"length byte 0", length_0 + system_structure, zedra_hal::SMBIOS_BAD_DATA, {unable, unable, unable}},
        {"length past the end", past_end, zedra_hal::SMBIOS_BAD_DATA, {unable, unable, unable}},
        {"string runs to the end", unterminated, 0, {unable, "Varnek", unable}},
        {"no double NUL", vendor_structure + no_double_nul, 0, {"Varnek BIOS", "Varnek", unable}},
        {"one byte", std::string(1, '\x01'), 0, {unable, unable, unable}},
        {"header only", std::string("\x01\x19\x00\x00", 4), 0, {unable, unable, unable}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        use_smbios_table(c.name, c.table);
        WinBios bios;
        EXPECT_EQ(bios.read_smbios(), c.status);
        EXPECT_EQ(strings_of(bios), c.expected);
        std::uint64_t offset = 0;
        EXPECT_EQ(bios.find_structure(4, &offset), zedra_hal::SMBIOS_NOT_FOUND);
        for (std::uint64_t at = 0; at < c.table.size(); ++at)
            for (std::uint64_t n = 0; n < 4; ++n)
                bios.get_structure_string(at, n); // must stay inside the table
    }
    // No double NUL after the last structure: a search past it ends at the table's end.
    use_smbios_table("tail", system_structure + "\x05\x04\x00\x00"
                                                "abc");
    WinBios bios;
    ASSERT_EQ(bios.read_smbios(), 0);
    std::uint64_t offset = 0;
    EXPECT_EQ(bios.find_structure(5, &offset), 0);
    EXPECT_EQ(bios.get_structure_string(offset, 1), nullptr);
    EXPECT_EQ(bios.find_structure(6, &offset), zedra_hal::SMBIOS_NOT_FOUND);
}

TEST_F(WinBiosTest, TableCopyTakesNoMoreThanTheData) {
    const std::string table = vendor_structure + system_structure;
    struct Case {
        const char* name;
        std::uint32_t declared;
        std::uint64_t kept;
        int status;
        std::string serial;
    } cases[] = {
        {"size larger than the data", std::uint32_t(table.size() + 1000), table.size(), 0, "PF0ABC12"},
        {"size far beyond", 0xFFFFFFF0u, table.size(), 0, "PF0ABC12"}, // arrives as a negative VT_I4
        {"size smaller than the data", std::uint32_t(vendor_structure.size()), vendor_structure.size(),
         zedra_hal::SMBIOS_BAD_DATA, unable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        use_smbios_tables(c.name, smbios_entry_point_3(3, 0, c.declared), table);
        WinBios bios;
        EXPECT_EQ(bios.read_smbios(), c.status);
        EXPECT_EQ(bios.table_length(), c.kept);
        EXPECT_EQ(std::string(bios.table_bytes(), bios.table_length()), table.substr(0, c.kept));
        EXPECT_EQ(strings_of(bios).serial, c.serial);
    }
}

TEST_F(WinBiosTest, ReadingAgainReplacesTheTable) {
    use_smbios_table("first", system_structure);
    WinBios bios;
    ASSERT_EQ(bios.read_smbios(), 0);
    use_smbios_table("second", smbios_system_information(1, 2, {"Other", "XY12345"}));
    ASSERT_EQ(bios.read_smbios(), 0);
    EXPECT_EQ(strings_of(bios).serial, "XY12345");
}

TEST_F(WinBiosTest, BaseClassSupportsNothing) {
    Bios base;
    const char* text = "untouched";
    std::uint64_t size = 5;
    EXPECT_EQ(base.get_manufacturer(&text, &size), zedra_hal::SMBIOS_NOT_SUPPORTED);
    EXPECT_EQ(base.get_serial_number(&text, &size), zedra_hal::SMBIOS_NOT_SUPPORTED);
    EXPECT_EQ(base.get_bios_vendor(&text, &size), zedra_hal::SMBIOS_NOT_SUPPORTED);
    EXPECT_EQ(base.read_smbios(), zedra_hal::SMBIOS_NOT_SUPPORTED);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(size, 5u);
    std::uint64_t offset = 7;
    EXPECT_EQ(base.find_structure(0, &offset), zedra_hal::SMBIOS_NOT_FOUND);
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(base.get_structure_string(0, 1), nullptr);
    // A fresh WinBios has read nothing yet: no strings.
    WinBios unread;
    EXPECT_EQ(unread.get_serial_number(&text, &size), zedra_hal::SMBIOS_NOT_FOUND);
    EXPECT_STREQ(text, "untouched");
}

TEST(BiosTable, OperationsSitAtTheirSlots) {
    using zvk_test::table_position;
    EXPECT_EQ(table_position(&Bios::get_manufacturer), 0);
    EXPECT_EQ(table_position(&Bios::get_serial_number), 1);
    EXPECT_EQ(table_position(&Bios::get_bios_vendor), 2);
    EXPECT_EQ(table_position(&Bios::find_structure), 3);
    EXPECT_EQ(table_position(&Bios::get_structure_string), 4);
    EXPECT_EQ(table_position(&Bios::read_smbios), 5);
}

} // namespace
