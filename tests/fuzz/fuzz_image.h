#pragma once
// Fuzz inputs that are library images. The image's own code must never run in the fuzzer, so its
// entry point is cleared before the loader sees it: the loader then calls nothing in the image.
#include "zvk_windows.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace zvk_fuzz {

// The six exports the program looks a module up by.
constexpr const char* contract_exports[] = {"get_module_name",      "get_module_image",
                                            "get_used_screens",     "get_screen_properties",
                                            "get_module_interface", "delete_module_interface"};

// A copy of the `size` bytes at `data` whose AddressOfEntryPoint, where e_lfanew places it, is 0.
inline std::string without_entry_point(const std::uint8_t* data, std::size_t size) {
    std::string image(reinterpret_cast<const char*>(data), size);
    constexpr std::size_t lfanew_at = offsetof(IMAGE_DOS_HEADER, e_lfanew);
    constexpr std::uint64_t entry_in_nt =
        offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + offsetof(IMAGE_OPTIONAL_HEADER64, AddressOfEntryPoint);
    if (size < lfanew_at + sizeof(LONG))
        return image;
    LONG nt = 0;
    std::memcpy(&nt, image.data() + lfanew_at, sizeof nt);
    const std::uint64_t entry = std::uint64_t(std::uint32_t(nt)) + entry_in_nt;
    if (nt >= 0 && entry + sizeof(DWORD) <= size)
        std::memset(&image[std::size_t(entry)], 0, sizeof(DWORD));
    return image;
}

} // namespace zvk_fuzz
