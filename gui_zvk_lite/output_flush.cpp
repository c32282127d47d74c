#include "output_flush.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <system_error>
#include <thread>

bool flush_output_within(int wait_ms) {
    // Shared with the flushing thread, which may outlive this call and is never joined. Polled rather
    // than waited for on a condition variable: the wait is short and happens once, at the end, and a
    // flag alone needs no lock that a sanitizer's view of timed waits could get wrong.
    auto done = std::make_shared<std::atomic<bool>>(false);
    try {
        std::thread([done] {
            std::fflush(nullptr);
            done->store(true);
        }).detach();
    } catch (const std::system_error&) {
        return false; // no thread: nothing is flushed rather than waiting on it here
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (!done->load()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void end_process_at_once(int code, int wait_ms) {
    flush_output_within(wait_ms);
    std::_Exit(code);
}

void exit_process(int code, int wait_ms) {
    if (!flush_output_within(wait_ms))
        std::_Exit(code);
    std::exit(code);
}
