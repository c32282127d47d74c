// The WMI stand-in's WQL parser, then the checks a parsed query meets: against its class, and each
// of the class's instances against its condition. The query text is the input, one wide character
// a byte. The SMBIOS class has one instance, from a small table of the fuzzer's own.
#include "fuzz_files.h"
#include "wql.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::filesystem::path folder = zvk_fuzz::scratch_folder("zvk_fuzz_wql");
    // A 3.2 entry point and a table of one system-information structure (manufacturer string 1,
    // serial number string 2) and the end of the table.
    static const char table[] = "\x01\x08\x00\x00\x01\x00\x00\x02"
                                "Vendor\0Serial\0\0"
                                "\x7f\x04\x01\x00\0";
    std::string entry("_SM3_\0\x18\x03\x02\0\x01\0", 12);
    entry += char(sizeof table);
    entry.resize(0x18, '\0');
    zvk_fuzz::write_file(folder / "smbios_entry_point", entry.data(), entry.size());
    // With the literal's own NUL, the second of the two that end the last structure.
    zvk_fuzz::write_file(folder / "DMI", table, sizeof table);
    setenv("ZVK_SMBIOS_DIR", folder.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text(data, data + size);
    zvk_winapi::WqlQuery query;
    if (!zvk_winapi::parse_wql(text, query))
        return 0;
    zvk_winapi::WmiClassSnapshot cls;
    if (!zvk_winapi::snapshot_wmi_class(query.class_name, cls))
        return 0;
    if (zvk_winapi::check_wql(query, cls) != WBEM_S_NO_ERROR)
        return 0;
    for (const zvk_winapi::WmiInstance& instance : cls.instances)
        zvk_winapi::wql_matches(query, instance);
    return 0;
}
