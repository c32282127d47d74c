# The Windows build of the Qt-free core: the mingw-w64 cross compiler with POSIX threads (the core uses
# std::thread), everything linked statically so that the programs need no runtime DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

find_program(ZVK_MINGW_CXX NAMES x86_64-w64-mingw32-g++-posix REQUIRED)
find_program(ZVK_MINGW_CC NAMES x86_64-w64-mingw32-gcc-posix REQUIRED)
set(CMAKE_CXX_COMPILER "${ZVK_MINGW_CXX}")
set(CMAKE_C_COMPILER "${ZVK_MINGW_CC}")
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
