#include "win_crt_wide.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <cwchar>

namespace {

errno_t fail(std::size_t* converted, errno_t code) {
    if (converted)
        *converted = 0;
    return code;
}

} // namespace

errno_t mbstowcs_s(std::size_t* converted, wchar_t* destination, std::size_t destination_words,
                   const char* source, std::size_t count) {
    const bool measure_only = destination == nullptr && destination_words == 0;
    if (!source || (destination == nullptr) != (destination_words == 0))
        return fail(converted, EINVAL);
    std::mbstate_t state{};
    std::size_t written = 0; // wide characters, without the terminator
    std::size_t in = 0;
    errno_t result = 0;
    while (written < count) {
        wchar_t wide = 0;
        std::size_t used = std::mbrtowc(&wide, source + in, MB_LEN_MAX, &state);
        if (used == 0)
            break; // the source's NUL
        if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2)) {
            if (destination)
                destination[0] = L'\0';
            return fail(converted, EILSEQ);
        }
        if (!measure_only && written + 1 >= destination_words) {
            if (count != _TRUNCATE) {
                destination[0] = L'\0';
                return fail(converted, ERANGE);
            }
            result = STRUNCATE;
            break;
        }
        if (!measure_only)
            destination[written] = wide;
        ++written;
        in += used;
    }
    if (!measure_only)
        destination[written] = L'\0';
    if (converted)
        *converted = written + 1;
    return result;
}

errno_t wcstombs_s(std::size_t* converted, char* destination, std::size_t destination_bytes,
                   const wchar_t* source, std::size_t count) {
    const bool measure_only = destination == nullptr && destination_bytes == 0;
    if (!source || (destination == nullptr) != (destination_bytes == 0))
        return fail(converted, EINVAL);
    std::mbstate_t state{};
    std::size_t written = 0; // bytes, without the terminator
    errno_t result = 0;
    for (std::size_t i = 0; source[i] != L'\0'; ++i) {
        char bytes[MB_LEN_MAX];
        std::size_t n = std::wcrtomb(bytes, source[i], &state);
        if (n == static_cast<std::size_t>(-1)) {
            if (destination)
                destination[0] = '\0';
            return fail(converted, EILSEQ);
        }
        if (count != _TRUNCATE && written + n > count)
            break; // never half a character
        if (!measure_only && written + n + 1 > destination_bytes) {
            if (count != _TRUNCATE) {
                destination[0] = '\0';
                return fail(converted, ERANGE);
            }
            result = STRUNCATE;
            break;
        }
        if (!measure_only)
            std::memcpy(destination + written, bytes, n);
        written += n;
    }
    if (!measure_only)
        destination[written] = '\0';
    if (converted)
        *converted = written + 1;
    return result;
}
