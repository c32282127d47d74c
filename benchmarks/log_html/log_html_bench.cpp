// Renders a model of many runs into HTML, as the log selection screen does for a long date interval,
// and hands the text to a QTextEdit the way the log views show it. Prints the times and sizes.
//   log_html_bench [runs]   (default 5000; runs on the offscreen platform unless told otherwise)
#include "log_html.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextEdit>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// One run of one module the way the test modules log it: two disks, each with properties, a resource
// of two partitions and four tests with a few messages.
void fill_run(LogModel& model, std::int64_t key) {
    LogGroup& group = model.groups()[key];
    group.group = key;
    LogSubsystem& storage = group.subsystems["STORAGE"];
    storage.name = "STORAGE";
    for (int d = 0; d < 2; ++d) {
        LogDevice& disk = storage.devices[std::to_string(d)];
        disk.display_name = "Disk " + std::to_string(d);
        disk.unique_code = "0-1-0-" + std::to_string(d);
        disk.properties = {{"MODEL", "WDC WD10EZEX-08WN4A0"}, {"SERIAL", "WD-WCC6Y3KX0123"},
                           {"FIRMWARE", "01.01A01"}, {"INTERFACE", "SATA"}};
        for (std::uint64_t p = 0; p < 2; ++p)
            disk.resources["PARTITION"][p] = {{"SIZE", "500 GB"}, {"FILESYSTEM", "NTFS"}};
        std::int64_t t = key + 2;
        disk.messages.push_back({t, "MESSAGE", "DEVICE_READY", {}});
        for (const char* name : {"SMART_CHECK", "SURFACE_SCAN", "READ_SPEED", "SEEK_TEST"}) {
            LogTest test;
            test.name = name;
            test.start = ++t;
            test.messages.push_back({++t, "MESSAGE", "PROGRESS", {"50", "PERCENT"}});
            test.messages.push_back({++t, "WARNING", "SLOW_SECTOR_FOUND", {"1024", "12"}});
            test.stop = ++t;
            test.time_spent = 3.25;
            test.result = d == 1 && std::string(name) == "SEEK_TEST" ? "FAILURE" : "SUCCESS";
            disk.tests.push_back(test);
        }
    }
}

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5000;

    LogModel model;
    for (int i = 0; i < runs; ++i)
        fill_run(model, 1796811300 + std::int64_t(i) * 3600);

    // The filter writes two debug lines per subsystem; keep them out of the figures.
    qInstallMessageHandler(quiet);
    for (int shown : {runs / 100, runs / 10, runs}) {
        if (shown <= 0)
            continue;
        QElapsedTimer timer;
        timer.start();
        LogHtml html;
        model.set_interval(INT64_MIN, INT64_MAX);
        int rendered = 0;
        while (rendered < shown && html.add_group(model.next_group(), 0, "ALL"))
            ++rendered;
        const QString text = html.html();
        const double render_ms = double(timer.nsecsElapsed()) / 1e6;

        QTextEdit view;
        view.setReadOnly(true);
        timer.restart();
        view.setText(text);
        const double set_text_ms = double(timer.nsecsElapsed()) / 1e6;

        std::printf("%5d runs: render %8.1f ms (%6.3f ms a run), HTML %zu characters (%.1f MB as UTF-16, %.0f a run); "
                    "QTextEdit::setText %9.1f ms\n",
                    rendered, render_ms, render_ms / rendered, std::size_t(text.size()),
                    double(text.size()) * 2 / 1e6, double(text.size()) / rendered, set_text_ms);
        std::fflush(stdout);
    }
    return 0;
}
