#pragma once
// The machine's identification strings from the firmware's SMBIOS table.
#include <cstdint>

namespace zedra_hal {

enum SmbiosStatus {
    SMBIOS_NOT_FOUND = 1,
    SMBIOS_NOT_SUPPORTED = 4,
    SMBIOS_BAD_DATA = 6,
};

// Holds a copy of the raw SMBIOS table and three strings taken from it. The table walks read only
// inside the copy: a structure that is damaged or would lead outside the table ends the search.
// The base class reads nothing; a platform's subclass fills the members (WinBios).
class Bios {
public:
    // Shown for every string the firmware does not give.
    static const char* const unable_to_obtain; // "Unable to Obtain."
    static constexpr std::uint64_t unable_to_obtain_size = 17;

    Bios();
    ~Bios(); // not virtual: nothing deletes a Bios through a base pointer
    Bios(const Bios&) = delete;
    Bios& operator=(const Bios&) = delete;

    // 0 and the text (owned by this object) with its length, or 1 and the out arguments unchanged.
    // The base class has no strings: 4.
    virtual int get_manufacturer(const char** text, std::uint64_t* size);
    virtual int get_serial_number(const char** text, std::uint64_t* size);
    virtual int get_bios_vendor(const char** text, std::uint64_t* size);
    // 0 and the byte offset of the first structure of that type, or 1 and offset 0.
    virtual int find_structure(int type, std::uint64_t* offset);
    // String `number` (1-based) of the structure at `offset`, pointing into the table, or null.
    virtual const char* get_structure_string(std::uint64_t offset, std::uint64_t number);
    // Reads the table and the strings: 0 or a status code. The base class: 4.
    virtual int read_smbios();

    const char* table_bytes() const { return table; }
    std::uint64_t table_length() const { return table_size; }

protected:
    // The byte at base + add, when it lies inside the table.
    bool byte_at(std::uint64_t base, std::uint64_t add, std::uint8_t& out) const;
    // A field of the formatted area of the structure at `offset`; 0 when the area is shorter.
    std::uint8_t field_byte(std::uint64_t offset, std::uint8_t field) const;
    // Hands out a string member the way the getters do.
    static int give(const char* member, std::uint64_t member_size, const char** text, std::uint64_t* size);
    // Keeps a heap copy of a non-empty string; false for a missing or empty one.
    static bool keep_copy(const char* source, const char*& member, std::uint64_t& member_size);
    // Drops the table and the strings, back to the state after construction.
    void clear();

    char* table;
    std::uint64_t table_size;
    std::uint32_t major_version;
    std::uint32_t minor_version;
    const char* serial_number;
    std::uint64_t serial_number_size;
    const char* manufacturer;
    std::uint64_t manufacturer_size;
    const char* bios_vendor;
    std::uint64_t bios_vendor_size;
};

} // namespace zedra_hal
