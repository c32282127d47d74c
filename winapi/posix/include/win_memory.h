#pragma once
// Virtual memory and the process heap, with the Windows meanings: an address range is first
// reserved (64 KB granularity), then committed page by page (4 KB, zero-filled on first commit),
// protected, decommitted and finally released as a whole.
#include "win_types.h"

#define MEM_COMMIT 0x00001000
#define MEM_RESERVE 0x00002000
#define MEM_DECOMMIT 0x00004000
#define MEM_RELEASE 0x00008000
#define MEM_FREE 0x00010000
#define MEM_PRIVATE 0x00020000

#define PAGE_NOACCESS 0x01
#define PAGE_READONLY 0x02
#define PAGE_READWRITE 0x04
#define PAGE_WRITECOPY 0x08
#define PAGE_EXECUTE 0x10
#define PAGE_EXECUTE_READ 0x20
#define PAGE_EXECUTE_READWRITE 0x40
#define PAGE_EXECUTE_WRITECOPY 0x80
#define PAGE_GUARD 0x100
#define PAGE_NOCACHE 0x200
#define PAGE_WRITECOMBINE 0x400

#define HEAP_NO_SERIALIZE 0x00000001
#define HEAP_GENERATE_EXCEPTIONS 0x00000004
#define HEAP_ZERO_MEMORY 0x00000008

// Reserves and/or commits pages (MEM_RESERVE, MEM_COMMIT or both). A reservation at a given address
// starts at that address rounded down to 64 KB and fails when any page of the range is in use; it
// never moves. A commit must lie inside one reservation; pages committed before keep their content.
// Returns the start of the reserved or committed range, or null (GetLastError tells why).
LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocation_type, DWORD protect);
// Sets the protection of every committed page that [address, address + size) touches; all of them
// must be committed pages of one reservation. The previous protection of the first page goes to
// *old_protect, which must not be null.
BOOL VirtualProtect(LPVOID address, SIZE_T size, DWORD new_protect, DWORD* old_protect);
// MEM_DECOMMIT: the pages that the range touches go back to reserved (size 0: up to the end of the
// reservation). MEM_RELEASE: size must be 0 and address the reservation's start; the whole
// reservation goes.
BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD free_type);

// The process heap: the C heap.
HANDLE GetProcessHeap();
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T size);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block);
// Coalesces the heap's free blocks now, on the calling thread, and gives free pages back to the
// system (the C heap: every arena of it). Returns the size of the largest free block on Windows; the
// stand-in cannot tell and returns 1 (0 would mean failure).
SIZE_T HeapCompact(HANDLE heap, DWORD flags);

// Non-zero when any byte of [address, address + size) cannot be read. Looks the range up in the
// process's memory map; never touches the memory itself.
BOOL IsBadReadPtr(const void* address, UINT_PTR size);
