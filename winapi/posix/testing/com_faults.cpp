// The COM failures tests plan, and a fresh start of COM security.
#include "com_internal.h"

namespace zvk_winapi {

void set_com_faults(const ComFaults& faults) {
    ComState& state = com_state();
    std::lock_guard<std::mutex> g(state.lock);
    state.faults = faults;
}

void reset_com_security() {
    ComState& state = com_state();
    std::lock_guard<std::mutex> g(state.lock);
    state.security_set = false;
}

} // namespace zvk_winapi
