#pragma once
// Shared pieces of the loader tests: mapping an exact copy of an image, an entry point that records
// its calls, and a library the images import from.
#include "module_loader.h"

#include <memory>
#include <string>
#include <vector>

namespace loader_test {

struct Unmap {
    void operator()(MappedModule* module) const { unmap_module(module); }
};
using ModulePtr = std::unique_ptr<MappedModule, Unmap>;

// Maps a heap copy of exactly the image's bytes, freed again right after mapping: the sanitizer
// sees any read past the end, and any later read of the image the loader should not make.
ModulePtr map_image(const std::string& image);

// An entry point for images to jump to (x64::jump_to): records each call and answers entry_result.
struct EntryCall {
    void* instance;
    DWORD reason;
    void* reserved;
};
extern std::vector<EntryCall> entry_calls;
extern BOOL entry_result;
BOOL ZVK_MS_ABI recording_entry(HINSTANCE instance, DWORD reason, LPVOID reserved);

// "zvk_loader_test.dll": "add_numbers" by name (ordinal 1), "times_six" by ordinal 7 only.
constexpr const char* test_library = "zvk_loader_test.dll";
constexpr unsigned short times_six_ordinal = 7;
void register_test_library();

// An export of a mapped image as a function of the Windows convention.
template <class Signature> Signature* export_function(MappedModule* module, const char* name) {
    return reinterpret_cast<Signature*>(find_export(module, name));
}

} // namespace loader_test
