// ThreadSanitizer sees no synchronisation inside Qt: the distribution's Qt is not built for it and its
// mutexes are futexes, which the sanitizer does not intercept. The order that Qt's event queues give
// between threads (a queued call runs after the signal that posted it) is therefore invisible, and
// every queued call would be reported as a race with its sender. This makes that order visible: each
// signal emission releases one token, each event delivery acquires it. Accesses that really overlap
// (say a module call on the worker while the GUI thread writes the same data) are still reported.
#include "sanitizer_hooks.h"

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>

#include <QObject>
#include <QtGlobal>

// Qt's hook for signal spies; declared in a private Qt header, exported by QtCore.
struct QSignalSpyCallbackSet {
    typedef void (*BeginCallback)(QObject* caller, int signal_or_method_index, void** argv);
    typedef void (*EndCallback)(QObject* caller, int signal_or_method_index);
    BeginCallback signal_begin_callback, slot_begin_callback;
    EndCallback signal_end_callback, slot_end_callback;
};
void qt_register_signal_spy_callbacks(QSignalSpyCallbackSet* callback_set);

namespace {

char queue_token;

void signal_emitted(QObject*, int, void**) {
    __tsan_release(&queue_token);
}

bool event_delivered(void**) {
    __tsan_acquire(&queue_token);
    return false; // deliver as usual
}

QSignalSpyCallbackSet callbacks = {signal_emitted, nullptr, nullptr, nullptr};

} // namespace

// Qt allocates and frees its event objects in different threads; its own code is not instrumented,
// so only what the program's own code does is checked.
extern "C" const char* __tsan_default_options() {
    return "ignore_noninstrumented_modules=1";
}

namespace zvk_test {

void install_sanitizer_hooks() {
    qt_register_signal_spy_callbacks(&callbacks);
    QInternal::registerCallback(QInternal::EventNotifyCallback, event_delivered);
}

} // namespace zvk_test

#else

namespace zvk_test {
void install_sanitizer_hooks() {}
} // namespace zvk_test

#endif
