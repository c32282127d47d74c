// Classes of "root\WMI" that tests register.
#include "wmi_model.h"

namespace zvk_winapi {

void register_wmi_class(const std::wstring& class_name, const std::vector<WmiInstance>& instances) {
    WmiClassRegistry& registry = wmi_class_registry();
    std::lock_guard<std::mutex> g(registry.lock);
    for (auto& c : registry.classes)
        if (same_name(c.name, class_name)) {
            c.instances = instances;
            return;
        }
    registry.classes.push_back({class_name, instances});
}

void unregister_wmi_class(const std::wstring& class_name) {
    WmiClassRegistry& registry = wmi_class_registry();
    std::lock_guard<std::mutex> g(registry.lock);
    auto& classes = registry.classes;
    for (auto it = classes.begin(); it != classes.end(); ++it)
        if (same_name(it->name, class_name)) {
            classes.erase(it);
            return;
        }
}

} // namespace zvk_winapi
