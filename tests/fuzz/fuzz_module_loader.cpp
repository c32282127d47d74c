// The in-memory loader on raw library images: map, look up the contract's exports and a name no
// module has, unmap. Entry points are cleared, so no code of the input runs.
#include "fuzz_image.h"
#include "module_loader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string image = zvk_fuzz::without_entry_point(data, size);
    MappedModule* module = map_module(image.data(), image.size());
    if (module) {
        for (const char* name : zvk_fuzz::contract_exports)
            find_export(module, name);
        find_export(module, "no_module_exports_this_name");
    }
    unmap_module(module);
    return 0;
}
