#pragma once
// Windows build: the real Windows headers.
#include <windows.h>
// COM and WMI (SMBIOS), and the compiler's COM support (_com_error).
#include <wbemidl.h>
#include <comdef.h>
