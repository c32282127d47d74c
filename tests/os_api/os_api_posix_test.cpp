// The operating-system services where only the POSIX stand-in can give the case: a current folder
// longer than the first buffer and one that is removed under the process (Windows allows neither),
// the program's file as /proc names it, a thread without a start routine, a library registered with
// the stand-in, and Ctrl+C as SIGINT.
#include "win_os_api.h"

#include "process_state.h"
#include "test_files.h"

#include "zvk_posix_libraries.h"
#include "zvk_posix_paths.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using zvk_test::current_host_folder;
using zvk_test::long_folder;
using zvk_test::windows_form;

using zedra_hal::OS_API;
using zedra_hal::Win_OS_API;
using zvk_test::CurrentFolder;

TEST(OsApi, ACurrentFolderLongerThanTheFirstBufferGrowsIt) {
    std::string folder = long_folder(zvk_test::fresh_folder("long_cwd"));
    CurrentFolder cwd(folder);
    ASSERT_TRUE(cwd.changed());
    std::string expected = windows_form(folder);
    ASSERT_GT(expected.size(), 259u);
    Win_OS_API os;
    const char* read = os.get_current_directory();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(std::string(read), expected);
}

TEST(OsApi, AFailedReadIsNotCachedAndIsTriedAgain) {
    Win_OS_API os;
    std::string gone = zvk_test::fresh_folder("gone_cwd") + "/gone";
    ASSERT_TRUE(zvk_test::make_folders(gone));
    {
        CurrentFolder cwd(gone);
        ASSERT_TRUE(cwd.changed());
        ASSERT_EQ(::rmdir(gone.c_str()), 0);
        EXPECT_EQ(os.get_current_directory(), nullptr);
    }
    const char* read = os.get_current_directory();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(std::string(read), windows_form(current_host_folder()));
}

TEST(OsApi, TheProgramsFileAndFolder) {
    char exe[4096];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe);
    ASSERT_GT(n, 0);
    std::string file = windows_form(std::string(exe, std::size_t(n)));
    Win_OS_API os;
    const char* folder = os.get_module_directory(); // reads the file name on the way
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(std::string(folder), file.substr(0, file.rfind('\\')));
    const char* read = os.get_module_file_name();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(std::string(read), file);
    EXPECT_EQ(os.get_module_file_name(), read);
    EXPECT_EQ(os.get_module_directory(), folder);
}

// Waits for its event, then ends.
DWORD WINAPI wait_for_event(LPVOID os_and_event) {
    auto* pair = static_cast<std::pair<OS_API*, HANDLE>*>(os_and_event);
    pair->first->wait_for_object(pair->second, INFINITE);
    return 0;
}

TEST(OsApi, AThreadThatCannotStartGivesItsErrorAndLeavesTheHandleAlone) {
    Win_OS_API os;
    HANDLE thread = reinterpret_cast<HANDLE>(0x1234);
    EXPECT_EQ(os.create_thread(&thread, nullptr, nullptr, nullptr), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(thread, reinterpret_cast<HANDLE>(0x1234));
    EXPECT_EQ(os.create_thread(nullptr, nullptr, wait_for_event, nullptr), DWORD(ERROR_INVALID_PARAMETER));
}

LONG_PTR answer() {
    return 42;
}

TEST(OsApi, Libraries) {
    const zvk_winapi::LibraryExport exports[] = {{"answer", 0, reinterpret_cast<void*>(&answer)}};
    zvk_winapi::register_library("zvk_os_api_test.dll", exports, 1);
    Win_OS_API os;
    HMODULE module = os.load_library("ZVK_OS_API_TEST.DLL");
    ASSERT_NE(module, nullptr);
    FARPROC f = os.get_proc_address(&module, "answer");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f(), 42);
    EXPECT_EQ(os.get_proc_address(&module, "question"), nullptr);
    EXPECT_EQ(os.get_proc_address(nullptr, "answer"), nullptr);
    EXPECT_TRUE(os.free_library(&module));
    EXPECT_FALSE(os.free_library(nullptr));
    EXPECT_EQ(os.load_library("missing.dll"), nullptr);
}

HANDLE ctrl_c_seen = nullptr;
BOOL WINAPI on_console_event(DWORD event) {
    if (event == CTRL_C_EVENT)
        SetEvent(ctrl_c_seen);
    return TRUE;
}

TEST(OsApi, TheConsoleHandlerReceivesCtrlC) {
    ctrl_c_seen = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    Win_OS_API os;
    ASSERT_TRUE(os.set_console_ctrl_handler(on_console_event));
    ASSERT_EQ(::raise(SIGINT), 0);
    EXPECT_EQ(os.wait_for_object(ctrl_c_seen, 10000), 0);
}

} // namespace
