#include "module_loader.h"

// Placeholder until the loader lands: nothing maps.
MappedModule* map_module(const void*, std::size_t) { return nullptr; }
void* find_export(MappedModule*, const char*) { return nullptr; }
void unmap_module(MappedModule*) {}
