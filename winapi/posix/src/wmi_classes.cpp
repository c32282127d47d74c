// The classes of "root\WMI": the firmware's raw SMBIOS table, read from the files Linux publishes,
// and the classes of the registry (which only the tests' backend fills).
#include "wmi_model.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>

namespace zvk_winapi {
namespace {

const wchar_t* const smbios_class = L"MSSmBios_RawSMBiosTables";

// Far above any firmware's table; keeps a mistaken folder from filling the memory.
constexpr std::size_t max_table_bytes = std::size_t(64) << 20;
// Entry points are at most 31 bytes; a larger file is no entry point.
constexpr std::size_t max_entry_point_bytes = 64;

std::optional<std::vector<unsigned char>> read_bounded(const std::string& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<unsigned char> data;
    char chunk[4096];
    while (in) {
        in.read(chunk, sizeof chunk);
        const std::size_t got = std::size_t(in.gcount());
        if (data.size() + got > limit)
            return std::nullopt;
        data.insert(data.end(), chunk, chunk + got);
    }
    if (in.bad())
        return std::nullopt;
    return data;
}

std::uint32_t little_endian(const std::vector<unsigned char>& bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = (value << 8) | bytes[at + i];
    return value;
}

bool starts_with(const std::vector<unsigned char>& bytes, const char* anchor) {
    const std::size_t n = std::strlen(anchor);
    return bytes.size() >= n && std::memcmp(bytes.data(), anchor, n) == 0;
}

struct EntryPoint {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned dmi_revision = 0;
    std::uint32_t table_length = 0;
};

// The three kinds of entry point the firmware may offer (DMTF SMBIOS reference, section 5.2).
std::optional<EntryPoint> parse_entry_point(const std::vector<unsigned char>& ep) {
    EntryPoint result;
    if (starts_with(ep, "_SM3_")) { // 3.x: version at 07h/08h, table maximum size at 0Ch
        if (ep.size() < 0x10)
            return std::nullopt;
        result.major = ep[0x07];
        result.minor = ep[0x08];
        result.table_length = little_endian(ep, 0x0C, 4);
    } else if (starts_with(ep, "_SM_")) { // 2.x: version at 06h/07h, table length at 16h
        if (ep.size() < 0x18)
            return std::nullopt;
        result.major = ep[0x06];
        result.minor = ep[0x07];
        result.table_length = little_endian(ep, 0x16, 2);
        result.dmi_revision = ep.size() > 0x1E ? ep[0x1E] : 0;
    } else if (starts_with(ep, "_DMI_")) { // legacy: table length at 06h, BCD revision at 0Eh
        if (ep.size() < 0x0F)
            return std::nullopt;
        result.table_length = little_endian(ep, 0x06, 2);
        result.dmi_revision = ep[0x0E];
        result.major = ep[0x0E] >> 4;
        result.minor = ep[0x0E] & 0x0F;
    } else {
        return std::nullopt;
    }
    return result;
}

WmiProperty number_property(const wchar_t* name, VARTYPE type, long long value) {
    WmiProperty p;
    p.name = name;
    p.type = type;
    p.number = value;
    return p;
}

// One instance when the machine's tables can be read, none otherwise (as on a machine without
// SMBIOS). "Size" is what the entry point declares, "SMBiosData" what the table file holds: the
// same on a sound machine.
std::vector<WmiInstance> read_firmware_tables() {
    const char* dir = std::getenv("ZVK_SMBIOS_DIR");
    const std::string folder = (dir && *dir) ? dir : "/sys/firmware/dmi/tables";
    auto ep_bytes = read_bounded(folder + "/smbios_entry_point", max_entry_point_bytes);
    if (!ep_bytes)
        return {};
    auto ep = parse_entry_point(*ep_bytes);
    if (!ep)
        return {};
    auto table = read_bounded(folder + "/DMI", max_table_bytes);
    if (!table)
        return {};
    WmiInstance instance;
    instance.push_back(number_property(L"Active", VT_BOOL, 1));
    instance.push_back(number_property(L"DmiRevision", VT_I4, ep->dmi_revision));
    // A uint32 property travels as VT_I4, as WMI delivers it.
    instance.push_back(number_property(L"Size", VT_I4, static_cast<LONG>(ep->table_length)));
    WmiProperty data;
    data.name = L"SMBiosData";
    data.type = VT_ARRAY | VT_UI1;
    data.bytes = std::move(*table);
    instance.push_back(std::move(data));
    instance.push_back(number_property(L"SmbiosMajorVersion", VT_UI1, ep->major));
    instance.push_back(number_property(L"SmbiosMinorVersion", VT_UI1, ep->minor));
    return {instance};
}

std::vector<std::wstring> property_names(const std::vector<WmiInstance>& instances) {
    std::vector<std::wstring> names;
    for (const auto& instance : instances)
        for (const auto& p : instance) {
            bool known = false;
            for (const auto& n : names)
                known = known || same_name(n, p.name);
            if (!known)
                names.push_back(p.name);
        }
    return names;
}

} // namespace

WmiClassRegistry& wmi_class_registry() {
    static WmiClassRegistry registry;
    return registry;
}

bool same_name(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    auto fold = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + (L'a' - L'A')) : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}

const WmiProperty* find_property(const WmiInstance& instance, const std::wstring& name) {
    for (const auto& p : instance)
        if (same_name(p.name, name))
            return &p;
    return nullptr;
}

bool snapshot_wmi_class(const std::wstring& name, WmiClassSnapshot& out) {
    if (same_name(name, smbios_class)) {
        out.name = smbios_class;
        out.properties = {L"Active",     L"DmiRevision",        L"Size",
                          L"SMBiosData", L"SmbiosMajorVersion", L"SmbiosMinorVersion"};
        out.instances = read_firmware_tables();
        return true;
    }
    WmiClassRegistry& registry = wmi_class_registry();
    std::lock_guard<std::mutex> g(registry.lock);
    for (const auto& c : registry.classes)
        if (same_name(c.name, name)) {
            out.name = c.name;
            out.properties = property_names(c.instances);
            out.instances = c.instances;
            return true;
        }
    return false;
}

} // namespace zvk_winapi
