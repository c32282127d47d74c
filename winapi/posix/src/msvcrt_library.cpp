// "msvcrt.dll" as module images see it: each function with its Windows meaning and the Windows
// calling convention. Only what the module SDK's modules import is offered; a module importing
// anything else is refused at load.
#include "builtin_libraries.h"

#include "win_crt_file.h"
#include "win_crt_time.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

namespace {

// The heap shared with the host. What crosses between host and module is std::string and std::map
// memory, which the host's library allocates with operator new and frees with operator delete; the
// module's runtime builds those operators on malloc and free. Serving malloc and free from the
// host's operator new and delete keeps every block with the allocator that made it, also under
// AddressSanitizer, which tells malloc from new. malloc(0) gives a unique block, as on Windows.
ZVK_MS_ABI void* crt_malloc(std::size_t size) {
    return ::operator new(size ? size : 1, std::nothrow);
}
ZVK_MS_ABI void crt_free(void* block) {
    ::operator delete(block);
}

[[noreturn]] ZVK_MS_ABI void crt_abort() {
    std::abort();
}

ZVK_MS_ABI void* crt_memchr(const void* data, int value, std::size_t size) {
    return const_cast<void*>(std::memchr(data, value, size));
}
ZVK_MS_ABI int crt_memcmp(const void* a, const void* b, std::size_t size) {
    return std::memcmp(a, b, size);
}
ZVK_MS_ABI void* crt_memcpy(void* to, const void* from, std::size_t size) {
    return std::memcpy(to, from, size);
}
ZVK_MS_ABI void* crt_memmove(void* to, const void* from, std::size_t size) {
    return std::memmove(to, from, size);
}
ZVK_MS_ABI void* crt_memset(void* to, int value, std::size_t size) {
    return std::memset(to, value, size);
}
ZVK_MS_ABI std::size_t crt_strlen(const char* text) {
    return std::strlen(text);
}

ZVK_MS_ABI __time64_t crt_time64(__time64_t* result) {
    return _time64(result);
}

// Files by Windows path, through the drive mapping: the module's "C:\zedra\zedra.log" is the file
// the host's log reader opens. The FILE objects are the host's; modules only pass them back.
ZVK_MS_ABI FILE* crt_fsopen(const char* path, const char* mode, int share_flag) {
    return _fsopen(path, mode, share_flag);
}
ZVK_MS_ABI int crt_mkdir(const char* path) {
    return _mkdir(path);
}
ZVK_MS_ABI std::size_t crt_fwrite(const void* data, std::size_t size, std::size_t count, FILE* file) {
    return std::fwrite(data, size, count, file);
}
ZVK_MS_ABI int crt_fclose(FILE* file) {
    return std::fclose(file);
}

template <class F> void* address(F function) {
    return reinterpret_cast<void*>(function);
}

// clang-format off
const zvk_winapi::LibraryExport exports[] = {
    {"abort", 0, address(crt_abort)},
    {"fclose", 0, address(crt_fclose)},
    {"free", 0, address(crt_free)},
    {"fwrite", 0, address(crt_fwrite)},
    {"malloc", 0, address(crt_malloc)},
    {"memchr", 0, address(crt_memchr)},
    {"memcmp", 0, address(crt_memcmp)},
    {"memcpy", 0, address(crt_memcpy)},
    {"memmove", 0, address(crt_memmove)},
    {"memset", 0, address(crt_memset)},
    {"strlen", 0, address(crt_strlen)},
    {"_fsopen", 0, address(crt_fsopen)},
    {"_mkdir", 0, address(crt_mkdir)},
    {"_time64", 0, address(crt_time64)},
};
// clang-format on

} // namespace

namespace zvk_winapi {

const LibraryExport* msvcrt_exports(std::size_t& count) {
    count = sizeof(exports) / sizeof(exports[0]);
    return exports;
}

} // namespace zvk_winapi
