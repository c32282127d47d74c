#pragma once
// The C runtime's bounded conversions between 8-bit text (the current locale's encoding) and wide
// text, with the Windows meaning: the result is always NUL-terminated, *converted counts the
// terminator, `count` is the most characters to convert (or _TRUNCATE: as many as fit), and an
// unconvertible character leaves an empty result and gives EILSEQ.
#include "win_types.h"

#include <cstddef>

typedef int errno_t;
#ifndef _TRUNCATE
#define _TRUNCATE (static_cast<std::size_t>(-1))
#endif
#ifndef STRUNCATE
#define STRUNCATE 80
#endif

errno_t mbstowcs_s(std::size_t* converted, wchar_t* destination, std::size_t destination_words,
                   const char* source, std::size_t count);
errno_t wcstombs_s(std::size_t* converted, char* destination, std::size_t destination_bytes,
                   const wchar_t* source, std::size_t count);
