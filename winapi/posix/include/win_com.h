#pragma once
// COM and WMI, as far as the system uses them: apartment set-up and security, object creation,
// BSTR, VARIANT and SAFEARRAY, and the WMI locator, services, enumerator and class object. Only
// the namespace "root\WMI" exists here; its classes are listed in winapi/posix/src/wmi_classes.cpp.
//
// Wide characters are the platform's wchar_t (32 bits here, 16 on Windows): the system's code uses
// wide literals and the C runtime's conversions, which follow wchar_t on either branch.
#include "win_types.h"

#include <cstdint>

typedef wchar_t WCHAR;
typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
// A BSTR points to its first character; its length in bytes is stored just before it, and a NUL
// follows it. Null is the empty BSTR.
typedef OLECHAR* BSTR;
typedef std::int16_t VARIANT_BOOL;
typedef unsigned short VARTYPE;
typedef LONG CIMTYPE;
typedef void* PSECURITY_DESCRIPTOR;
typedef void* RPC_AUTH_IDENTITY_HANDLE;

#define STDMETHODCALLTYPE

// ---- HRESULT -----------------------------------------------------------------------------------
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#define ZVK_HRESULT(value) static_cast<HRESULT>(static_cast<std::uint32_t>(value))

#ifndef S_OK
#define S_OK ZVK_HRESULT(0x00000000)
#define S_FALSE ZVK_HRESULT(0x00000001)
#define E_NOTIMPL ZVK_HRESULT(0x80004001)
#define E_NOINTERFACE ZVK_HRESULT(0x80004002)
#define E_POINTER ZVK_HRESULT(0x80004003)
#define E_FAIL ZVK_HRESULT(0x80004005)
#define E_OUTOFMEMORY ZVK_HRESULT(0x8007000E)
#define E_INVALIDARG ZVK_HRESULT(0x80070057)
#endif
#define DISP_E_BADINDEX ZVK_HRESULT(0x8002000B)
#define DISP_E_BADVARTYPE ZVK_HRESULT(0x80020008)
#define RPC_E_CHANGED_MODE ZVK_HRESULT(0x80010106)
#define RPC_E_TOO_LATE ZVK_HRESULT(0x80010119)
#define CO_E_NOTINITIALIZED ZVK_HRESULT(0x800401F0)
#define REGDB_E_CLASSNOTREG ZVK_HRESULT(0x80040154)
#define CLASS_E_NOAGGREGATION ZVK_HRESULT(0x80040110)

#define WBEM_S_NO_ERROR ZVK_HRESULT(0x00000000)
#define WBEM_S_FALSE ZVK_HRESULT(0x00000001)
#define WBEM_E_FAILED ZVK_HRESULT(0x80041001)
#define WBEM_E_NOT_FOUND ZVK_HRESULT(0x80041002)
#define WBEM_E_INVALID_PARAMETER ZVK_HRESULT(0x80041008)
#define WBEM_E_INVALID_NAMESPACE ZVK_HRESULT(0x8004100E)
#define WBEM_E_INVALID_CLASS ZVK_HRESULT(0x80041010)
#define WBEM_E_INVALID_QUERY ZVK_HRESULT(0x80041017)
#define WBEM_E_INVALID_QUERY_TYPE ZVK_HRESULT(0x80041018)

// ---- COM set-up ----------------------------------------------------------------------------------
#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2
#define CLSCTX_INPROC_SERVER 0x1
#define RPC_C_AUTHN_LEVEL_DEFAULT 0
#define RPC_C_AUTHN_LEVEL_CALL 3
#define RPC_C_IMP_LEVEL_IMPERSONATE 3
#define RPC_C_AUTHN_WINNT 10
#define RPC_C_AUTHZ_NONE 0
#define EOAC_NONE 0

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;
bool operator==(const GUID& a, const GUID& b);
inline bool operator!=(const GUID& a, const GUID& b) {
    return !(a == b);
}

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default; // objects go through Release
};
typedef IUnknown* LPUNKNOWN;

extern const IID IID_IUnknown;

// Per thread: the first call chooses the apartment model; a later call with the same model gives
// S_FALSE (and needs its own CoUninitialize), one with the other model RPC_E_CHANGED_MODE (and
// needs none).
HRESULT CoInitializeEx(LPVOID reserved, DWORD co_init);
void CoUninitialize();
// Once per process, on a thread that has initialised COM; a later call gives RPC_E_TOO_LATE.
HRESULT CoInitializeSecurity(PSECURITY_DESCRIPTOR security_descriptor, LONG auth_service_count,
                             void* auth_services, void* reserved1, DWORD authn_level, DWORD imp_level,
                             void* auth_list, DWORD capabilities, void* reserved3);
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD cls_context, REFIID riid, LPVOID* object);
HRESULT CoSetProxyBlanket(IUnknown* proxy, DWORD authn_service, DWORD authz_service, OLECHAR* principal_name,
                          DWORD authn_level, DWORD imp_level, RPC_AUTH_IDENTITY_HANDLE auth_info,
                          DWORD capabilities);

// ---- BSTR, SAFEARRAY, VARIANT ----------------------------------------------------------------------
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};
struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    PVOID pvData;
    SAFEARRAYBOUND rgsabound[1];
};
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lower_bound, ULONG elements);
HRESULT SafeArrayDestroy(SAFEARRAY* array);
UINT SafeArrayGetDim(SAFEARRAY* array);
HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* lower_bound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* upper_bound);
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);

enum VARENUM : unsigned short {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_UNKNOWN = 13,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_ARRAY = 0x2000,
};
#define VARIANT_TRUE static_cast<VARIANT_BOOL>(-1)
#define VARIANT_FALSE static_cast<VARIANT_BOOL>(0)

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        HRESULT scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        SAFEARRAY* parray;
    };
};
typedef VARIANT VARIANTARG;
void VariantInit(VARIANT* value);
// Frees what the value owns (BSTR, array, object reference) and leaves it VT_EMPTY.
HRESULT VariantClear(VARIANT* value);

// What the compiler's COM support raises when it cannot build a COM argument.
class _com_error {
public:
    explicit _com_error(HRESULT hr) : hr_(hr) {}
    HRESULT Error() const { return hr_; }

private:
    HRESULT hr_;
};

// ---- WMI -------------------------------------------------------------------------------------------------
#define WBEM_FLAG_RETURN_IMMEDIATELY 0x10
#define WBEM_FLAG_FORWARD_ONLY 0x20
#define WBEM_INFINITE 0xFFFFFFFF

enum CIMTYPE_ENUMERATION : LONG {
    CIM_EMPTY = 0,
    CIM_SINT16 = 2,
    CIM_SINT32 = 3,
    CIM_STRING = 8,
    CIM_BOOLEAN = 11,
    CIM_SINT8 = 16,
    CIM_UINT8 = 17,
    CIM_UINT16 = 18,
    CIM_UINT32 = 19,
    CIM_SINT64 = 20,
    CIM_UINT64 = 21,
    CIM_FLAG_ARRAY = 0x2000,
};

struct IWbemContext; // never made here; callers pass null

struct IWbemClassObject : IUnknown {
    // The named property's value, a copy the caller clears; WBEM_E_NOT_FOUND for a name the object
    // lacks (the object has only the properties its query selected).
    virtual HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG flags, VARIANT* value, CIMTYPE* type,
                                          LONG* flavor) = 0;

protected:
    ~IWbemClassObject() = default;
};

struct IEnumWbemClassObject : IUnknown {
    // Up to `count` objects; WBEM_S_FALSE when fewer were left.
    virtual HRESULT STDMETHODCALLTYPE Next(LONG timeout, ULONG count, IWbemClassObject** objects,
                                           ULONG* returned) = 0;

protected:
    ~IEnumWbemClassObject() = default;
};

struct IWbemServices : IUnknown {
    // WQL: SELECT *|property[, property...] FROM class [WHERE condition]; the condition compares
    // properties with numbers, quoted strings or TRUE/FALSE (=, <>, !=, <, <=, >, >=), joined by
    // AND and OR.
    virtual HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR language, const BSTR query, LONG flags,
                                                IWbemContext* context, IEnumWbemClassObject** result) = 0;

protected:
    ~IWbemServices() = default;
};

struct IWbemLocator : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR network_resource, const BSTR user,
                                                    const BSTR password, const BSTR locale,
                                                    LONG security_flags, const BSTR authority,
                                                    IWbemContext* context, IWbemServices** services) = 0;

protected:
    ~IWbemLocator() = default;
};

extern const CLSID CLSID_WbemLocator;
extern const IID IID_IWbemLocator;
extern const IID IID_IWbemServices;
extern const IID IID_IEnumWbemClassObject;
extern const IID IID_IWbemClassObject;
