#pragma once
// Windows build: the real Windows headers.
#include <windows.h>
