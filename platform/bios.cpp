#include "bios.h"

#include <cstring>

namespace zedra_hal {

const char* const Bios::unable_to_obtain = "Unable to Obtain.";

namespace {

// Frees a string member unless it is the shared placeholder.
void drop(const char*& member, std::uint64_t& size) {
    if (member && member != Bios::unable_to_obtain)
        delete[] member;
    member = nullptr;
    size = 0;
}

} // namespace

Bios::Bios()
    : table(nullptr), table_size(0), major_version(0), minor_version(0), serial_number(nullptr),
      serial_number_size(0), manufacturer(nullptr), manufacturer_size(0), bios_vendor(nullptr),
      bios_vendor_size(0) {}

Bios::~Bios() {
    clear();
}

void Bios::clear() {
    delete[] table;
    table = nullptr;
    table_size = 0;
    major_version = 0;
    minor_version = 0;
    drop(serial_number, serial_number_size);
    drop(manufacturer, manufacturer_size);
    drop(bios_vendor, bios_vendor_size);
}

int Bios::get_manufacturer(const char**, std::uint64_t*) {
    return SMBIOS_NOT_SUPPORTED;
}
int Bios::get_serial_number(const char**, std::uint64_t*) {
    return SMBIOS_NOT_SUPPORTED;
}
int Bios::get_bios_vendor(const char**, std::uint64_t*) {
    return SMBIOS_NOT_SUPPORTED;
}
int Bios::read_smbios() {
    return SMBIOS_NOT_SUPPORTED;
}

int Bios::give(const char* member, std::uint64_t member_size, const char** text, std::uint64_t* size) {
    if (!member || member_size == 0)
        return SMBIOS_NOT_FOUND;
    if (text)
        *text = member;
    if (size)
        *size = member_size;
    return 0;
}

bool Bios::keep_copy(const char* source, const char*& member, std::uint64_t& member_size) {
    if (!source || !*source)
        return false;
    const std::size_t length = std::strlen(source);
    char* copy = new char[length + 1];
    std::memcpy(copy, source, length + 1);
    drop(member, member_size);
    member = copy;
    member_size = length;
    return true;
}

bool Bios::byte_at(std::uint64_t base, std::uint64_t add, std::uint8_t& out) const {
    if (!table || base >= table_size || add >= table_size - base)
        return false;
    std::memcpy(&out, table + base + add, 1);
    return true;
}

std::uint8_t Bios::field_byte(std::uint64_t offset, std::uint8_t field) const {
    std::uint8_t length = 0, value = 0;
    if (!byte_at(offset, 1, length) || field >= length || !byte_at(offset, field, value))
        return 0;
    return value;
}

int Bios::find_structure(int type, std::uint64_t* offset) {
    const std::uint64_t n = table_size;
    std::uint64_t p = 0;
    bool found = false;
    std::uint8_t here = 0;
    while (byte_at(p, 0, here)) {
        if (here == type) {
            found = true;
            break;
        }
        std::uint8_t length = 0;
        // A structure is at least its 4-byte header; a shorter length or one past the table's
        // end means the table is damaged from here on.
        if (!byte_at(p, 1, length) || length < 4 || length >= n - p)
            break;
        p += length;
        // To the first of the two NULs that end the string set.
        std::uint8_t a = 0, b = 0;
        while (byte_at(p, 0, a) && byte_at(p, 1, b) && (a != 0 || b != 0))
            ++p;
        if (!byte_at(p, 1, b))
            break; // no double NUL before the end
        p += 2;
    }
    if (offset)
        *offset = found ? p : 0;
    return found ? 0 : SMBIOS_NOT_FOUND;
}

const char* Bios::get_structure_string(std::uint64_t offset, std::uint64_t number) {
    std::uint8_t length = 0, c = 0;
    if (number == 0 || !byte_at(offset, 1, length) || length < 4)
        return nullptr;
    std::uint64_t s = offset + length; // the first string; offset < table_size - 1
    for (std::uint64_t passed = 1; passed < number; ++passed) {
        if (!byte_at(s, 0, c) || c == 0)
            return nullptr; // the set ended before string `number`
        while (byte_at(s, 0, c) && c != 0)
            ++s;
        if (!byte_at(s, 0, c))
            return nullptr; // the string runs to the table's end
        ++s;
    }
    if (!byte_at(s, 0, c) || (c == 0 && number > 1))
        return nullptr;
    // Hand out only a string whose NUL lies inside the table.
    std::uint64_t end = s;
    while (byte_at(end, 0, c) && c != 0)
        ++end;
    if (!byte_at(end, 0, c))
        return nullptr;
    return table + s;
}

} // namespace zedra_hal
