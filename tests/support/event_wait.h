#pragma once
// Waiting on the GUI thread for something another thread or a queued call brings about, while the
// event loop keeps running.
#include <functional>

namespace zvk_test {

// Processes events until done() holds or timeout_ms have passed; returns whether done() held.
bool wait_until(const std::function<bool()>& done, int timeout_ms = 10000);

// Processes events for about ms milliseconds.
void process_events_for(int ms);

} // namespace zvk_test
