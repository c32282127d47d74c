// "KERNEL32.dll" as module images see it: each function with its Windows meaning and the Windows
// calling convention. Only what the module SDK's modules import is offered; a module importing
// anything else is refused at load.
#include "builtin_libraries.h"

#include "win_paths.h"
#include "win_thread.h"

#include <ctime>
#include <linux/futex.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The stand-in's own Sleep: a waiting point where TerminateThread can end the thread.
ZVK_MS_ABI void k32_sleep(DWORD milliseconds) {
    Sleep(milliseconds);
}

ZVK_MS_ABI ULONGLONG k32_get_tick_count64() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<ULONGLONG>(now.tv_sec) * 1000u + static_cast<ULONGLONG>(now.tv_nsec) / 1000000u;
}

// The host thread id, the identifier CreateThread reports too.
ZVK_MS_ABI DWORD k32_get_current_thread_id() {
    return static_cast<DWORD>(syscall(SYS_gettid));
}

// "C:\Windows" on the drive mapping's system drive: modules find the log folder on its drive.
ZVK_MS_ABI UINT k32_get_windows_directory(LPSTR buffer, UINT size) {
    return GetWindowsDirectoryA(buffer, size);
}

// Slim reader/writer locks, exclusive mode. The lock is a pointer-sized word, zero when free (a
// module initialises it with SRWLOCK_INIT and never destroys it). Its low 32 bits serve as a futex:
// 0 free, 1 held, 2 held with threads waiting.
int* lock_word(void* lock) {
    return static_cast<int*>(lock);
}

long futex(int* word, int operation, int value) {
    return syscall(SYS_futex, word, operation | FUTEX_PRIVATE_FLAG, value, nullptr, nullptr, 0);
}

ZVK_MS_ABI void k32_acquire_srw_lock_exclusive(void* lock) {
    int* word = lock_word(lock);
    int expected = 0;
    if (__atomic_compare_exchange_n(word, &expected, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED))
        return;
    // Contended: mark the lock as having waiters and sleep until it is released.
    while (__atomic_exchange_n(word, 2, __ATOMIC_ACQUIRE) != 0)
        futex(word, FUTEX_WAIT, 2);
}

ZVK_MS_ABI void k32_release_srw_lock_exclusive(void* lock) {
    int* word = lock_word(lock);
    if (__atomic_exchange_n(word, 0, __ATOMIC_RELEASE) == 2)
        futex(word, FUTEX_WAKE, 1);
}

template <class F> void* address(F function) {
    return reinterpret_cast<void*>(function);
}

const zvk_winapi::LibraryExport exports[] = {
    {"AcquireSRWLockExclusive", 0, address(k32_acquire_srw_lock_exclusive)},
    {"GetCurrentThreadId", 0, address(k32_get_current_thread_id)},
    {"GetTickCount64", 0, address(k32_get_tick_count64)},
    {"GetWindowsDirectoryA", 0, address(k32_get_windows_directory)},
    {"ReleaseSRWLockExclusive", 0, address(k32_release_srw_lock_exclusive)},
    {"Sleep", 0, address(k32_sleep)},
};

} // namespace

namespace zvk_winapi {

const LibraryExport* kernel32_exports(std::size_t& count) {
    count = sizeof(exports) / sizeof(exports[0]);
    return exports;
}

} // namespace zvk_winapi
