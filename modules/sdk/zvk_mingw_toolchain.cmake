# Cross-compiling diagnostic modules: 64-bit Windows DLLs made by the mingw-w64 compiler with POSIX
# threads, the variant whose libstdc++ the SDK links statically.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

find_program(ZVK_MODULE_CXX NAMES x86_64-w64-mingw32-g++-posix REQUIRED)
set(CMAKE_CXX_COMPILER "${ZVK_MODULE_CXX}")
set(CMAKE_C_COMPILER "${ZVK_MODULE_CXX}")

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
