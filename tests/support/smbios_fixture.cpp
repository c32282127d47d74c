#include "smbios_fixture.h"

#include "test_support.h"

#include <cstdlib>

namespace zvk_test {
namespace {

void put_le(std::string& s, std::size_t at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        s[at + std::size_t(i)] = char((value >> (8 * i)) & 0xFF);
}

} // namespace

std::string smbios_structure(std::uint8_t type, const std::string& fields,
                             const std::vector<std::string>& strings, std::uint16_t handle) {
    std::string s(4, '\0');
    s[0] = char(type);
    s[1] = char(4 + fields.size());
    put_le(s, 2, handle, 2);
    s += fields;
    for (const auto& text : strings) {
        s += text;
        s += '\0';
    }
    if (strings.empty())
        s += '\0';
    s += '\0';
    return s;
}

std::string smbios_bios_information(std::uint8_t vendor, const std::vector<std::string>& strings) {
    // Vendor, BIOS version, start segment (2), release date, ROM size, characteristics (8).
    std::string fields(14, '\0');
    fields[0] = char(vendor);
    fields[1] = strings.size() > 1 ? 2 : 0;
    return smbios_structure(0, fields, strings);
}

std::string smbios_system_information(std::uint8_t manufacturer, std::uint8_t serial,
                                      const std::vector<std::string>& strings) {
    // Manufacturer, product, version, serial number, UUID (16), wake-up type.
    std::string fields(4 + 16 + 1, '\0');
    fields[0] = char(manufacturer);
    fields[3] = char(serial);
    fields[20] = 6; // power switch
    return smbios_structure(1, fields, strings, 1);
}

std::string smbios_end_of_table() {
    return smbios_structure(127, "", {}, 0xFFFF);
}

std::string smbios_entry_point_3(std::uint8_t major, std::uint8_t minor, std::uint32_t table_length) {
    std::string ep(0x18, '\0');
    ep.replace(0, 5, "_SM3_");
    ep[0x06] = 0x18;
    ep[0x07] = char(major);
    ep[0x08] = char(minor);
    ep[0x0A] = 1;
    put_le(ep, 0x0C, table_length, 4);
    put_le(ep, 0x10, 0x000F0000, 8);
    return ep;
}

std::string smbios_entry_point_2(std::uint8_t major, std::uint8_t minor, std::uint16_t table_length) {
    std::string ep(0x1F, '\0');
    ep.replace(0, 4, "_SM_");
    ep[0x05] = 0x1F;
    ep[0x06] = char(major);
    ep[0x07] = char(minor);
    ep.replace(0x10, 5, "_DMI_");
    put_le(ep, 0x16, table_length, 2);
    put_le(ep, 0x18, 0x000F0000, 4);
    ep[0x1E] = char(((major & 0xF) << 4) | (minor & 0xF));
    return ep;
}

std::string smbios_entry_point_legacy(std::uint8_t bcd_revision, std::uint16_t table_length) {
    std::string ep(0x0F, '\0');
    ep.replace(0, 5, "_DMI_");
    put_le(ep, 0x06, table_length, 2);
    put_le(ep, 0x08, 0x000F0000, 4);
    ep[0x0E] = char(bcd_revision);
    return ep;
}

QString use_smbios_tables(const QString& name, const std::string& entry_point, const std::string& table) {
    const QString dir = fresh_dir(name);
    write_file(dir + "/smbios_entry_point", entry_point);
    write_file(dir + "/DMI", table);
    setenv("ZVK_SMBIOS_DIR", dir.toLocal8Bit().constData(), 1);
    return dir;
}

QString use_smbios_table(const QString& name, const std::string& table, std::uint8_t major,
                         std::uint8_t minor) {
    return use_smbios_tables(name, smbios_entry_point_3(major, minor, std::uint32_t(table.size())), table);
}

} // namespace zvk_test
