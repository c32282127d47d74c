#include "win_bios.h"

#include "wmi_query.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <sstream>

namespace zedra_hal {
namespace {

WinBios* instance = nullptr;

// SMBIOS structure types and the fields read here (DMTF SMBIOS reference, sections 7.1 and 7.2).
constexpr int bios_information = 0;
constexpr int system_information = 1;
constexpr std::uint8_t bios_vendor_field = 0x04;
constexpr std::uint8_t manufacturer_field = 0x04;
constexpr std::uint8_t serial_number_field = 0x07;

void use_placeholder(const char*& member, std::uint64_t& size) {
    if (size == 0) {
        member = Bios::unable_to_obtain;
        size = Bios::unable_to_obtain_size;
    }
}

} // namespace

WinBios* WinBios::get_instance() {
    if (!instance) {
        instance = new (std::nothrow) WinBios();
        if (instance)
            instance->read_smbios();
    }
    return instance;
}

int WinBios::get_manufacturer(const char** text, std::uint64_t* size) {
    return give(manufacturer, manufacturer_size, text, size);
}

int WinBios::get_serial_number(const char** text, std::uint64_t* size) {
    return give(serial_number, serial_number_size, text, size);
}

int WinBios::get_bios_vendor(const char** text, std::uint64_t* size) {
    return give(bios_vendor, bios_vendor_size, text, size);
}

int WinBios::read_smbios() {
    clear();
    static const char* const properties[] = {"SmbiosMajorVersion", "SmbiosMinorVersion", "Size",
                                             "SMBiosData"};
    WmiQuery query; // COM stays initialised on this thread until the process ends
    WmiRows* rows = nullptr;
    int status = query.query_smbios(properties, &rows);
    if (status == 0) {
        status = take_table(rows);
        WmiQuery::free_rows(&rows);
    }
    use_placeholder(bios_vendor, bios_vendor_size);
    use_placeholder(manufacturer, manufacturer_size);
    use_placeholder(serial_number, serial_number_size);
    return status;
}

int WinBios::take_table(const std::vector<std::vector<char*>*>* rows) {
    if (!rows || rows->empty() || !rows->front() || rows->front()->size() < 4)
        return SMBIOS_BAD_DATA;
    const WmiRow& row = *rows->front();

    std::stringstream numbers;
    std::uint64_t size = 0;
    numbers.str(row[0]);
    numbers >> major_version;
    numbers.clear();
    numbers.str(row[1]);
    numbers >> minor_version;
    numbers.clear();
    numbers.str(row[2]);
    numbers >> size;
    numbers.clear();
    if (major_version < 2 || size == 0)
        return SMBIOS_BAD_DATA;

    // "Size" and the data come from the same table; should they disagree, copy no byte that the
    // data cell does not hold.
    table_size = std::min<std::uint64_t>(size, WmiQuery::cell_size(row[3]));
    if (table_size == 0)
        return SMBIOS_BAD_DATA;
    table = new char[table_size];
    std::memcpy(table, row[3], std::size_t(table_size));

    std::uint64_t offset = 0;
    if (find_structure(bios_information, &offset) == 0)
        keep_copy(get_structure_string(offset, field_byte(offset, bios_vendor_field)), bios_vendor,
                  bios_vendor_size);
    if (find_structure(system_information, &offset) != 0)
        return SMBIOS_BAD_DATA;
    keep_copy(get_structure_string(offset, field_byte(offset, manufacturer_field)), manufacturer,
              manufacturer_size);
    keep_copy(get_structure_string(offset, field_byte(offset, serial_number_field)), serial_number,
              serial_number_size);
    return 0;
}

} // namespace zedra_hal
