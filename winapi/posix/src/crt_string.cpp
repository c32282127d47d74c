#include "win_crt_string.h"

namespace {
// Folded by hand: tolower() would follow the locale.
inline int fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }
} // namespace

int _strnicmp(const char* a, const char* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        int ca = fold(static_cast<unsigned char>(a[i]));
        int cb = fold(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca - cb;
        if (ca == 0)
            return 0;
    }
    return 0;
}

int _stricmp(const char* a, const char* b) { return _strnicmp(a, b, static_cast<std::size_t>(-1)); }
