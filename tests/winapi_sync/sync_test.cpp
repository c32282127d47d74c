// Events, waits, threads and Sleep of the stand-in, with their Windows meanings.
#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include <sys/syscall.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

long long milliseconds_since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Closes a handle when the scope ends.
struct Handle {
    HANDLE h;
    ~Handle() {
        if (h)
            CloseHandle(h);
    }
    operator HANDLE() const { return h; }
};

TEST(Events, AutoResetLetsOneWaitThroughPerSignalManualResetStaysSignalled) {
    struct Case {
        BOOL manual;
        BOOL initial;
        std::vector<DWORD> waits_after_create, waits_after_set, waits_after_reset;
    };
    const DWORD in = WAIT_OBJECT_0, out = WAIT_TIMEOUT;
    const std::vector<Case> cases = {
        {FALSE, FALSE, {out}, {in, out}, {out}},
        {FALSE, TRUE, {in, out}, {in, out}, {out}},
        {TRUE, FALSE, {out}, {in, in}, {out}},
        {TRUE, TRUE, {in, in}, {in, in}, {out}},
    };
    for (const auto& k : cases) {
        Handle event{CreateEventA(nullptr, k.manual, k.initial, nullptr)};
        ASSERT_NE(event.h, nullptr);
        std::string name = std::string(k.manual ? "manual" : "auto") + (k.initial ? " signalled" : "");
        for (DWORD expected : k.waits_after_create)
            EXPECT_EQ(WaitForSingleObject(event, 0), expected) << name;
        ASSERT_TRUE(SetEvent(event));
        for (DWORD expected : k.waits_after_set)
            EXPECT_EQ(WaitForSingleObject(event, 0), expected) << name;
        ASSERT_TRUE(SetEvent(event));
        ASSERT_TRUE(ResetEvent(event));
        for (DWORD expected : k.waits_after_reset)
            EXPECT_EQ(WaitForSingleObject(event, 0), expected) << name;
    }
}

TEST(Events, NamesAreNotOffered) {
    SetLastError(0);
    EXPECT_EQ(CreateEventA(nullptr, FALSE, FALSE, "Local\\zvk_event"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
}

TEST(Waits, ATimeOutRunsItsCourse) {
    Handle event{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    auto start = Clock::now();
    EXPECT_EQ(WaitForSingleObject(event, 150), WAIT_TIMEOUT);
    EXPECT_GE(milliseconds_since(start), 150);
}

TEST(Waits, BadHandlesFail) {
    Handle event{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    HANDLE closed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_TRUE(CloseHandle(closed));
    int not_an_object = 0;
    for (HANDLE bad : {HANDLE(nullptr), INVALID_HANDLE_VALUE, closed, HANDLE(&not_an_object)}) {
        SetLastError(0);
        EXPECT_EQ(WaitForSingleObject(bad, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
        SetLastError(0);
        EXPECT_FALSE(SetEvent(bad));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    }
}

// Waits on the event it is given and counts how many times it got through.
std::atomic<int> passed{0};
DWORD WINAPI wait_on(LPVOID event) {
    if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0)
        ++passed;
    return 0;
}

TEST(Waits, OneSetEventReleasesOneWaiterOfAnAutoResetEvent) {
    passed = 0;
    Handle event{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    Handle a{CreateThread(nullptr, 0, wait_on, event, 0, nullptr)};
    Handle b{CreateThread(nullptr, 0, wait_on, event, 0, nullptr)};
    ASSERT_NE(a.h, nullptr);
    ASSERT_NE(b.h, nullptr);
    Sleep(100);
    ASSERT_TRUE(SetEvent(event));
    Sleep(200);
    EXPECT_EQ(passed.load(), 1);
    ASSERT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(a, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(b, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(passed.load(), 2);
}

struct Started {
    HANDLE go;
    DWORD id = 0;
};
DWORD WINAPI report_and_wait(LPVOID p) {
    auto* s = static_cast<Started*>(p);
    s->id = static_cast<DWORD>(syscall(SYS_gettid));
    WaitForSingleObject(s->go, INFINITE);
    return 42;
}

TEST(Threads, RunAtOnceAndSignalTheirHandleWhenTheyEnd) {
    Handle go{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    Started started{go};
    DWORD id = 0;
    Handle thread{CreateThread(nullptr, 64 * 1024, report_and_wait, &started, 0, &id)};
    ASSERT_NE(thread.h, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    ASSERT_TRUE(SetEvent(go));
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0); // an ended thread stays signalled
    EXPECT_EQ(started.id, id);
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(TerminateThread(thread, 7)); // already ended: nothing changes
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
}

TEST(Threads, AThreadOutlivesItsClosedHandle) {
    passed = 0;
    Handle event{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    HANDLE thread = CreateThread(nullptr, 0, wait_on, event, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(CloseHandle(thread));
    ASSERT_TRUE(SetEvent(event));
    for (int i = 0; i < 1000 && passed.load() == 0; ++i)
        Sleep(10);
    EXPECT_EQ(passed.load(), 1);
}

TEST(Threads, UnsupportedCreationIsRefused) {
    SetLastError(0);
    EXPECT_EQ(CreateThread(nullptr, 0, wait_on, nullptr, 0x4 /* suspended */, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    SetLastError(0);
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_FALSE(TerminateThread(nullptr, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

// Marks, from a destructor, that the thread's stack was unwound.
std::atomic<int> unwound{0};
struct Unwinds {
    ~Unwinds() { ++unwound; }
};
DWORD WINAPI block_in_wait(LPVOID event) {
    Unwinds u;
    WaitForSingleObject(event, INFINITE);
    return 1;
}
DWORD WINAPI block_in_sleep(LPVOID) {
    Unwinds u;
    Sleep(INFINITE);
    return 1;
}

TEST(Threads, TerminateEndsABlockedThreadWithTheGivenCode) {
    for (LPTHREAD_START_ROUTINE routine : {block_in_wait, block_in_sleep}) {
        unwound = 0;
        Handle never{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
        Handle thread{CreateThread(nullptr, 0, routine, never, 0, nullptr)};
        ASSERT_NE(thread.h, nullptr);
        Sleep(50);
        EXPECT_TRUE(TerminateThread(thread, 7));
        ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
        DWORD code = 0;
        ASSERT_TRUE(GetExitCodeThread(thread, &code));
        EXPECT_EQ(code, 7u);
        EXPECT_EQ(unwound.load(), 1);
    }
}

TEST(Sleep, TakesAtLeastTheTimeAsked) {
    auto start = Clock::now();
    Sleep(60);
    EXPECT_GE(milliseconds_since(start), 60);
    Sleep(0); // gives up the time slice and returns
}

} // namespace
