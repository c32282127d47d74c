#include "close_requests.h"

// Windows asks the program's windows to close (WM_CLOSE, end of session) and Qt handles that itself.
void close_windows_on_termination_request() {}
