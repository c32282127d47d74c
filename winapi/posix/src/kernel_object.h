#pragma once
// Kernel objects behind HANDLE values. A handle is a pointer to a KernelObject; CloseHandle drops
// one reference, and the object goes with its last one.
#include "win_types.h"

#include <atomic>

namespace zvk_winapi {

class KernelObject {
public:
    KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;

    void add_ref() { refs.fetch_add(1, std::memory_order_relaxed); }
    void release() {
        if (refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }

    HANDLE handle() { return static_cast<HANDLE>(this); }

    // The object behind a handle that this stand-in made, or null for anything else
    // (null, INVALID_HANDLE_VALUE, a closed or foreign handle).
    static KernelObject* from_handle(HANDLE h);

protected:
    virtual ~KernelObject();
    // Registers the object so from_handle recognises it; called by the most-derived constructor's
    // creator once the object is complete.
    friend HANDLE publish(KernelObject* object);

private:
    std::atomic<int> refs{1};
};

// Registers a new object and returns its handle.
HANDLE publish(KernelObject* object);

// The object behind a handle, cast to its kind, or null when the handle is none of that kind.
template <class T> T* object_of(HANDLE h) { return dynamic_cast<T*>(KernelObject::from_handle(h)); }

} // namespace zvk_winapi
