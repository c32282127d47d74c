#pragma once
// Maps a 64-bit Windows DLL image that exists only in memory: places, relocates, binds, protects and
// starts it, finds its exports by name and releases it again. No global state: one record per image.
#include "zvk_windows.h"

#include <cstddef>
#include <cstdint>

class BoundedBytes;

// One mapped image. Allocated from the process heap.
struct MappedModule {
    PIMAGE_NT_HEADERS64 headers; // the mapped copy of the NT headers (code_base + e_lfanew)
    unsigned char* code_base;    // start of the mapping: the image's actual base address
    HMODULE* dependencies;       // libraries loaded for the imports, in descriptor order; null while none
    int dependency_count;
    int initialized;     // 1 once the entry point accepted DLL_PROCESS_ATTACH
    SIZE_T image_size;   // SizeOfImage: the extent of the mapping, which bounds every later read
    SIZE_T image_length; // bytes of the image itself, which bound every count the image gives
    DWORD entry_point;   // AddressOfEntryPoint, 0 for none
};

// Maps the image of `length` bytes at `data`; null when it cannot be mapped. Only a 64-bit x86 image
// (PE32+, AMD64) of at most max_sections sections is mapped.
MappedModule* map_module(const void* data, std::size_t length);
// Address of the export `name` (compared without regard to case), or null.
void* find_export(MappedModule* module, const char* name);
// Stops and releases a mapped image; null is accepted.
void unmap_module(MappedModule* module);

// Windows' own loader maps no image with more sections than this.
constexpr unsigned max_sections = 96;

// The steps of map_module, in their order.

// Page protection of a section, indexed by executable * 4 + readable * 2 + writable.
extern const DWORD section_protection[8];
// Commits each section and copies its raw data from the image; false when a section lies outside
// the image or the mapping, or a commit fails.
bool copy_sections(const BoundedBytes& image, MappedModule* module);
// Adds `delta` (actual base minus preferred base) to every address the base relocations name.
void apply_relocations(MappedModule* module, std::uint64_t delta);
// Loads the imported libraries and fills the import address tables; false at the first failure
// (the libraries loaded so far stay in `dependencies`).
bool resolve_imports(MappedModule* module);
// Sets each section's final protection and decommits the discardable ones.
void protect_sections(MappedModule* module);
