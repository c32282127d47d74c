#pragma once
// What the stand-in's COM runtime and its WMI objects share.
#include "win_com.h"
#include "zvk_posix_wmi.h"

#include <atomic>
#include <mutex>

namespace zvk_winapi {

// The runtime's process-wide state. The failures are none in the program; only the tests' backend
// (zvk_winapi_testing) plans some, and it may start the security afresh.
struct ComState {
    std::mutex lock;
    ComFaults faults;
    bool security_set = false;
};
ComState& com_state();

// The planned failures (a copy: tests may change them from another thread).
ComFaults com_faults();

// Whether the calling thread has initialised COM (in either model).
bool com_ready_on_this_thread();

// Makes the WBEM locator, the one class this COM can create.
HRESULT create_wbem_locator(REFIID riid, void** object);

// Reference counting shared by every object; the object goes with its last reference.
template <class Interface> class ComObject : public Interface {
public:
    ULONG STDMETHODCALLTYPE AddRef() override {
        return ULONG(refs.fetch_add(1, std::memory_order_relaxed) + 1);
    }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = ULONG(refs.fetch_sub(1, std::memory_order_acq_rel) - 1);
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~ComObject() = default;
    // QueryInterface for IUnknown and the object's own interface.
    HRESULT query(REFIID riid, const IID& own, void** object) {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != own)
            return E_NOINTERFACE;
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }

private:
    std::atomic<long> refs{1};
};

} // namespace zvk_winapi
