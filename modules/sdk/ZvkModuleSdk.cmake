# The module SDK for a project configured with zvk_mingw_toolchain.cmake:
#   include(<sdk>/ZvkModuleSdk.cmake)
#   zvk_add_module(NAME diag_mine SOURCES mine.cpp [DEFINITIONS NAME=value ...])
# builds the bare module DLL "diag_mine.dll" from the module contract and the SDK runtime; the
# packer (zvk_pack) turns it into a module file that the host loads.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows")
    message(FATAL_ERROR "The module SDK builds Windows DLLs: configure with -DCMAKE_TOOLCHAIN_FILE=${CMAKE_CURRENT_LIST_DIR}/zvk_mingw_toolchain.cmake")
endif()

set(ZVK_SDK_DIR "${CMAKE_CURRENT_LIST_DIR}")
get_filename_component(ZVK_CONTRACT_DIR "${CMAKE_CURRENT_LIST_DIR}/../../module_host" ABSOLUTE)

# No CMake default Windows libraries: a module links exactly what the SDK names below.
set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

# Static libstdc++ only for the red-black tree of std::map; the import library next to it would
# make the module import from libstdc++-6.dll.
execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=libstdc++.a
                OUTPUT_VARIABLE ZVK_MODULE_LIBSTDCXX OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT IS_ABSOLUTE "${ZVK_MODULE_LIBSTDCXX}")
    message(FATAL_ERROR "The cross compiler has no static libstdc++.a")
endif()

# Same object layout as the host's std::string and std::map, no exceptions, no run-time type
# information, no thread-safe statics (they would need the C++ runtime's guard functions).
set(ZVK_MODULE_COMPILE_OPTIONS -O2 -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -D_GLIBCXX_EXTERN_TEMPLATE=0 -Wall -Wextra)
set(ZVK_MODULE_LINK_OPTIONS -shared -nostdlib -nostartfiles -Wl,-e,zvk_module_entry -Wl,--no-insert-timestamp -s)

if(NOT TARGET zvk_module_runtime)
    add_library(zvk_module_runtime OBJECT "${ZVK_SDK_DIR}/zvk_module_runtime.cpp")
    target_compile_options(zvk_module_runtime PRIVATE ${ZVK_MODULE_COMPILE_OPTIONS})
    target_include_directories(zvk_module_runtime PUBLIC "${ZVK_SDK_DIR}" "${ZVK_CONTRACT_DIR}")
endif()

function(zvk_add_module)
    cmake_parse_arguments(M "" "NAME" "SOURCES;DEFINITIONS" ${ARGN})
    add_library(${M_NAME} SHARED ${M_SOURCES} $<TARGET_OBJECTS:zvk_module_runtime>)
    set_target_properties(${M_NAME} PROPERTIES PREFIX "" SUFFIX ".dll")
    target_include_directories(${M_NAME} PRIVATE "${ZVK_SDK_DIR}" "${ZVK_CONTRACT_DIR}")
    target_compile_options(${M_NAME} PRIVATE ${ZVK_MODULE_COMPILE_OPTIONS})
    target_compile_definitions(${M_NAME} PRIVATE ${M_DEFINITIONS})
    target_link_options(${M_NAME} PRIVATE ${ZVK_MODULE_LINK_OPTIONS})
    # Order matters: the runtime's definitions (in the objects) come before the libraries.
    target_link_libraries(${M_NAME} PRIVATE "${ZVK_MODULE_LIBSTDCXX}" gcc msvcrt kernel32)
endfunction()
