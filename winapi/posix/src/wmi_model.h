#pragma once
// The stand-in's WMI data: the classes of namespace "root\WMI" and their instances.
#include "zvk_posix_wmi.h"

#include <mutex>
#include <string>
#include <vector>

namespace zvk_winapi {

// Classes beyond the firmware's. Empty in the program; the tests' backend (zvk_winapi_testing)
// registers classes here to shape the answers of queries.
struct WmiClassRegistry {
    struct Class {
        std::wstring name;
        std::vector<WmiInstance> instances;
    };
    std::mutex lock;
    std::vector<Class> classes;
};
WmiClassRegistry& wmi_class_registry();

// A class as one query sees it: its name as the class spells it, its property names, and its
// instances at the time of the query.
struct WmiClassSnapshot {
    std::wstring name;
    std::vector<std::wstring> properties;
    std::vector<WmiInstance> instances;
};

// Looks a class up without regard to case; false when there is none of that name.
bool snapshot_wmi_class(const std::wstring& name, WmiClassSnapshot& out);

// WMI compares names of namespaces, classes and properties without regard to (ASCII) case.
bool same_name(const std::wstring& a, const std::wstring& b);
const WmiProperty* find_property(const WmiInstance& instance, const std::wstring& name);

} // namespace zvk_winapi
