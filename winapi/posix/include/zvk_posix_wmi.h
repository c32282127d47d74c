#pragma once
// POSIX stand-in only: what tests use to shape the stand-in's WMI. The functions are the test backend's
// (library zvk_winapi_testing, which only tests link); the program has none of them.
//
// The class "MSSmBios_RawSMBiosTables" of namespace "root\WMI" is read from the firmware tables that
// Linux publishes: the folder named by ZVK_SMBIOS_DIR, else /sys/firmware/dmi/tables, with the files
// smbios_entry_point (a "_SM3_", "_SM_" or "_DMI_" entry point: the version and the declared table
// length, which becomes "Size") and DMI (the raw table, which becomes "SMBiosData"). Missing or
// unreadable files, or an entry point of no known kind, give no instance.
#include "win_com.h"

#include <string>
#include <utility>
#include <vector>

namespace zvk_winapi {

// One property of a WMI instance: its name, its VARIANT type and the value for that type (`number`
// for the integer and boolean types, `text` for VT_BSTR, `bytes` for VT_ARRAY | VT_UI1).
struct WmiProperty {
    WmiProperty() = default;
    WmiProperty(std::wstring property, VARTYPE vt, long long value = 0)
        : name(std::move(property)), type(vt), number(value) {}
    WmiProperty(std::wstring property, std::wstring value)
        : name(std::move(property)), type(VT_BSTR), text(std::move(value)) {}
    WmiProperty(std::wstring property, std::vector<unsigned char> value)
        : name(std::move(property)), type(VT_ARRAY | VT_UI1), bytes(std::move(value)) {}

    std::wstring name;
    VARTYPE type = VT_EMPTY;
    long long number = 0;
    std::wstring text;
    std::vector<unsigned char> bytes;
};
typedef std::vector<WmiProperty> WmiInstance;

// Adds (or replaces) a class of "root\WMI" whose instances are these, in this order; its properties
// are the names that the instances use.
void register_wmi_class(const std::wstring& class_name, const std::vector<WmiInstance>& instances);
void unregister_wmi_class(const std::wstring& class_name);

// Steps that fail on purpose, for the callers' error paths. Each failing call returns `result`.
struct ComFaults {
    HRESULT result = E_FAIL;
    bool co_initialize = false;    // CoInitializeEx
    bool create_instance = false;  // CoCreateInstance
    bool connect_server = false;   // IWbemLocator::ConnectServer
    bool proxy_blanket = false;    // CoSetProxyBlanket
    bool exec_query = false;       // IWbemServices::ExecQuery
    bool null_object = false;      // IEnumWbemClassObject::Next hands out one null object first
    std::wstring failing_property; // IWbemClassObject::Get of this name fails
};
void set_com_faults(const ComFaults& faults);
inline void clear_com_faults() {
    set_com_faults(ComFaults());
}

// Forgets that CoInitializeSecurity was called in this process, so that a test can start afresh.
void reset_com_security();

} // namespace zvk_winapi
