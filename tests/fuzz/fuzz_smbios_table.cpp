// The SMBIOS table walk as the program reaches it: WinBios::read_smbios asks WMI, whose stand-in
// reads the firmware's entry point and table from ZVK_SMBIOS_DIR. An input is both files: its
// first byte gives the entry point's length (up to 32), the entry point follows, the table is the
// rest.
#include "fuzz_files.h"
#include "win_bios.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
std::filesystem::path folder;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = zvk_fuzz::scratch_folder("zvk_fuzz_smbios");
    setenv("ZVK_SMBIOS_DIR", folder.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t entry_point = data[0] % 33 < size - 1 ? data[0] % 33 : size - 1;
    zvk_fuzz::write_file(folder / "smbios_entry_point", data + 1, entry_point);
    zvk_fuzz::write_file(folder / "DMI", data + 1 + entry_point, size - 1 - entry_point);
    zedra_hal::WinBios bios;
    bios.read_smbios();
    const char* text = nullptr;
    std::uint64_t length = 0;
    bios.get_manufacturer(&text, &length);
    bios.get_serial_number(&text, &length);
    bios.get_bios_vendor(&text, &length);
    // Every structure type, and the strings of the first structure of each.
    for (int type = 0; type < 256; ++type) {
        std::uint64_t offset = 0;
        if (bios.find_structure(type, &offset) == 0)
            for (std::uint64_t number = 0; number < 4; ++number)
                bios.get_structure_string(offset, number);
    }
    return 0;
}
