#include "kernel_object.h"

#include "win_error.h"
#include "win_handle.h"

#include <mutex>
#include <unordered_set>

namespace zvk_winapi {
namespace {

// Live handles: lets every call tell a valid handle from a stale or made-up one without touching it.
std::mutex& table_lock() {
    static std::mutex m;
    return m;
}
std::unordered_set<KernelObject*>& table() {
    static std::unordered_set<KernelObject*> t;
    return t;
}

thread_local DWORD last_error = 0;

} // namespace

KernelObject::~KernelObject() = default;

HANDLE publish(KernelObject* object) {
    std::lock_guard<std::mutex> g(table_lock());
    table().insert(object);
    return object->handle();
}

KernelObject* KernelObject::from_handle(HANDLE h) {
    std::lock_guard<std::mutex> g(table_lock());
    auto* object = static_cast<KernelObject*>(h);
    return table().count(object) ? object : nullptr;
}

} // namespace zvk_winapi

using zvk_winapi::KernelObject;

DWORD GetLastError() { return zvk_winapi::last_error; }
void SetLastError(DWORD code) { zvk_winapi::last_error = code; }

BOOL CloseHandle(HANDLE handle) {
    KernelObject* object = nullptr;
    {
        std::lock_guard<std::mutex> g(zvk_winapi::table_lock());
        auto it = zvk_winapi::table().find(static_cast<KernelObject*>(handle));
        if (it != zvk_winapi::table().end()) {
            object = *it;
            zvk_winapi::table().erase(it);
        }
    }
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->release();
    return TRUE;
}
