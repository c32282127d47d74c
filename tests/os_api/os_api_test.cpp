// The operating-system services through their interface, on both branches: the process-wide
// instance and the system drive, the current folder's cache, threads, events and waits with their
// result codes. os_api_posix_test.cpp has the cases that only the stand-in can give.
#include "win_os_api.h"

#include "process_state.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using zvk_test::current_host_folder;
using zvk_test::windows_form;

using zedra_hal::OS_API;
using zedra_hal::Win_OS_API;
using zvk_test::CurrentFolder;

TEST(OsApi, OneProcessWideInstance) {
    Win_OS_API* first = Win_OS_API::get_instance();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Win_OS_API::get_instance(), first);
    OS_API* os = first;
    EXPECT_EQ(os->get_system_drive(), 'C');
    EXPECT_EQ(os->get_system_drive(), 'C');
}

TEST(OsApi, TheCurrentFolderIsReadOnceAndKept) {
    Win_OS_API os;
    std::string before = windows_form(current_host_folder());
    const char* first = os.get_current_directory();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::string(first), before);
    CurrentFolder elsewhere(zvk_test::fresh_folder("elsewhere"));
    ASSERT_TRUE(elsewhere.changed());
    EXPECT_EQ(os.get_current_directory(), first); // the cached value, not the new folder
    EXPECT_EQ(std::string(first), before);
}

// Waits for its event, then ends.
DWORD WINAPI wait_for_event(LPVOID os_and_event) {
    auto* pair = static_cast<std::pair<OS_API*, HANDLE>*>(os_and_event);
    pair->first->wait_for_object(pair->second, INFINITE);
    return 0;
}

TEST(OsApi, ThreadsEventsAndWaitResults) {
    Win_OS_API os;
    HANDLE event = os.create_event(FALSE, nullptr, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(os.wait_for_object(event, 0), zedra_hal::OS_WAIT_TIMEOUT);
    EXPECT_TRUE(os.set_event(event));
    EXPECT_EQ(os.wait_for_object(event, 0), 0);
    EXPECT_EQ(os.wait_for_object(event, 0), zedra_hal::OS_WAIT_TIMEOUT); // auto-reset
    HANDLE signalled = os.create_event(TRUE, nullptr, nullptr);
    EXPECT_EQ(os.wait_for_object(signalled, 0), 0);

    std::pair<OS_API*, HANDLE> arguments{&os, event};
    HANDLE thread = nullptr;
    ASSERT_EQ(os.create_thread(&thread, nullptr, wait_for_event, &arguments), 0u);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(os.wait_for_object(thread, 50), zedra_hal::OS_WAIT_TIMEOUT);
    EXPECT_TRUE(os.set_event(event));
    EXPECT_EQ(os.wait_for_object(thread, 10000), 0); // an ended thread

    HANDLE blocked = nullptr;
    ASSERT_EQ(os.create_thread(&blocked, nullptr, wait_for_event, &arguments), 0u);
    EXPECT_TRUE(os.terminate_thread(blocked));
    EXPECT_EQ(os.wait_for_object(blocked, 10000), 0);

    for (HANDLE h : {thread, blocked, event, signalled})
        CloseHandle(h);
    EXPECT_EQ(os.wait_for_object(event, 0), zedra_hal::OS_WAIT_FAILED); // closed
    EXPECT_FALSE(os.set_event(event));
    os.sleep(1);
}

} // namespace
