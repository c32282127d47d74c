#pragma once
// SMBIOS through WMI: the raw table of "MSSmBios_RawSMBiosTables", read once per process.
#include "bios.h"

#include <vector>

namespace zedra_hal {

class WinBios : public Bios {
public:
    // The process-wide object, made and filled on the first call (the read's status is not kept:
    // strings it could not obtain read "Unable to Obtain."). Not synchronised: call it from one
    // thread. Null only when the object could not be allocated.
    static WinBios* get_instance();

    WinBios() = default;

    int get_manufacturer(const char** text, std::uint64_t* size) override;
    int get_serial_number(const char** text, std::uint64_t* size) override;
    int get_bios_vendor(const char** text, std::uint64_t* size) override;
    // 0; SMBIOS_BAD_DATA for an unusable answer, a version below 2.0 or no type 1 structure; or the
    // WMI status of a failed query. Every string it did not obtain becomes "Unable to Obtain.".
    int read_smbios() override;

private:
    // Takes the table and the strings from the query's rows (WmiRows).
    int take_table(const std::vector<std::vector<char*>*>* rows);
};

} // namespace zedra_hal
