#include "output_flush.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

struct FlushState {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
};

} // namespace

bool flush_output_within(int wait_ms) {
    // Shared with the flushing thread, which may outlive this call and is never joined.
    auto state = std::make_shared<FlushState>();
    try {
        std::thread([state] {
            std::fflush(nullptr);
            std::lock_guard<std::mutex> g(state->lock);
            state->done = true;
            state->finished.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return false; // no thread: nothing is flushed rather than waiting on it here
    }
    std::unique_lock<std::mutex> g(state->lock);
    return state->finished.wait_for(g, std::chrono::milliseconds(wait_ms), [&] { return state->done; });
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
