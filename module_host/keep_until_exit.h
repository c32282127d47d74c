#pragma once
// An object that is deliberately never freed, because it lives until the process ends, is no leak:
// the leak checker of a sanitizer build is told so.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

inline void keep_until_exit(const void* object) {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_ignore_object(object);
#else
    (void)object;
#endif
}
