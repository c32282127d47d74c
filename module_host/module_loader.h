#pragma once
// Maps a 64-bit Windows DLL image that exists only in memory: places, relocates, binds, protects and
// starts it, finds its exports by name and releases it again. No global state: one record per image.
#include "zvk_windows.h"

#include <cstddef>

struct MappedModule;

// Maps the image of `length` bytes at `data`; null when it cannot be mapped.
MappedModule* map_module(const void* data, std::size_t length);
// Address of the export `name` (compared without regard to case), or null.
void* find_export(MappedModule* module, const char* name);
// Stops and releases a mapped image; null is accepted.
void unmap_module(MappedModule* module);
