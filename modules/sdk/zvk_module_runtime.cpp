// The freestanding runtime every module links in place of mingw's start-up files and its
// libstdc++ DLL: the allocation operators on the C heap that the host shares, the library's error
// hooks (modules are built without exceptions, so every one of them ends the process), the one
// instantiation of std::string, and the entry point that runs the module's static constructors and
// destructors around its DllMain.
#include "zvk_module_sdk.h"

#include <cstdarg>
#include <cstdlib>
#include <new>
#include <string>

// ---- allocation: malloc and free of "msvcrt.dll", the heap the host's strings and maps live on

void* operator new(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block)
        std::abort(); // no exceptions to report it with
    return block;
}
void* operator new[](std::size_t size) {
    return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

// ---- the library's error hooks: libstdc++ calls these where it would throw

namespace std {
void __throw_bad_exception() {
    abort();
}
void __throw_bad_alloc() {
    abort();
}
void __throw_bad_array_new_length() {
    abort();
}
void __throw_bad_cast() {
    abort();
}
void __throw_bad_typeid() {
    abort();
}
void __throw_logic_error(const char*) {
    abort();
}
void __throw_domain_error(const char*) {
    abort();
}
void __throw_invalid_argument(const char*) {
    abort();
}
void __throw_length_error(const char*) {
    abort();
}
void __throw_out_of_range(const char*) {
    abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
    abort();
}
void __throw_runtime_error(const char*) {
    abort();
}
void __throw_range_error(const char*) {
    abort();
}
void __throw_overflow_error(const char*) {
    abort();
}
void __throw_underflow_error(const char*) {
    abort();
}
void __throw_bad_function_call() {
    abort();
}
} // namespace std

extern "C" void __cxa_pure_virtual() {
    std::abort();
}

// The one copy of std::string's code (the headers are told not to assume it in a library).
template class std::basic_string<char>;

// ---- static constructors and destructors

namespace {
typedef void (*StaticHook)(void);

// Destructors of static objects, registered through atexit while the constructors run; a module
// has few, a fixed table keeps the runtime free of allocation here.
constexpr int max_exit_hooks = 64;
StaticHook exit_hooks[max_exit_hooks];
int exit_hook_count = 0;

void run_exit_hooks() {
    while (exit_hook_count > 0)
        exit_hooks[--exit_hook_count]();
}
} // namespace

// The linker frames the .ctors and .dtors entries with a -1 before and a null after them.
extern "C" StaticHook __CTOR_LIST__[];
extern "C" StaticHook __DTOR_LIST__[];

extern "C" int atexit(void (*hook)(void)) {
    if (exit_hook_count == max_exit_hooks)
        return -1;
    exit_hooks[exit_hook_count++] = hook;
    return 0;
}

namespace {
void run_constructors() {
    // GCC's .ctors entries run last to first.
    int count = 0;
    while (__CTOR_LIST__[count + 1])
        ++count;
    for (int i = count; i >= 1; --i)
        __CTOR_LIST__[i]();
}

void run_destructors() {
    run_exit_hooks();
    for (int i = 1; __DTOR_LIST__[i]; ++i)
        __DTOR_LIST__[i]();
}
} // namespace

// The image's entry point (linked with -e zvk_module_entry): the module's own DllMain sees its
// static objects constructed on attach and still alive on detach.
extern "C" BOOL WINAPI zvk_module_entry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        run_constructors();
        BOOL ok = DllMain(instance, reason, reserved);
        if (!ok)
            run_destructors();
        return ok;
    }
    BOOL ok = DllMain(instance, reason, reserved);
    if (reason == DLL_PROCESS_DETACH)
        run_destructors();
    return ok;
}
