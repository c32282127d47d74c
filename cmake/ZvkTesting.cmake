# zvk_add_test(NAME name SOURCES ... [LIBS ...] [ENV VAR=value ...] [QT_MAIN] [X_SERVER] [POSIX_ONLY]
#              [TIMEOUT s])
# Builds one GoogleTest program and registers it with CTest. Every test runs on Qt's offscreen
# platform, in the C locale and in UTC, with a private drive C: folder and working folder of its own,
# so no test depends on the machine it runs on or on another test.
# QT_MAIN gives the program a QApplication (widgets, event loops); otherwise a QCoreApplication.
# X_SERVER (with QT_MAIN) starts a private Xvfb for the program's run and puts the application on it
# (tests/support/x_server.h); without a server its tests that need one are reported skipped.
# The Windows build (no Qt) builds a test unless it is POSIX_ONLY (it tests the POSIX stand-in of the
# Windows services), has QT_MAIN or links a library that build has not (Qt, the program's window).
if(WIN32)
    # GoogleTest from Debian's sources (package googletest), built with the cross compiler.
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # Its project defines the targets GTest::gtest and GTest::gmock.
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
    find_package(GTest REQUIRED)
endif()

# Under ThreadSanitizer every test, and every program a test starts, reads the suppressions of the
# distribution's Qt and GLib.
set(ZVK_SANITIZER_TEST_ENV "")
if(ZVK_SANITIZE STREQUAL "thread")
    set(ZVK_SANITIZER_TEST_ENV "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/tsan_suppressions.txt;")
endif()

function(zvk_add_test)
    cmake_parse_arguments(T "QT_MAIN;X_SERVER;POSIX_ONLY" "NAME;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    if(WIN32)
        zvk_add_windows_test()
        return()
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    if(T_QT_MAIN)
        target_link_libraries(${T_NAME} PRIVATE zvk_test_main_gui)
    else()
        target_link_libraries(${T_NAME} PRIVATE zvk_test_main)
    endif()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
    set(work "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.work")
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(T_X_SERVER)
        list(APPEND T_ENV ZVK_TEST_X_SERVER=1
             LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/x_server_lsan.supp)
        # A missing server makes the program report itself skipped, not passed (ZVK_REQUIRE_X_SERVER).
        set_tests_properties(${T_NAME} PROPERTIES SKIP_REGULAR_EXPRESSION "no X server: ")
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "${ZVK_SANITIZER_TEST_ENV}QT_QPA_PLATFORM=offscreen;LC_ALL=C;LANG=C;TZ=UTC;ZVK_TEST_WORK_DIR=${work};ZVK_DRIVE_C=${work}/drive_c;ZVK_SMBIOS_DIR=${work}/no_smbios_tables;ZVK_TEST_DATA_DIR=${CMAKE_BINARY_DIR}/test_data;ZVK_RUN_DIR=${ZVK_RUN_DIR};ZVK_TEST_MODULES_DIR=${CMAKE_BINARY_DIR}/test_modules;${T_ENV}")
endfunction()

# The Windows form of zvk_add_test, called in its scope. The program runs under Wine, where a host
# path is seen through drive Z:. Drive C: is the Wine prefix's own, shared by every test program, so
# the programs run one after another.
macro(zvk_add_windows_test)
    if(T_POSIX_ONLY OR T_QT_MAIN)
        return()
    endif()
    foreach(lib IN LISTS T_LIBS)
        if(NOT TARGET ${lib})
            return()
        endif()
    endforeach()
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE zvk_test_main ${T_LIBS} GTest::gtest GTest::gmock)
    set(work "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.work")
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        RESOURCE_LOCK zvk_wine_drive_c
        ENVIRONMENT "WINEPREFIX=${ZVK_WINE_PREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=;LC_ALL=C;LANG=C;TZ=UTC;ZVK_TEST_WORK_DIR=Z:${work};ZVK_TEST_DATA_DIR=Z:${CMAKE_BINARY_DIR}/test_data;ZVK_TEST_MODULES_DIR=Z:${ZVK_HOST_BUILD_DIR}/test_modules;${T_ENV}")
endmacro()
