// Console control handlers: signals reach them as console events on a thread of their own, the last
// handler added first; what an unhandled or a close event does to the process is seen in console_probe
// processes.
#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <csignal>
#include <mutex>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::mutex calls_lock;
std::vector<std::string> calls;
HANDLE called = nullptr;
BOOL second_answer = FALSE;

void record(const std::string& call) {
    std::lock_guard<std::mutex> g(calls_lock);
    calls.push_back(call);
}

std::vector<std::string> take_calls() {
    std::lock_guard<std::mutex> g(calls_lock);
    return std::move(calls);
}

// The first handler added always handles the event, so no event of this test ends the process.
BOOL WINAPI first(DWORD event) {
    record("first " + std::to_string(event));
    SetEvent(called);
    return TRUE;
}

BOOL WINAPI second(DWORD event) {
    record("second " + std::to_string(event));
    if (second_answer)
        SetEvent(called);
    return second_answer;
}

class ConsoleHandler : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        called = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        ASSERT_TRUE(SetConsoleCtrlHandler(first, TRUE));
    }
    void SetUp() override { take_calls(); }
};

TEST_F(ConsoleHandler, SigintReachesTheHandlersLastAddedFirstUntilOneHandlesIt) {
    ASSERT_TRUE(SetConsoleCtrlHandler(second, TRUE));
    for (BOOL answer : {FALSE, TRUE}) {
        second_answer = answer;
        ASSERT_EQ(::raise(SIGINT), 0);
        ASSERT_EQ(WaitForSingleObject(called, 10000), WAIT_OBJECT_0);
        std::vector<std::string> expected =
            answer ? std::vector<std::string>{"second 0"} : std::vector<std::string>{"second 0", "first 0"};
        EXPECT_EQ(take_calls(), expected);
    }
    EXPECT_TRUE(SetConsoleCtrlHandler(second, FALSE));
    SetLastError(0);
    EXPECT_FALSE(SetConsoleCtrlHandler(second, FALSE)); // no longer there
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    ASSERT_EQ(::raise(SIGINT), 0);
    ASSERT_EQ(WaitForSingleObject(called, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(take_calls(), std::vector<std::string>{"first 0"});
}

TEST_F(ConsoleHandler, TheNullHandlerMakesTheProcessIgnoreCtrlC) {
    ASSERT_TRUE(SetConsoleCtrlHandler(nullptr, TRUE));
    ASSERT_EQ(::raise(SIGINT), 0);
    EXPECT_EQ(WaitForSingleObject(called, 300), WAIT_TIMEOUT);
    ASSERT_TRUE(SetConsoleCtrlHandler(nullptr, FALSE));
    ASSERT_EQ(::raise(SIGINT), 0);
    EXPECT_EQ(WaitForSingleObject(called, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(take_calls(), std::vector<std::string>{"first 0"});
}

// One console_probe run: its output, and how it ended.
struct ProbeRun {
    std::string output;
    int status = 0;
};

ProbeRun run_probe(const std::vector<std::string>& arguments, const std::vector<int>& signals) {
    ProbeRun run;
    int out[2];
    if (::pipe(out) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv{const_cast<char*>(CONSOLE_PROBE)};
    for (const auto& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // The probe starts with no signal blocked or ignored, whatever this process does with them.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, console;
    sigemptyset(&none);
    sigemptyset(&console);
    for (int s : {SIGINT, SIGQUIT, SIGTERM, SIGHUP})
        sigaddset(&console, s);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &console);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    int failed = posix_spawn(&pid, CONSOLE_PROBE, &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (failed) {
        ::close(out[0]);
        return run;
    }
    auto read_some = [&] {
        char buffer[256];
        ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n > 0)
            run.output.append(buffer, std::size_t(n));
        return n > 0;
    };
    while (run.output.find("ready\n") == std::string::npos && read_some()) {
    }
    for (int s : signals) {
        ::kill(pid, s);
        ::usleep(200 * 1000);
    }
    while (read_some()) {
    }
    ::close(out[0]);
    ::waitpid(pid, &run.status, 0);
    return run;
}

TEST(ConsoleEvents, WhatEachSignalDoesToTheProcess) {
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer holds a signal back until the receiving thread next enters the runtime, which a
    // thread asleep in a pipe read (the stand-in's event thread) does not do.
    GTEST_SKIP() << "signals to other processes are not delivered reliably under ThreadSanitizer";
#endif
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        std::vector<int> signals;
        std::string output;
        int ended_by; // 0: exited normally with code 0
    };
    const std::vector<Case> cases = {
        {"Ctrl+C handled", {"true"}, {SIGINT}, "ready\nevent 0\ncontinued\n", 0},
        {"Ctrl+C not handled", {"false"}, {SIGINT}, "ready\nevent 0\n", SIGINT},
        {"Ctrl+\\ handled", {"true"}, {SIGQUIT}, "ready\nevent 1\ncontinued\n", 0},
        {"end request", {"true"}, {SIGTERM}, "ready\nevent 2\n", SIGTERM}, // close events end it anyway
        {"terminal closed", {"true"}, {SIGHUP}, "ready\nevent 2\n", SIGHUP},
        {"nohup", {"true", "ignore-hup"}, {SIGHUP, SIGINT}, "ready\nevent 0\ncontinued\n", 0},
    };
    for (const auto& k : cases) {
        ProbeRun run = run_probe(k.arguments, k.signals);
        EXPECT_EQ(run.output, k.output) << k.name;
        if (k.ended_by) {
            EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == k.ended_by)
                << k.name << ": " << run.status;
        } else {
            EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0)
                << k.name << ": " << run.status;
        }
    }
}

} // namespace
