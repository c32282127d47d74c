#include "loader_fixture.h"

#include "zvk_posix_libraries.h"

#include <cstring>

namespace loader_test {

ModulePtr map_image(const std::string& image) {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[image.size() ? image.size() : 1]);
    std::memcpy(copy.get(), image.data(), image.size());
    return ModulePtr(map_module(copy.get(), image.size()));
}

std::vector<EntryCall> entry_calls;
BOOL entry_result = TRUE;

BOOL ZVK_MS_ABI recording_entry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    entry_calls.push_back({reinterpret_cast<void*>(instance), reason, reserved});
    return entry_result;
}

namespace {
ZVK_MS_ABI long long add_numbers(long long a, long long b) {
    return a + b;
}
ZVK_MS_ABI long long times_six(long long a) {
    return a * 6;
}
} // namespace

void register_test_library() {
    const zvk_winapi::LibraryExport exports[] = {
        {"add_numbers", 1, reinterpret_cast<void*>(add_numbers)},
        {nullptr, times_six_ordinal, reinterpret_cast<void*>(times_six)},
    };
    zvk_winapi::register_library(test_library, exports, 2);
}

} // namespace loader_test
