#pragma once
// Made-up SMBIOS tables for tests, laid out as the firmware publishes them on Linux: a folder with
// smbios_entry_point and DMI, which the stand-in's WMI reads when ZVK_SMBIOS_DIR names it.
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace zvk_test {

// One structure: header (type, length = 4 + fields, handle), the formatted fields after the
// header, then the string set (each string and its NUL, then one more NUL; two NULs without
// strings).
std::string smbios_structure(std::uint8_t type, const std::string& fields,
                             const std::vector<std::string>& strings, std::uint16_t handle = 0);
// Type 0 with the Vendor field (04h) naming string `vendor`.
std::string smbios_bios_information(std::uint8_t vendor, const std::vector<std::string>& strings);
// Type 1 with Manufacturer (04h) and Serial Number (07h) naming strings, in the 2.1 layout.
std::string smbios_system_information(std::uint8_t manufacturer, std::uint8_t serial,
                                      const std::vector<std::string>& strings);
// Type 127, end of table.
std::string smbios_end_of_table();

// Entry points: "_SM3_" (3.x), "_SM_" (2.x), "_DMI_" (legacy, BCD revision).
std::string smbios_entry_point_3(std::uint8_t major, std::uint8_t minor, std::uint32_t table_length);
std::string smbios_entry_point_2(std::uint8_t major, std::uint8_t minor, std::uint16_t table_length);
std::string smbios_entry_point_legacy(std::uint8_t bcd_revision, std::uint16_t table_length);

// Writes the two files into a fresh folder `name` and points ZVK_SMBIOS_DIR at it; returns the folder.
QString use_smbios_tables(const QString& name, const std::string& entry_point, const std::string& table);
// A table with a 3.x entry point of the given version whose declared length is the table's.
QString use_smbios_table(const QString& name, const std::string& table, std::uint8_t major = 3,
                         std::uint8_t minor = 2);

} // namespace zvk_test
