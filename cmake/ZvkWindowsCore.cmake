# The Windows build (configure preset "windows", driven by scripts/zvk test): the libraries without
# Qt (winapi, module_host, platform, test_log) and every test program of them that means something on
# Windows, run under Wine. The test modules come packed from the Linux build named by
# ZVK_HOST_BUILD_DIR, which scripts/zvk builds first.
set(ZVK_HOST_BUILD_DIR "${CMAKE_SOURCE_DIR}/build/default" CACHE PATH
    "The Linux build whose packed test modules the Windows tests load")

# Tests run under Wine in a prefix of this build's own; scripts/zvk creates it once before the first
# run, since a prefix's first start takes seconds.
find_program(ZVK_WINE NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(ZVK_WINE_PREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(CMAKE_CROSSCOMPILING_EMULATOR "${ZVK_WINE}")

add_subdirectory(winapi)
add_subdirectory(module_host)
add_subdirectory(platform)
add_subdirectory(test_log)

# The host side of the test modules' call record (the modules themselves come from the Linux build).
add_library(zvk_test_module_support INTERFACE)
target_include_directories(zvk_test_module_support INTERFACE "${CMAKE_SOURCE_DIR}/modules/test_module")
target_link_libraries(zvk_test_module_support INTERFACE zvk_module_host zvk_winapi)

if(ZVK_BUILD_TESTS)
    enable_testing()
    include(cmake/ZvkTesting.cmake)
    add_subdirectory(tests)
endif()
