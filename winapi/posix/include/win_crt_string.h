#pragma once
#include "win_types.h"

#include <cstddef>

// ASCII comparison without regard to case, the same in every locale (Windows' C runtime names).
int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, std::size_t count);
