// The GUI thread's event-loop latency during a test run: the program's main window (offscreen) runs
// diag_slow on every device it lists while a helper thread posts a stamped event to the GUI thread
// every few milliseconds; the delay from posting to handling is how long the loop could not answer.
// Prints the delays' median, 99th percentile and maximum. Goal: p99 at most 50 ms and the maximum at
// most 100 ms, with the running test's progress polled every 100 ms.
//
//   gui_latency_benchmark [interval ms]
#include "event_wait.h"
#include "gui_manager.h"
#include "gui_manager_access.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

const QEvent::Type stamped_type = QEvent::Type(QEvent::User + 1);

struct StampedEvent : QEvent {
    explicit StampedEvent(qint64 posted) : QEvent(stamped_type), posted_ns(posted) {}
    qint64 posted_ns;
};

// Lives on the GUI thread and notes how long each stamped event waited.
class LatencyProbe : public QObject {
public:
    explicit LatencyProbe(const QElapsedTimer& clock) : clock(clock) {}
    bool event(QEvent* e) override {
        if (e->type() != stamped_type)
            return QObject::event(e);
        if (measuring)
            delays_ns.push_back(clock.nsecsElapsed() - static_cast<StampedEvent*>(e)->posted_ns);
        return true;
    }
    const QElapsedTimer& clock;
    bool measuring = false;
    std::vector<qint64> delays_ns;
};

double ms(qint64 ns) {
    return double(ns) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    int interval_ms = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // Offscreen unless the caller names a platform (to watch the run on a display).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // A working folder holding only the slow test module.
    QTemporaryDir folder;
    if (!folder.isValid() ||
        !QFile::copy(ZVK_TEST_MODULES_DIR "/diag_slow.dll", folder.filePath("diag_slow.dll"))) {
        std::fprintf(stderr, "cannot prepare the module folder (is the test module built?)\n");
        return 1;
    }
    QDir::setCurrent(folder.path());
    qputenv("ZVK_DRIVE_C", QDir(folder.path()).filePath("drive_c").toLocal8Bit());

    GUIManager window(nullptr, Qt::WindowFlags());
    window.show();
    using Access = GUIManagerTestAccess;

    QElapsedTimer clock;
    clock.start();
    LatencyProbe probe(clock);
    std::atomic<bool> posting{true};
    std::thread poster([&] {
        while (posting.load()) {
            QCoreApplication::postEvent(&probe, new StampedEvent(clock.nsecsElapsed()));
            std::this_thread::sleep_for(std::chrono::milliseconds(interval_ms));
        }
    });

    // The module, every device it lists and both its tests, as the screens hand them over.
    window.init_module("SlowModule");
    window.next_screen();
    if (!zvk_test::wait_until([&] { return !Access::devices(window).isEmpty(); }, 30000)) {
        std::fprintf(stderr, "the module listed no devices\n");
        posting = false;
        poster.join();
        return 1;
    }
    QVector<std::string> ids(Access::devices(window).keyBegin(), Access::devices(window).keyEnd());
    window.devices_selected(ids);
    window.next_screen();
    window.tests_selected(QVector<int>(Access::tests(window).keyBegin(), Access::tests(window).keyEnd()));

    probe.measuring = true;
    qint64 run_begin = clock.nsecsElapsed();
    window.next_screen();
    bool ended = zvk_test::wait_until([&] { return Access::finished(window); }, 120000);
    qint64 run_ns = clock.nsecsElapsed() - run_begin;
    probe.measuring = false;
    posting = false;
    poster.join();
    if (!ended || probe.delays_ns.empty()) {
        std::fprintf(stderr, "the run did not end\n");
        return 1;
    }

    std::vector<qint64> d = probe.delays_ns;
    std::sort(d.begin(), d.end());
    auto at = [&](double q) { return d[std::min(d.size() - 1, size_t(q * double(d.size() - 1) + 0.5))]; };
    std::printf("gui_latency: %d devices x %d tests of diag_slow, run %.1f s, %zu stamps every %d ms\n",
                int(ids.size()), int(Access::tests(window).size()), ms(run_ns) / 1000, d.size(), interval_ms);
    std::printf("event-loop latency: p50 %.2f ms  p99 %.2f ms  max %.2f ms  (goal: p99 <= 50, max <= 100)\n",
                ms(at(0.50)), ms(at(0.99)), ms(d.back()));
    return 0;
}
