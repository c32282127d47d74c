// COM's runtime as the system uses it: per-thread apartments, process-wide security, object
// creation, and the BSTR, SAFEARRAY and VARIANT helpers of OLE Automation.
#include "com_internal.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>

bool operator==(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const CLSID CLSID_WbemLocator = {
    0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
const IID IID_IWbemLocator = {0xDC12A687, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
const IID IID_IWbemServices = {0x9556DC99, 0x828C, 0x11CF, {0xA3, 0x7E, 0x00, 0xAA, 0x00, 0x32, 0x40, 0xC7}};
const IID IID_IEnumWbemClassObject = {
    0x027947E1, 0xD731, 0x11CE, {0xA3, 0x57, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};
const IID IID_IWbemClassObject = {
    0xDC12A681, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

namespace zvk_winapi {
namespace {

struct Apartment {
    int inits = 0;   // successful CoInitializeEx calls not yet undone
    DWORD model = 0; // valid while inits > 0
};
thread_local Apartment apartment;

} // namespace

ComState& com_state() {
    static ComState state;
    return state;
}

ComFaults com_faults() {
    ComState& state = com_state();
    std::lock_guard<std::mutex> g(state.lock);
    return state.faults;
}

bool com_ready_on_this_thread() {
    return apartment.inits > 0;
}

} // namespace zvk_winapi

using zvk_winapi::apartment;

HRESULT CoInitializeEx(LPVOID reserved, DWORD co_init) {
    if (reserved)
        return E_INVALIDARG;
    const DWORD model = co_init & COINIT_APARTMENTTHREADED;
    if (zvk_winapi::com_faults().co_initialize)
        return zvk_winapi::com_faults().result;
    if (apartment.inits > 0) {
        if (apartment.model != model)
            return RPC_E_CHANGED_MODE;
        ++apartment.inits;
        return S_FALSE;
    }
    apartment.inits = 1;
    apartment.model = model;
    return S_OK;
}

void CoUninitialize() {
    if (apartment.inits > 0)
        --apartment.inits;
}

HRESULT CoInitializeSecurity(PSECURITY_DESCRIPTOR, LONG, void*, void*, DWORD, DWORD, void*, DWORD, void*) {
    if (!zvk_winapi::com_ready_on_this_thread())
        return CO_E_NOTINITIALIZED;
    zvk_winapi::ComState& state = zvk_winapi::com_state();
    std::lock_guard<std::mutex> g(state.lock);
    if (state.security_set)
        return RPC_E_TOO_LATE;
    state.security_set = true;
    return S_OK;
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD cls_context, REFIID riid, LPVOID* object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!zvk_winapi::com_ready_on_this_thread())
        return CO_E_NOTINITIALIZED;
    if (zvk_winapi::com_faults().create_instance)
        return zvk_winapi::com_faults().result;
    if (clsid != CLSID_WbemLocator || !(cls_context & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return zvk_winapi::create_wbem_locator(riid, object);
}

HRESULT CoSetProxyBlanket(IUnknown* proxy, DWORD, DWORD, OLECHAR*, DWORD, DWORD, RPC_AUTH_IDENTITY_HANDLE,
                          DWORD) {
    if (!proxy)
        return E_INVALIDARG;
    if (zvk_winapi::com_faults().proxy_blanket)
        return zvk_winapi::com_faults().result;
    return S_OK;
}

// ---- BSTR ------------------------------------------------------------------------------------------
// Layout: a 32-bit byte count, the characters, a NUL character.

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    const std::size_t bytes = std::size_t(length) * sizeof(OLECHAR);
    if (bytes > std::numeric_limits<std::uint32_t>::max())
        return nullptr;
    void* block = std::malloc(sizeof(std::uint32_t) + bytes + sizeof(OLECHAR));
    if (!block)
        return nullptr;
    const std::uint32_t prefix = std::uint32_t(bytes);
    std::memcpy(block, &prefix, sizeof prefix);
    BSTR result = reinterpret_cast<BSTR>(static_cast<char*>(block) + sizeof(std::uint32_t));
    if (text)
        std::memcpy(result, text, bytes);
    else
        std::memset(result, 0, bytes);
    result[length] = L'\0';
    return result;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (!text)
        return nullptr;
    std::size_t length = 0;
    while (text[length] != L'\0')
        ++length;
    if (length > std::numeric_limits<UINT>::max())
        return nullptr;
    return SysAllocStringLen(text, UINT(length));
}

void SysFreeString(BSTR text) {
    if (text)
        std::free(reinterpret_cast<char*>(text) - sizeof(std::uint32_t));
}

UINT SysStringLen(BSTR text) {
    if (!text)
        return 0;
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<char*>(text) - sizeof(std::uint32_t), sizeof bytes);
    return UINT(bytes / sizeof(OLECHAR));
}

// ---- SAFEARRAY: one-dimensional arrays of bytes, the only kind WMI hands out here ------------------------

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lower_bound, ULONG elements) {
    if (vt != VT_UI1 && vt != VT_I1)
        return nullptr;
    auto* array = new (std::nothrow) SAFEARRAY{};
    if (!array)
        return nullptr;
    array->cDims = 1;
    array->cbElements = 1;
    array->rgsabound[0].cElements = elements;
    array->rgsabound[0].lLbound = lower_bound;
    array->pvData = std::calloc(elements ? elements : 1, 1);
    if (!array->pvData) {
        delete array;
        return nullptr;
    }
    return array;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
    if (!array)
        return S_OK;
    if (array->cLocks)
        return ZVK_HRESULT(0x8002000D); // DISP_E_ARRAYISLOCKED
    std::free(array->pvData);
    delete array;
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* array) {
    return array ? array->cDims : 0;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* lower_bound) {
    if (!array || !lower_bound)
        return E_INVALIDARG;
    if (dimension < 1 || dimension > array->cDims)
        return DISP_E_BADINDEX;
    *lower_bound = array->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* upper_bound) {
    if (!array || !upper_bound)
        return E_INVALIDARG;
    if (dimension < 1 || dimension > array->cDims)
        return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = array->rgsabound[0];
    *upper_bound = LONG(std::int64_t(b.lLbound) + std::int64_t(b.cElements) - 1);
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
    if (!array || !data)
        return E_INVALIDARG;
    ++array->cLocks;
    *data = array->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) {
    if (!array || array->cLocks == 0)
        return ZVK_HRESULT(0x8000FFFF); // E_UNEXPECTED: not locked
    --array->cLocks;
    return S_OK;
}

// ---- VARIANT -------------------------------------------------------------------------------------------

void VariantInit(VARIANT* value) {
    if (!value)
        return;
    std::memset(value, 0, sizeof *value);
    value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* value) {
    if (!value)
        return E_INVALIDARG;
    if (value->vt & VT_ARRAY) {
        HRESULT hr = SafeArrayDestroy(value->parray);
        if (FAILED(hr))
            return hr;
    } else if (value->vt == VT_BSTR) {
        SysFreeString(value->bstrVal);
    } else if (value->vt == VT_UNKNOWN) {
        if (value->punkVal)
            value->punkVal->Release();
    }
    VariantInit(value);
    return S_OK;
}
