// With the program's own main (gui_zvk_lite/main.cpp), the program as the ThreadSanitizer build's
// tests start it: the tests' hooks that show the sanitizer the order of Qt's event queues are in place
// before main runs, so that its queued calls between the window and the worker are not reported as
// races. Built only there; elsewhere the tests start the program itself.
#include "sanitizer_hooks.h"

namespace {

const bool hooks_installed = (zvk_test::install_sanitizer_hooks(), true);

} // namespace
