#pragma once
// Windows base types with their Windows sizes (LLP64: LONG and DWORD are 32 bits, pointers 64).
#include <cstddef>
#include <cstdint>

typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::uint64_t DWORD64;
typedef std::uint64_t ULONGLONG;
typedef std::int64_t LONGLONG;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef std::int32_t INT;
typedef std::uint32_t UINT;
typedef std::int32_t BOOL;
typedef std::int16_t SHORT;
typedef std::uint16_t USHORT;
typedef char CHAR;
typedef unsigned char UCHAR;
typedef std::uintptr_t ULONG_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::size_t SIZE_T;
typedef void VOID;
typedef void* PVOID;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD* LPDWORD;
typedef BOOL* LPBOOL;
typedef void* HANDLE;
typedef HANDLE* PHANDLE;
typedef struct zvk_HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef LONG HRESULT;
typedef LONG_PTR (*FARPROC)();

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Calling convention of code that Windows-compiled module images call or are called by.
#define ZVK_MS_ABI __attribute__((ms_abi))
// The host's own calls into the stand-in use the host's convention.
#define WINAPI

static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(BOOL) == 4, "Windows sizes");
static_assert(sizeof(HANDLE) == 8 && sizeof(ULONG_PTR) == 8, "64-bit Windows sizes");

// Security attributes of a new kernel object. The stand-in models no access control: callers pass null.
struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* PSECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
