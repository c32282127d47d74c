// A process with one console control handler, for the tests that end processes by signals.
// Arguments: the handler's answer ("true" or "false"), then "ignore-hup" to start as nohup does.
// Prints "ready", then "event <n>" for each event the handler receives, and "continued" when the
// process goes on after one.
#include "zvk_windows.h"

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

BOOL answer = TRUE;
HANDLE received = nullptr;

BOOL WINAPI handler(DWORD event) {
    std::printf("event %u\n", static_cast<unsigned>(event));
    std::fflush(stdout);
    SetEvent(received);
    return answer;
}

} // namespace

int main(int argc, char** argv) {
    answer = argc > 1 && std::strcmp(argv[1], "false") == 0 ? FALSE : TRUE;
    if (argc > 2 && std::strcmp(argv[2], "ignore-hup") == 0)
        std::signal(SIGHUP, SIG_IGN);
    received = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!received || !SetConsoleCtrlHandler(handler, TRUE))
        return 2;
    std::printf("ready\n");
    std::fflush(stdout);
    if (WaitForSingleObject(received, 20000) != WAIT_OBJECT_0)
        return 3;
    Sleep(200); // room for a close event to end the process, as it must
    std::printf("continued\n");
    return 0;
}
